#include "playback/notifier_win32.h"

namespace murvane {
namespace {

class Win32PlaybackNotifier final : public PlaybackNotifier {
 public:
  explicit Win32PlaybackNotifier(HWND owner) : owner_(owner) {}
  void playbackEnded() override { PostMessageW(owner_, WM_APP, 0, 0); }

 private:
  HWND owner_;
};

}  // namespace

std::unique_ptr<PlaybackNotifier> makeWin32PlaybackNotifier(HWND owner) {
  return std::make_unique<Win32PlaybackNotifier>(owner);
}

}  // namespace murvane
