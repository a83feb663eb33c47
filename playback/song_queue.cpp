#include "playback/song_queue.h"

#include <algorithm>

namespace murvane {

std::vector<std::size_t> songsToTry(QueueMove move, const QueueView& view) {
  std::vector<std::size_t> songs;
  if (view.count == 0) return songs;
  const bool wraps = view.loop == QueueLoop::kQueue;
  // Before the first song there is nothing to go back from: the first is next.
  if (!view.current || *view.current >= view.count) {
    if (move == QueueMove::kPrevious) return {0};
    for (std::size_t i = 0; i < view.count; ++i) songs.push_back(i);
    return songs;
  }
  const std::size_t current = *view.current;
  if (move == QueueMove::kPrevious) {
    if (view.playedMillis > kRestartAfterMillis) return {current};
    for (std::size_t i = current; i-- > 0;) songs.push_back(i);
    if (wraps) {
      for (std::size_t i = view.count; i-- > current;) songs.push_back(i);
    } else {
      // Nothing before it may load: the current song is the one left.
      songs.push_back(current);
    }
    return songs;
  }
  for (std::size_t i = current + 1; i < view.count; ++i) songs.push_back(i);
  if (wraps) {
    for (std::size_t i = 0; i <= current; ++i) songs.push_back(i);
  }
  return songs;
}

std::optional<std::uint32_t> advanceAfter(const SongEnd& end, const QueueView& view, int songGapMillis) {
  if (!end.reachedEnd || !end.toKeys || songsToTry(QueueMove::kEnded, view).empty()) return std::nullopt;
  return static_cast<std::uint32_t>(std::max(songGapMillis, 0));
}

std::optional<std::size_t> currentAfterRemoval(std::optional<std::size_t> current,
                                               const std::vector<std::size_t>& removed) {
  if (!current) return std::nullopt;
  if (std::binary_search(removed.begin(), removed.end(), *current)) return std::nullopt;
  const auto before = std::lower_bound(removed.begin(), removed.end(), *current) - removed.begin();
  return *current - static_cast<std::size_t>(before);
}

}  // namespace murvane
