// How the player groups the notes it hands over: every note of one due
// millisecond, then one flush, before it waits or moves to a later time.
#include "playback/player.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bindings/binding_table.h"
#include "output/keyboard_synthesizer.h"
#include "tests/support/key_injector_double.h"
#include "tests/support/player_fixture.h"

namespace murvane::test {
namespace {

class PlayerBatchTest : public PlayerFixture {
 protected:
  PlayerBatchTest() { synth.recordFlushes = true; }

  // A chord of three at 0 ms; at 500 ms its three releases and a new note,
  // which ends at 750 ms (division 480, the default tempo).
  void loadChords() {
    load({TrackBytes().noteOn(0, 60).noteOn(0, 64).noteOn(0, 67).noteOff(480, 60).noteOff(0, 64).noteOff(0, 67)
              .noteOn(0, 72).noteOff(240, 72)});
  }
};

TEST_F(PlayerBatchTest, NotesOfOneDueMillisecondAreFlushedTogetherInEventOrder) {
  loadChords();
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 on 64", "0 on 67", "0 flush",                       //
                                "500 off 60", "500 off 64", "500 off 67", "500 on 72", "500 flush",  //
                                "750 off 72", "750 flush", "750 close", "750 ended"}));
}

TEST_F(PlayerBatchTest, AWorkerWakingLateFlushesEachDueTimeOnItsOwn) {
  loadChords();
  time.setAutoAdvance(false);
  ASSERT_TRUE(player->start(synth));
  ASSERT_EQ(time.awaitBlocked(), 500u);
  log.take();
  time.advance(1000);  // both later due times have passed when the worker wakes
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"1000 off 60", "1000 off 64", "1000 off 67", "1000 on 72", "1000 flush",
                                "1000 off 72", "1000 flush", "1000 close", "1000 ended"}));
}

TEST_F(PlayerBatchTest, AKeyEventHeldForTheGapJoinsTheNotesDueWithIt) {
  // Division 500 at the default tempo: one tick is one millisecond. The key
  // of 60 may come up only 30 ms after it went down, with the press of 64.
  load({TrackBytes().noteOn(0, 60).noteOff(10, 60).noteOn(20, 64).noteOff(70, 64)}, 500);
  PlayOptions options;
  options.repressGap = 30;
  play(options);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 flush", "30 off 60", "30 on 64", "30 flush", "100 off 64",
                                "100 flush", "100 close", "100 ended"}));
}

// The whole way to the platform: the keyboard output makes one injector call of each flush.
TEST_F(PlayerBatchTest, AChordReachesTheInjectorAsOneCallAndTheStopReleaseAsAnother) {
  BindingTable bindings;
  bindings.keys[60 - 48] = 0x51;  // Q
  bindings.keys[64 - 48] = 0x54;  // T
  bindings.keys[67 - 48] = 0x49;  // I
  RecordingKeyInjector injector;
  KeyboardSynthesizer keyboard(bindings, injector);
  // A chord held for seconds, stopped while held.
  load({TrackBytes().noteOn(0, 60).noteOn(0, 64).noteOn(0, 67).noteOff(4800, 60)});
  time.setAutoAdvance(false);
  startAndSettle(keyboard);
  player->stop();
  time.awaitBlocked();
  auto keys = [](std::initializer_list<std::uint8_t> virtualKeys, std::uint32_t flags) {
    std::vector<KeyEvent> events;
    for (std::uint8_t vk : virtualKeys) events.push_back(KeyEvent{vk, vk, flags});
    return events;
  };
  EXPECT_EQ(injector.log().batchSnapshot(),
            (std::vector<std::vector<KeyEvent>>{keys({0x51, 0x54, 0x49}, kKeyEventScanCode),
                                                keys({0x49, 0x51, 0x54}, kKeyEventScanCode | kKeyEventKeyUp)}));
}

}  // namespace
}  // namespace murvane::test
