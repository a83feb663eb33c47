#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "playback/clock.h"
#include "playback/notifier.h"
#include "playback/target_gate.h"
#include "playback/wake_event.h"
#include "tests/support/synthesizer_double.h"

namespace murvane::test {

// Time that only the test moves, and the worker's wake event, in one object so
// that a timed wait can be told apart from one that blocks.
//
// With auto-advance (the default) a timed wait moves time on to its end at
// once; otherwise it blocks until advance() reaches its end. A wait without
// limit always blocks until signalled. While held, no wait ends at all.
class FakeTime {
 public:
  // Close below the 32-bit wrap, so that every test crosses it.
  static constexpr std::uint64_t kOrigin = 0xFFFFFFFFull - 250;

  std::uint32_t nowMillis() {
    std::lock_guard lock(mutex_);
    return static_cast<std::uint32_t>(now_);
  }
  std::uint64_t sinceOrigin() {
    std::lock_guard lock(mutex_);
    return now_ - kOrigin;
  }
  void advance(std::uint64_t millis) {
    std::lock_guard lock(mutex_);
    now_ += millis;
    changed_.notify_all();
  }
  void setAutoAdvance(bool on) {
    std::lock_guard lock(mutex_);
    autoAdvance_ = on;
    changed_.notify_all();
  }
  void hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
  }
  void release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
  }

  void signal() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    ++signals_;
    changed_.notify_all();
  }

  void wait(std::uint32_t timeoutMillis) {
    std::unique_lock lock(mutex_);
    waiting_ = true;
    unlimited_ = timeoutMillis == WakeEvent::kInfinite;
    deadline_ = now_ + timeoutMillis;
    ++waits_;
    changed_.notify_all();
    changed_.wait(lock, [this] {
      if (held_) return false;
      if (signalled_) return true;
      if (unlimited_) return false;
      if (autoAdvance_ && now_ < deadline_) now_ = deadline_;
      return now_ >= deadline_;
    });
    signalled_ = false;
    waiting_ = false;
    changed_.notify_all();
  }

  // Blocks until the worker sits in a wait that only the test can end: by a
  // signal, advance() or release(). Returns what is left of that wait in
  // milliseconds, or kInfinite.
  std::uint64_t awaitBlocked() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return blocked(); });
    return unlimited_ ? WakeEvent::kInfinite : deadline_ - now_;
  }

  int signals() {
    std::lock_guard lock(mutex_);
    return signals_;
  }
  int waits() {
    std::lock_guard lock(mutex_);
    return waits_;
  }

 private:
  bool blocked() const {
    if (!waiting_) return false;
    if (held_) return true;
    if (signalled_) return false;
    return unlimited_ || (!autoAdvance_ && now_ < deadline_);
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t now_ = kOrigin;
  std::uint64_t deadline_ = 0;
  bool autoAdvance_ = true;
  bool held_ = false;
  bool signalled_ = false;
  bool waiting_ = false;
  bool unlimited_ = false;
  int signals_ = 0;
  int waits_ = 0;
};

class FakeClock final : public Clock {
 public:
  explicit FakeClock(FakeTime& time) : time_(time) {}
  std::uint32_t nowMillis() override { return time_.nowMillis(); }

 private:
  FakeTime& time_;
};

class FakeWake final : public WakeEvent {
 public:
  explicit FakeWake(FakeTime& time) : time_(time) {}
  void signal() override { time_.signal(); }
  void wait(std::uint32_t timeoutMillis) override { time_.wait(timeoutMillis); }

 private:
  FakeTime& time_;
};

using Lines = std::vector<std::string>;

// Everything the outputs and the notifier were told, one line each, as
// "<ms since the origin> <what>", in the order it happened.
class EventLog {
 public:
  explicit EventLog(FakeTime& time) : time_(time) {}
  void add(const std::string& what) {
    const std::uint64_t at = time_.sinceOrigin();
    std::lock_guard lock(mutex_);
    lines_.push_back(std::to_string(at) + " " + what);
  }
  std::vector<std::string> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::vector<std::string> take() {
    std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
  }
  // For a RecordingSynthesizer that writes here.
  RecordingSynthesizer::Sink sink() {
    return [this](const std::string& what) { add(what); };
  }

 private:
  FakeTime& time_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class LoggingNotifier final : public PlaybackNotifier {
 public:
  explicit LoggingNotifier(EventLog& log) : log_(log) {}
  void playbackEnded() override { log_.add("ended"); }

 private:
  EventLog& log_;
};

// Where the keys would land, as the test sets it; counts the questions.
class ScriptedGate final : public TargetGate {
 public:
  TargetPresence presence() override {
    ++asked_;
    return presence_.load();
  }
  void set(TargetPresence presence) { presence_.store(presence); }
  int asked() const { return asked_.load(); }

 private:
  std::atomic<TargetPresence> presence_{TargetPresence::kInFront};
  std::atomic<int> asked_{0};
};

}  // namespace murvane::test
