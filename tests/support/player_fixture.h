#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "playback/player.h"
#include "tests/support/playback_doubles.h"
#include "tests/support/smf_bytes.h"
#include "tests/support/synthesizer_double.h"

namespace murvane::test {

// A player on fake time whose output and notifier write into one log.
class PlayerFixture : public ::testing::Test {
 protected:
  // Loads the tracks and waits until the worker has seen the new file.
  void load(std::initializer_list<TrackBytes> tracks, std::uint16_t division = 480) {
    ASSERT_EQ(player->loadFile(smfImage(division, tracks)), LoadResult::kOk);
    time.awaitBlocked();
  }
  // Starts into `output` and lets the worker run until nothing but the test can move it on.
  void startAndSettle(Synthesizer& output) {
    ASSERT_TRUE(player->start(output));
    time.awaitBlocked();
  }
  // Lets the worker run until `at` (ms since the origin), with time moving
  // only to each due time and then to `at`; the worker then waits. For a
  // test that has turned auto-advance off.
  void runTo(std::uint64_t at) {
    for (;;) {
      const std::uint64_t left = time.awaitBlocked();
      const std::uint64_t now = time.sinceOrigin();
      if (left == WakeEvent::kInfinite || now + left > at) {
        time.advance(at - now);
        return;
      }
      time.advance(left);
    }
  }
  void play(const PlayOptions& options) {
    player->setOptions(options);
    startAndSettle(synth);
  }

  FakeTime time;
  EventLog log{time};
  FakeClock clock{time};
  LoggingNotifier notifier{log};
  RecordingSynthesizer synth{log.sink()};
  std::unique_ptr<Player> player = std::make_unique<Player>(notifier, clock, std::make_unique<FakeWake>(time));
};

}  // namespace murvane::test
