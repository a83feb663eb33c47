#include "smf/wake_event.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace murvane {
namespace {

class StdWakeEvent final : public WakeEvent {
 public:
  void signal() override {
    {
      std::lock_guard lock(mutex_);
      signalled_ = true;
    }
    condition_.notify_one();
  }

  void wait(std::uint32_t timeoutMillis) override {
    std::unique_lock lock(mutex_);
    if (timeoutMillis == kInfinite) {
      condition_.wait(lock, [this] { return signalled_; });
    } else {
      using namespace std::chrono;
      const auto tick = floor<milliseconds>(steady_clock::now());
      condition_.wait_until(lock, tick + milliseconds(timeoutMillis), [this] { return signalled_; });
    }
    signalled_ = false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable condition_;
  bool signalled_ = false;
};

}  // namespace

std::unique_ptr<WakeEvent> makeStdWakeEvent() { return std::make_unique<StdWakeEvent>(); }

}  // namespace murvane
