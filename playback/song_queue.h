#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace murvane {

// The queue's rules, apart from any window or player: given where the queue
// stands, which songs a move tries, in order. The caller loads each in turn
// and plays the first that loads; one that does not is skipped (its error
// shown in the list), so a queue of missing files never stops at a message.

// What happens at a song's end. Song is the Loop option, which the player
// itself carries out: the song never ends, so nothing advances.
enum class QueueLoop : std::uint8_t { kOff, kSong, kQueue };

enum class QueueMove : std::uint8_t {
  kEnded,     // the song played to keys came to its end
  kNext,      // the Next hotkey or button
  kPrevious,  // the Previous hotkey or button
};

struct QueueView {
  std::size_t count = 0;               // songs queued
  std::optional<std::size_t> current;  // the song loaded last; none before the first
  QueueLoop loop = QueueLoop::kOff;
  std::uint64_t playedMillis = 0;      // how far the current song has played (Previous)
};

// Previous starts the current song again once more than this has played.
inline constexpr std::uint64_t kRestartAfterMillis = 3000;

// The songs to try for the move, in order; empty: nothing plays on (the
// playback stops, or stays stopped).
//
// kEnded and kNext: the songs after the current one; in Queue loop every
// other song from the first after the last, then the current one again.
// kPrevious: the current one when more than 3 s of it have played, else
// those before it, nearest first (in Queue loop on from the last), and at
// the first song without the loop the first song again.
std::vector<std::size_t> songsToTry(QueueMove move, const QueueView& view);

// How a playback ended, as the end's notice finds it.
struct SongEnd {
  bool reachedEnd = false;  // the song's own end (or a seek past it): no stop, no target gone
  bool toKeys = false;      // played to keys, not the file test
};

// The wait before the queue moves on, in milliseconds (SongGap), or none:
// only a song played to keys that came to its end moves on, and only when a
// song is left to try. Any user action meanwhile ends the wait.
std::optional<std::uint32_t> advanceAfter(const SongEnd& end, const QueueView& view, int songGapMillis);

// Where the current song is after songs before it were taken out (`removed`
// in ascending order, each below count): none when it was one of them.
std::optional<std::size_t> currentAfterRemoval(std::optional<std::size_t> current,
                                               const std::vector<std::size_t>& removed);

}  // namespace murvane
