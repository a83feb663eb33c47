#pragma once

#include <condition_variable>
#include <mutex>

#include "playback/notifier.h"

namespace murvane::bench {

// Lets a benchmark wait for the end of one playback.
class EndSignal final : public PlaybackNotifier {
 public:
  void playbackEnded() override {
    std::lock_guard lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }
  void awaitEnd() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ended_; });
    ended_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ended_ = false;
};

}  // namespace murvane::bench
