#include "app/taskbar_progress.h"

#include <algorithm>

namespace murvane {

ProgressShown progressOf(const ControllerView& view, std::uint64_t position, std::uint64_t length) {
  const ControllerState state = stateOf(view);
  if (length == 0 || (state != ControllerState::kPlayingToKeys && state != ControllerState::kTestPlaying)) return {};
  return {view.paused ? ProgressState::kPaused : ProgressState::kPlaying, std::min(position, length), length};
}

}  // namespace murvane
