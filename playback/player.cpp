#include "playback/player.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace murvane {
namespace {

// Between the end of a round and the next, when the song loops.
constexpr std::uint32_t kLoopGapMillis = 1000;

}  // namespace

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
  // The loop and the seek step are read at a start; they leave the plan as it is.
  if (plannedWith_ && planningPart(plannedWith_->options) == planningPart(options_) && plannedWith_->layout == layout_) {
    return std::nullopt;
  }
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
    pauseReasons_ = 0;
    paused_.store(false);
    pausedByUser_.store(false);
    // The plan in place was made at the options' speed.
    startSpeed_.store(options_.speed);
    speed_.store(options_.speed);
    loop_ = options_.loop;
    reachedEnd_.store(false);
    nextRoundAt_.reset();
    playedMillis_ = 0;
    scaledRemainder_ = 0;
    wallMillis_ = 0;
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
    pauseLocked(kUserPause);
  }
  // Its timed wait is for a key that is not due while paused.
  if (wake_) wake_->signal();
}

void Player::resume() {
  {
    std::lock_guard lock(mutex_);
    resumeLocked(kUserPause);
  }
  // The worker sleeps without limit while paused.
  if (wake_) wake_->signal();
}

void Player::seek(std::uint64_t positionMillis) {
  {
    std::lock_guard lock(mutex_);
    seekLocked(positionMillis);
  }
  // The worker's timed wait is for a key of the old position.
  if (wake_) wake_->signal();
}

void Player::seekBy(std::int64_t deltaMillis) {
  {
    std::lock_guard lock(mutex_);
    if (!playing_.load()) return;
    if (!paused_.load()) readClock();
    const std::uint64_t now = playedMillis_;
    const std::uint64_t back = deltaMillis < 0 ? static_cast<std::uint64_t>(-deltaMillis) : 0;
    seekLocked(deltaMillis < 0 ? (back >= now ? 0 : now - back) : now + static_cast<std::uint64_t>(deltaMillis));
  }
  if (wake_) wake_->signal();
}

std::uint64_t Player::positionMillis() {
  std::lock_guard lock(mutex_);
  if (!playing_.load()) return 0;
  if (!paused_.load()) readClock();
  return std::min(playedMillis_, plan_.endMillis);
}

std::uint64_t Player::lengthMillis() {
  std::lock_guard lock(mutex_);
  return plan_.endMillis;
}

void Player::setSpeed(int percent) {
  {
    std::lock_guard lock(mutex_);
    if (!playing_.load()) return;
    // The time played so far counts at the old speed; paused, the clock
    // must not be read at all.
    if (!paused_.load()) readClock();
    speed_.store(std::clamp(percent, kSlowestSpeed, kFastestSpeed));
  }
  // The worker's timed wait was worked out at the old speed.
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
  if (nextRoundAt_) {
    readClock();
    if (wallMillis_ < *nextRoundAt_) {
      return static_cast<std::uint32_t>(std::min<std::uint64_t>(*nextRoundAt_ - wallMillis_, WakeEvent::kLongestTimedWait));
    }
    // A new round, as a new start: from the beginning at the time it begins.
    nextRoundAt_.reset();
    planned_ = 0;
    playedMillis_ = 0;
    scaledRemainder_ = 0;
  }
  const std::vector<KeyChange>& changes = plan_.keys.changes;
  // The song ends with its last event, which may come after its last key.
  // Checked again after every wait: a wait can end early (a signal given for
  // an earlier cycle), and a due time can lie beyond the longest wait.
  const std::uint64_t due = planned_ < changes.size() ? changes[planned_].atMillis : plan_.endMillis;
  if (due > playedMillis_) {
    if (const std::uint32_t wait = waitFor(due)) return wait;
  }
  if (planned_ == changes.size()) return endRound();
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
  // The clock's milliseconds until the plan's `due`, rounded up so that the
  // wait never ends before it.
  const auto speed = static_cast<std::uint64_t>(speed_.load());
  const auto base = static_cast<std::uint64_t>(startSpeed_.load());
  const std::uint64_t left = (due - playedMillis_) * base - scaledRemainder_;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>((left + speed - 1) / speed, WakeEvent::kLongestTimedWait));
}

void Player::readClock() {
  const std::uint32_t reading = clock_.nowMillis();
  const std::uint32_t elapsed = reading - lastReading_;
  lastReading_ = reading;
  wallMillis_ += elapsed;
  // At the start's speed this adds exactly `elapsed`.
  const auto base = static_cast<std::uint64_t>(startSpeed_.load());
  const std::uint64_t scaled = elapsed * static_cast<std::uint64_t>(speed_.load()) + scaledRemainder_;
  playedMillis_ += scaled / base;
  scaledRemainder_ = scaled % base;
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
      resumeLocked(kGuardPause);
      return !paused_.load();  // the user's pause still holds
    case TargetPresence::kAway:
      pauseLocked(kGuardPause);
      return false;
    case TargetPresence::kGone:
      // As a stop: the worker's next cycle closes the output and reports.
      playing_.store(false);
      return false;
  }
  return false;
}

void Player::pauseLocked(PauseReason reason) {
  if (!playing_.load()) return;
  const bool wasPaused = pauseReasons_ != 0;
  pauseReasons_ |= reason;
  pausedByUser_.store((pauseReasons_ & kUserPause) != 0);
  if (wasPaused) return;
  readClock();  // the song's time stands still from here
  paused_.store(true);
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->allNotesOff();
}

void Player::resumeLocked(PauseReason reason) {
  if ((pauseReasons_ & reason) == 0) return;
  pauseReasons_ &= static_cast<std::uint8_t>(~reason);
  pausedByUser_.store((pauseReasons_ & kUserPause) != 0);
  if (pauseReasons_ != 0) return;
  paused_.store(false);
  // The time away is not played: the next reading counts from now.
  lastReading_ = clock_.nowMillis();
  pressSounding();
}

void Player::seekLocked(std::uint64_t positionMillis) {
  if (!playing_.load()) return;
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->allNotesOff();
  nextRoundAt_.reset();
  sounding_.reset();
  sustainDown_ = false;
  scaledRemainder_ = 0;
  lastReading_ = clock_.nowMillis();
  if (positionMillis >= plan_.endMillis) {
    // As the song's own end: the worker's next cycle ends the playback, or
    // the round when it loops (after a resume, if paused).
    planned_ = plan_.keys.changes.size();
    playedMillis_ = plan_.endMillis;
    if (!loop_) {
      reachedEnd_.store(true);
      playing_.store(false);
    }
    return;
  }
  const PlanPosition position = positionIn(plan_.keys, positionMillis);
  sounding_ = position.keys;
  sustainDown_ = position.sustainDown;
  planned_ = position.next;
  playedMillis_ = positionMillis;
  // Paused, the resume presses them.
  if (!paused_.load()) pressSounding();
}

std::uint32_t Player::endRound() {
  if (!loop_) {
    reachedEnd_.store(true);
    playing_.store(false);
    endPlayback();
    return WakeEvent::kInfinite;
  }
  // Every key up before the second between rounds; the output stays open.
  flushOutput();
  Synthesizer* output = output_.load();
  if (output != nullptr) output->allNotesOff();
  sounding_.reset();
  sustainDown_ = false;
  readClock();
  nextRoundAt_ = wallMillis_ + kLoopGapMillis;
  return kLoopGapMillis;
}

void Player::pressSounding() {
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
  pauseReasons_ = 0;
  paused_.store(false);
  pausedByUser_.store(false);
  nextRoundAt_.reset();
  notifier_.playbackEnded();
}

}  // namespace murvane
