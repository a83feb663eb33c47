#pragma once

namespace murvane {

// Told once per playback, from the player's worker, when playback has ended
// (end of the file or a stop) and the output has been closed. It must not
// wait for the thread that drives the player.
class PlaybackNotifier {
 public:
  virtual ~PlaybackNotifier() = default;
  virtual void playbackEnded() = 0;
};

}  // namespace murvane
