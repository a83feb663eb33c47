#include "playback/live_key_output.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace murvane {

LiveKeyOutput::LiveKeyOutput(Synthesizer& target, Clock& clock, std::unique_ptr<WakeEvent> wake)
    : target_(target), clock_(clock), wake_(std::move(wake)) {
  lastReading_ = clock_.nowMillis();
}

LiveKeyOutput::~LiveKeyOutput() {
  if (sender_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    wake_->signal();
    sender_.join();
  }
}

void LiveKeyOutput::setOptions(const PlayOptions& options, const KeyLayout* layout) {
  std::lock_guard lock(mutex_);
  options_ = options;
  layout_.reset();
  if (layout != nullptr) layout_ = *layout;
  physical_ = layout_ ? layout_->physicalKeys() : oneKeyPerNote();
  for (std::size_t note = 0; note < struck_.size(); ++note) struck_[note] = static_cast<std::uint8_t>(note);
  if ((options_.repressGap > 0 || options_.pressLength > 0) && !sender_.joinable() && wake_) {
    try {
      sender_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      // Without our thread nothing could send what the gap holds back.
    }
  }
  if (!sender_.joinable()) {
    options_.repressGap = 0;
    options_.pressLength = 0;
  }
  gaps_.restart(static_cast<std::uint32_t>(options_.repressGap));
  fit_.restart(static_cast<std::uint32_t>(options_.pressLength), static_cast<std::uint32_t>(options_.maxKeys));
  // Of the options only these mean anything live.
  straight_ = options_.transpose == 0 && !options_.foldOctaves && options_.repressGap == 0 && !layout_ &&
              !fit_.active();
}

void LiveKeyOutput::setTargetGate(TargetGate* gate) {
  std::lock_guard lock(mutex_);
  gate_ = gate;
  paused_.store(false);
}

void LiveKeyOutput::followTarget() {
  std::lock_guard lock(mutex_);
  if (gate_ != nullptr) targetInFront();
}

bool LiveKeyOutput::targetInFront() {
  if (gate_ == nullptr) return true;
  if (gate_->presence() == TargetPresence::kInFront) {
    paused_.store(false);
    return true;
  }
  if (!paused_.load()) {
    paused_.store(true);
    gaps_.clear();
    fit_.clear();
    target_.allNotesOff();
  }
  return false;
}

bool LiveKeyOutput::open() {
  std::lock_guard lock(mutex_);
  return target_.open();
}

void LiveKeyOutput::close() {
  std::lock_guard lock(mutex_);
  gaps_.clear();
  fit_.clear();
  target_.close();
}

void LiveKeyOutput::allNotesOff() {
  std::lock_guard lock(mutex_);
  gaps_.clear();
  fit_.clear();
  target_.allNotesOff();
}

void LiveKeyOutput::noteOn(std::uint8_t note) {
  std::lock_guard lock(mutex_);
  play(note, true);
}

void LiveKeyOutput::noteOff(std::uint8_t note) {
  std::lock_guard lock(mutex_);
  play(note, false);
}

void LiveKeyOutput::flush() {
  std::lock_guard lock(mutex_);
  target_.flush();
}

void LiveKeyOutput::play(std::uint8_t fileNote, bool down) {
  if (!targetInFront()) return;
  const int mapped = layout_ ? mapNote(fileNote, options_, layout_->lowest(), layout_->highest())
                             : mapNote(fileNote, options_);
  if (mapped < 0 || mapped > 127) return;
  if (layout_ && !layout_->hasKey(mapped)) return;
  const auto note = static_cast<std::uint8_t>(mapped);
  if (straight_) {
    if (down) {
      target_.noteOn(note);
    } else {
      target_.noteOff(note);
    }
    return;
  }
  const std::uint64_t now = nowMillis();
  sendDue(now);
  const std::uint64_t before = nextDue();
  const std::uint8_t key = physical_[note];
  if (down) {
    // A press already asked for types the note that asked for it.
    if (gaps_.noteOn(key, now)) struck_[key] = note;
  } else {
    gaps_.noteOff(key, now);
  }
  sendDue(now);
  // Our thread sleeps until the earliest held event it knew of.
  if (nextDue() < before) wake_->signal();
}

void LiveKeyOutput::run() {
  std::uint32_t timeout = WakeEvent::kInfinite;
  for (;;) {
    wake_->wait(timeout);
    std::lock_guard lock(mutex_);
    if (quit_) return;
    const std::uint64_t now = nowMillis();
    // Leaving cleared what was held back; a key due now must not reach
    // the window that has just come in front.
    if (targetInFront()) sendDue(now);
    const std::uint64_t next = nextDue();
    timeout = next == RepressGap::kNever
                  ? WakeEvent::kInfinite
                  : static_cast<std::uint32_t>(std::min<std::uint64_t>(next - now, WakeEvent::kLongestTimedWait));
  }
}

void LiveKeyOutput::send(const KeyChange& change) {
  const std::uint8_t note = struck_[change.key & 0x7F];
  if (!fit_.active()) {
    if (change.down) {
      target_.noteOn(note);
    } else {
      target_.noteOff(note);
    }
    return;
  }
  if (!change.down) {
    if (fit_.release(change.key)) target_.noteOff(note);
    return;
  }
  const LiveKeyFit::PressOutcome outcome = fit_.press(change.key, note, change.atMillis);
  for (std::size_t i = 0; i < outcome.releaseCount; ++i) target_.noteOff(struck_[outcome.releases[i]]);
  if (outcome.pressed) target_.noteOn(note);
}

std::uint64_t LiveKeyOutput::nowMillis() {
  const std::uint32_t reading = clock_.nowMillis();
  millis_ += static_cast<std::uint32_t>(reading - lastReading_);
  lastReading_ = reading;
  return millis_;
}

// Held events of different due times (our thread woke late) go out as
// separate batches, as the player sends them.
void LiveKeyOutput::sendDue(std::uint64_t now) {
  KeyChange change;
  bool sent = false;
  std::uint64_t batchDue = 0;
  // Taps that have ended: releases, before any press of their time.
  std::uint8_t tapped = 0;
  while (fit_.takeDue(now, tapped)) {
    sent = true;
    target_.noteOff(struck_[tapped]);
  }
  if (sent) target_.flush();
  sent = false;
  while (gaps_.takeDue(now, change)) {
    if (sent && change.atMillis != batchDue) target_.flush();
    batchDue = change.atMillis;
    sent = true;
    send(change);
  }
  if (sent) target_.flush();
}

}  // namespace murvane
