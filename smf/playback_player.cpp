#include "smf/playback_player.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "smf/smf_note_counts.h"

namespace murvane {

Player::Player(PlaybackNotifier& notifier, Clock& clock, std::unique_ptr<WakeEvent> wake)
    : notifier_(notifier), clock_(clock), wake_(std::move(wake)) {
  if (!wake_) return;
  try {
    worker_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No worker: start() reports every playback as impossible.
  }
}

Player::~Player() {
  if (worker_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      quit_.store(true);
    }
    wake_->signal();
    worker_.join();
  }
}

LoadResult Player::loadFile(std::vector<std::uint8_t> image) {
  LoadResult result = LoadResult::kOk;
  {
    std::lock_guard lock(mutex_);
    playing_.store(false);
    readNext_ = true;
    result = smf_.load(std::move(image));
    // Leaves the file at its end; every start rewinds it.
    noteCounts_ = countNoteOns(smf_);
  }
  if (wake_) wake_->signal();
  return result;
}

bool Player::start(Synthesizer& output, TargetGate* gate) {
  if (!worker_.joinable()) return false;
  {
    std::lock_guard lock(mutex_);
    if (!smf_.loaded()) return false;
    if (!output.open()) return false;
    Synthesizer* current = output_.load();
    if (current != &output) {
      // An output whose playback has been reported is closed already.
      if (current != nullptr && unreported_) current->close();
      output_.store(&output);
    } else if (unreported_) {
      // The playback being replaced may hold notes whose ends it will now
      // never send. Closing would undo the open just made.
      output.allNotesOff();
    }
    smf_.rewind();
    fromPlan_ = shapesKeys(options_) || layout_.has_value();
    plan_ = fromPlan_ ? planPlayback(smf_, options_, layout_ ? &*layout_ : nullptr) : PlaybackPlan{};
    planned_ = 0;
    smf_.rewind();
    schedule_.restart(smf_.division(), static_cast<std::uint16_t>(options_.speed), options_.channels);
    readNext_ = true;
    needsClock_ = false;
    unreported_ = true;
    handedOver_ = false;  // open, close or allNotesOff above has sent it
    gate_ = gate;
    sounding_.reset();
    sustainDown_ = false;
    paused_.store(false);
    playedMillis_ = 0;
    lastReading_ = clock_.nowMillis();
    playing_.store(true);
  }
  wake_->signal();
  return true;
}

void Player::stop() {
  {
    std::lock_guard lock(mutex_);
    playing_.store(false);
  }
  // Without the wake the keys would stay down until the waiting event's due
  // time, which can be seconds away.
  if (wake_) wake_->signal();
}

void Player::setOptions(const PlayOptions& options, const KeyLayout* layout) {
  std::lock_guard lock(mutex_);
  options_ = options;
  layout_.reset();
  if (layout != nullptr) layout_ = *layout;
}

void Player::pause() {
  {
    std::lock_guard lock(mutex_);
    pauseLocked();
  }
  // Its timed wait is for a key that is not due while paused.
  if (wake_) wake_->signal();
}

void Player::resume() {
  {
    std::lock_guard lock(mutex_);
    resumeLocked();
  }
  // The worker sleeps without limit while paused.
  if (wake_) wake_->signal();
}

void Player::followTarget() {
  {
    std::lock_guard lock(mutex_);
    if (gate_ == nullptr || !playing_.load()) return;
    followGate();
  }
  if (wake_) wake_->signal();
}

void Player::run() {
  std::uint32_t timeout = WakeEvent::kInfinite;
  for (;;) {
    if (timeout != 0) wake_->wait(timeout);
    if (quit_.load()) return;  // the output stays open: its owner releases it
    std::lock_guard lock(mutex_);
    timeout = step();
  }
}

std::uint32_t Player::step() {
  if (!playing_.load()) {
    if (unreported_) endPlayback();
    return WakeEvent::kInfinite;
  }
  // Woken by a signal meant for another cycle: the clock must not be read
  // while paused, or the time away would count as played.
  if (paused_.load()) return WakeEvent::kInfinite;
  if (fromPlan_) return stepThroughPlan();
  if (readNext_) {
    if (!smf_.readEvent(event_)) {
      playing_.store(false);
      endPlayback();
      return WakeEvent::kInfinite;
    }
    readNext_ = false;
    if (schedule_.advance(event_.delta)) needsClock_ = true;
  }
  // Checked again after every wait: a wait can end early (a signal given for
  // an earlier cycle), and a due time can lie beyond the longest wait.
  if (needsClock_) {
    if (const std::uint32_t wait = waitFor(schedule_.dueMillis())) return wait;
    needsClock_ = false;
  }
  const NoteAction action = schedule_.play(event_);
  if (action != NoteAction::kNone) {
    // A note event kept for after the pause; playing it to the schedule
    // again changes nothing, as only set-tempo events change it.
    if (!targetAllows(schedule_.dueMillis())) return playing_.load() ? WakeEvent::kInfinite : 0;
    play(action, event_.data1);
  }
  readNext_ = true;
  return 0;
}

