#include "playback/player.h"

#include <algorithm>
#include <system_error>
#include <utility>

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

void Player::load(std::unique_ptr<SmfFile> file) {
  {
    std::lock_guard lock(mutex_);
    playing_.store(false);
  }
  if (wake_) wake_->signal();
  file_ = std::move(file);
  plannedWith_.reset();
  std::optional<PlaybackPlan> plan = planIfStale();
  std::lock_guard lock(mutex_);
  // Nothing plays now, so the worker does not look at the plan until the next start.
  std::swap(plan_, *plan);
}

LoadResult Player::loadFile(std::vector<std::uint8_t> image) {
  auto file = std::make_unique<SmfFile>();
  const LoadResult result = file->load(std::move(image));
  load(std::move(file));
  return result;
}

std::optional<PlaybackPlan> Player::planIfStale() {
  if (plannedWith_ && plannedWith_->options == options_ && plannedWith_->layout == layout_) return std::nullopt;
  plannedWith_ = PlannedWith{options_, layout_};
  if (!file_ || !file_->loaded()) return PlaybackPlan{};
  return planPlayback(*file_, options_, layout_ ? &*layout_ : nullptr);
}

bool Player::start(Synthesizer& output, TargetGate* gate) {
  if (!worker_.joinable() || !file_ || !file_->loaded()) return false;
  // Made before the lock: a playback that is winding down still steps
  // through the plan it has until the swap below. The replaced plan is freed
  // after the lock.
  std::optional<PlaybackPlan> plan = planIfStale();
  {
    std::lock_guard lock(mutex_);
    if (!output.open()) {
      if (plan) plannedWith_.reset();  // the plan in place is not the one made for these options
      return false;
    }
    if (plan) std::swap(plan_, *plan);
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
    planned_ = 0;
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
  const std::vector<KeyChange>& changes = plan_.keys.changes;
  // The song ends with its last event, which may come after its last key.
  // Checked again after every wait: a wait can end early (a signal given for
  // an earlier cycle), and a due time can lie beyond the longest wait.
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
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->close();
  unreported_ = false;
  paused_.store(false);
  notifier_.playbackEnded();
}

}  // namespace murvane
