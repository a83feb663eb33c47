#include "playback/song_queue.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace murvane {
namespace {

using Songs = std::vector<std::size_t>;

struct MoveCase {
  const char* name;
  QueueMove move;
  QueueView view;
  Songs tried;
};

TEST(SongQueueTest, EachMoveTriesTheSongsOfItsRuleInOrder) {
  using enum QueueMove;
  constexpr auto kOff = QueueLoop::kOff;
  constexpr auto kQueue = QueueLoop::kQueue;
  const MoveCase cases[] = {
      {"end: the rest of the queue", kEnded, {4, 1, kOff}, {2, 3}},
      {"end of the last: nothing", kEnded, {4, 3, kOff}, {}},
      {"end of the only song: nothing", kEnded, {1, 0, kOff}, {}},
      {"end in Song loop: as Off (the player loops the song itself)", kEnded, {4, 3, QueueLoop::kSong}, {}},
      {"end of the last in Queue loop: from the first, the same song last", kEnded, {3, 2, kQueue}, {0, 1, 2}},
      {"end in Queue loop: round to itself", kEnded, {3, 1, kQueue}, {2, 0, 1}},
      {"one song in Queue loop: itself again", kEnded, {1, 0, kQueue}, {0}},
      {"next: as the end", kNext, {4, 1, kOff}, {2, 3}},
      {"next at the last: stops", kNext, {4, 3, kOff}, {}},
      {"nothing loaded yet: the first, and on", kNext, {3, std::nullopt, kOff}, {0, 1, 2}},
      {"a queue emptied: nothing", kNext, {0, std::nullopt, kOff}, {}},
      {"previous within 3 s: the ones before, nearest first", kPrevious, {4, 2, kOff, 3000}, {1, 0, 2}},
      {"previous after 3 s: the same song again", kPrevious, {4, 2, kOff, 3001}, {2}},
      {"previous at the first: the first again", kPrevious, {4, 0, kOff, 10}, {0}},
      {"previous at the first in Queue loop: from the last", kPrevious, {4, 0, kQueue, 10}, {3, 2, 1, 0}},
      {"previous in Queue loop: round to itself", kPrevious, {4, 2, kQueue, 0}, {1, 0, 3, 2}},
  };
  for (const MoveCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(songsToTry(c.move, c.view), c.tried);
  }
}

// Only a song played to keys that came to its own end moves on: never
// after a stop, a target gone or the file test, and never past the end
// without the loop.
TEST(SongQueueTest, TheQueueMovesOnAfterTheGapOnlyFromTheEndOfASongPlayedToKeys) {
  const QueueView more{3, 0, QueueLoop::kOff};
  const QueueView last{3, 2, QueueLoop::kOff};
  const QueueView round{3, 2, QueueLoop::kQueue};
  EXPECT_EQ(advanceAfter({true, true}, more, 500), 500u);
  EXPECT_EQ(advanceAfter({true, true}, round, 0), 0u);
  EXPECT_EQ(advanceAfter({true, true}, last, 2000), std::nullopt);
  EXPECT_EQ(advanceAfter({false, true}, more, 2000), std::nullopt);
  EXPECT_EQ(advanceAfter({true, false}, more, 2000), std::nullopt);
}

TEST(SongQueueTest, TheCurrentSongKeepsItsPlaceWhenOthersAreTakenOut) {
  EXPECT_EQ(currentAfterRemoval(3, {0, 1}), 1u);
  EXPECT_EQ(currentAfterRemoval(3, {4, 5}), 3u);
  EXPECT_EQ(currentAfterRemoval(3, {1, 3}), std::nullopt);
}

}  // namespace
}  // namespace murvane