std::uint32_t Player::stepThroughPlan() {
  const std::vector<KeyChange>& changes = plan_.keys.changes;
  // The song ends with its last event, which may come after its last key.
  const std::uint64_t due = planned_ < changes.size() ? changes[planned_].atMillis : plan_.endMillis;
  if (due > playedMillis_) {
    if (const std::uint32_t wait = waitFor(due)) return wait;
  }
  if (planned_ == changes.size()) {
    playing_.store(false);
    endPlayback();
    return WakeEvent::kInfinite;
  }
  if (!targetAllows(changes[planned_].atMillis)) return playing_.load() ? WakeEvent::kInfinite : 0;
  const KeyChange& change = changes[planned_++];
  Synthesizer* output = output_.load();
  if (output == nullptr) return 0;
  joinBatch(change.atMillis);
  if (change.held != 0) {
    // A modifier held on its own goes with the release of everything at a
    // pause; the keys pressed again after it bring their own.
    if (change.held == kSustainHeld) sustainDown_ = change.down;
    output->hold(change.held, change.down);
    return 0;
  }
  sounding_[change.key] = change.down;
  if (change.down) {
    output->noteOn(change.key);
  } else {
    output->noteOff(change.key);
  }
  return 0;
}

std::uint32_t Player::waitFor(std::uint64_t due) {
  readClock();
  if (due <= playedMillis_) return 0;
  // Everything due by now has been handed over.
  flushOutput();
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(due - playedMillis_, WakeEvent::kLongestTimedWait));
}

void Player::readClock() {
  const std::uint32_t reading = clock_.nowMillis();
  playedMillis_ += static_cast<std::uint32_t>(reading - lastReading_);
  lastReading_ = reading;
}

void Player::play(NoteAction action, std::uint8_t note) {
  Synthesizer* output = output_.load();
  if (output == nullptr) return;
  joinBatch(schedule_.dueMillis());
  sounding_[note] = action == NoteAction::kDown;
  if (action == NoteAction::kDown) output->noteOn(note);
  if (action == NoteAction::kUp) output->noteOff(note);
}

// A worker running late sends several due times back to back; each still
// goes out as a batch of its own.
void Player::joinBatch(std::uint64_t due) {
  if (due != batchDue_) flushOutput();
  batchDue_ = due;
  handedOver_ = true;
}

void Player::flushOutput() {
  if (!handedOver_) return;
  handedOver_ = false;
  Synthesizer* output = output_.load();
  if (output != nullptr) output->flush();
}

bool Player::targetAllows(std::uint64_t due) {
  if (gate_ == nullptr || (handedOver_ && due == batchDue_)) return true;
  return followGate();
}

bool Player::followGate() {
  switch (gate_->presence()) {
    case TargetPresence::kInFront:
      resumeLocked();
      return true;
    case TargetPresence::kAway:
      pauseLocked();
      return false;
    case TargetPresence::kGone:
      // As a stop: the worker's next cycle closes the output and reports.
      playing_.store(false);
      return false;
  }
  return false;
}

void Player::pauseLocked() {
  if (!playing_.load() || paused_.load()) return;
  readClock();  // the song's time stands still from here
  paused_.store(true);
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->allNotesOff();
}

void Player::resumeLocked() {
  if (!paused_.load()) return;
  paused_.store(false);
  // The time away is not played: the next reading counts from now.
  lastReading_ = clock_.nowMillis();
  Synthesizer* output = output_.load();
  if (output == nullptr || (sounding_.none() && !sustainDown_)) return;
  // A batch of their own, before anything the song has due now.
  if (sustainDown_) output->hold(kSustainHeld, true);
  for (std::size_t key = 0; key < sounding_.size(); ++key) {
    if (sounding_[key]) output->noteOn(static_cast<std::uint8_t>(key));
  }
  output->flush();
}

void Player::endPlayback() {
  // Closing the output releases every key at once. What was handed over
  // before goes first, so the releases are a batch of their own.
  plan_ = PlaybackPlan{};
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->close();
  unreported_ = false;
  paused_.store(false);
  notifier_.playbackEnded();
}

}  // namespace murvane
