#pragma once

#include <cstdint>

#include "app/controller.h"

namespace murvane {

// What the main window's taskbar button shows of a song that plays: how far
// it has come, normal while playing, paused while paused, nothing otherwise.
enum class ProgressState : std::uint8_t { kNone, kPlaying, kPaused };

struct ProgressShown {
  ProgressState state = ProgressState::kNone;
  std::uint64_t done = 0;   // ms of the song played
  std::uint64_t total = 0;  // ms of the whole song

  bool operator==(const ProgressShown&) const = default;
};

// From the state of the main window and the song's position and length (in
// the same milliseconds). MIDI input and a song without length show nothing.
ProgressShown progressOf(const ControllerView& view, std::uint64_t position, std::uint64_t length);

// The shell's taskbar button, or nothing where the shell has none to give.
class TaskbarProgress {
 public:
  virtual ~TaskbarProgress() = default;
  virtual void show(const ProgressShown& shown) = 0;
};

}  // namespace murvane
