#include "playback/live_key_output.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "tests/support/playback_doubles.h"

namespace murvane::test {
namespace {

class LiveKeyOutputTest : public ::testing::Test {
 protected:
  LiveKeyOutputTest() { time.setAutoAdvance(false); }

  void configure(int gap, int transpose = 0, bool fold = false) {
    PlayOptions options;
    options.repressGap = gap;
    options.transpose = transpose;
    options.foldOctaves = fold;
    live->setOptions(options);
    if (gap > 0) time.awaitBlocked();
  }
  // Moves time on and lets our thread send what has become due.
  void advance(std::uint64_t millis) {
    time.advance(millis);
    time.awaitBlocked();
  }
  Lines lines() { return log.lines(); }

  FakeTime time;
  EventLog log{time};
  FakeClock clock{time};
  RecordingSynthesizer keyboard{log.sink()};
  std::unique_ptr<LiveKeyOutput> live = std::make_unique<LiveKeyOutput>(keyboard, clock, std::make_unique<FakeWake>(time));
};

TEST_F(LiveKeyOutputTest, DefaultOptionsPassEveryCallStraightThrough) {
  configure(0);
  live->noteOn(60);
  live->noteOn(60);
  live->noteOff(60);
  live->noteOff(61);
  EXPECT_TRUE(live->open());
  live->allNotesOff();
  live->close();
  EXPECT_EQ(lines(), (Lines{"0 on 60", "0 on 60", "0 off 60", "0 off 61", "0 open", "0 all off", "0 close"}));
  EXPECT_EQ(time.waits(), 0);  // no thread of ours without a gap
}

TEST_F(LiveKeyOutputTest, LiveNotesAreTransposedAndFolded) {
  configure(0, 12, true);
  live->noteOn(60);
  live->noteOn(84);   // 96 folds to 84
  live->noteOn(30);   // 42 folds to 54
  live->noteOff(30);
  live->noteOff(31);  // no note-on: nothing to release
  EXPECT_EQ(lines(), (Lines{"0 on 72", "0 on 84", "0 on 54", "0 off 54"}));
}

TEST_F(LiveKeyOutputTest, ARepeatedLiveNoteIsPressedAgainOneGapLaterFromOurThread) {
  configure(30);
  live->noteOn(60);
  advance(100);
  live->noteOff(60);
  live->noteOn(60);
  EXPECT_EQ(time.awaitBlocked(), 30u);
  advance(30);
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  live->noteOff(60);  // no sooner than one gap after the press
  EXPECT_EQ(time.awaitBlocked(), 30u);
  advance(30);
  EXPECT_EQ(lines(), (Lines{"0 on 60", "100 off 60", "130 on 60", "160 off 60"}));
}

TEST_F(LiveKeyOutputTest, HeldEventsOurThreadSendsLateAreFlushedOnePerDueTime) {
  configure(30);
  keyboard.recordFlushes = true;
  live->noteOn(60);
  advance(15);
  live->noteOn(62);
  advance(5);
  live->noteOff(60);  // held until 30
  live->noteOff(62);  // held until 45
  EXPECT_EQ(time.awaitBlocked(), 10u);
  log.take();
  advance(50);  // our thread wakes only after both were due
  EXPECT_EQ(lines(), (Lines{"70 off 60", "70 flush", "70 off 62", "70 flush"}));
}

TEST_F(LiveKeyOutputTest, AnEarlierHeldEventWakesOurThreadSooner) {
  configure(50);
  live->noteOn(60);
  advance(10);
  live->noteOff(60);  // held to 50
  EXPECT_EQ(time.awaitBlocked(), 40u);
  live->noteOn(62);
  advance(5);
  live->noteOff(62);  // held to 60: no sooner
  EXPECT_EQ(time.awaitBlocked(), 35u);
  advance(35);
  EXPECT_EQ(time.awaitBlocked(), 10u);
  advance(10);
  EXPECT_EQ(lines(), (Lines{"0 on 60", "10 on 62", "50 off 60", "60 off 62"}));
}

TEST_F(LiveKeyOutputTest, ReleasingEverythingDropsAHeldPressSoNothingIsPressedAfterwards) {
  for (bool byClose : {false, true}) {
    configure(30);
    live->noteOn(60);
    advance(100);
    live->noteOff(60);
    live->noteOn(60);  // the press again is held to 130
    if (byClose) {
      live->close();
    } else {
      live->allNotesOff();
    }
    advance(1000);
    const Lines sent = log.take();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent.back().substr(sent.back().find(' ') + 1), byClose ? "close" : "all off");
  }
}

TEST_F(LiveKeyOutputTest, GuardedInputTypesNothingWhileAwayAndReleasesEverythingWhenTheTargetLeaves) {
  for (int gap : {0, 30}) {
    SCOPED_TRACE("gap " + std::to_string(gap));
    ScriptedGate gate;
    configure(gap);
    live->setTargetGate(&gate);
    live->noteOn(60);
    gate.set(TargetPresence::kAway);
    live->noteOn(62);
    live->noteOff(62);
    gate.set(TargetPresence::kGone);  // its closing is the controller's to act on
    live->noteOn(64);
    EXPECT_TRUE(live->paused());
    gate.set(TargetPresence::kInFront);
    live->noteOn(65);  // nothing struck while away comes back
    EXPECT_FALSE(live->paused());
    EXPECT_EQ(log.take(), (Lines{"0 on 60", "0 all off", "0 on 65"}));
    live->setTargetGate(nullptr);
    live->allNotesOff();
    log.take();
  }
}

TEST_F(LiveKeyOutputTest, FollowTargetReleasesAtOnceAndDropsAHeldPress) {
  ScriptedGate gate;
  configure(30);
  live->setTargetGate(&gate);
  live->noteOn(60);
  advance(100);
  live->noteOff(60);
  live->noteOn(60);  // held to 130
  gate.set(TargetPresence::kAway);
  live->followTarget();
  live->followTarget();  // released once
  advance(1000);
  EXPECT_EQ(lines(), (Lines{"0 on 60", "100 off 60", "100 all off"}));
}

TEST_F(LiveKeyOutputTest, DestroyingItEndsOurThreadMidWait) {
  configure(30);
  live->noteOn(60);
  live->noteOff(60);
  EXPECT_EQ(time.awaitBlocked(), 30u);
  live.reset();
  EXPECT_EQ(log.lines(), (Lines{"0 on 60"}));
}

TEST_F(LiveKeyOutputTest, ALayoutFoldsIntoItsKeysAndCountsNotesOnOneKeyAsOneKey) {
  const KeyLayout piano = builtInLayout(L"piano61").value();
  PlayOptions options;
  options.layout = L"piano61";
  options.repressGap = 30;
  options.foldOctaves = true;
  live->setOptions(options, &piano);
  time.awaitBlocked();
  live->noteOn(36);   // C2 on "1"
  live->noteOn(120);  // folds to C7 (96)
  advance(100);
  live->noteOn(25);  // C#1 folds to C#2, Shift+1: the same key, struck again
  advance(30);
  advance(70);
  live->noteOff(36);
  live->noteOff(25);
  live->noteOff(120);
  // The key goes up at once and down one gap later as the note that struck
  // it; it comes up when both notes have ended.
  EXPECT_EQ(lines(), (Lines{"0 on 36", "0 on 96", "100 off 37", "130 on 37", "200 off 37", "200 off 96"}));
}

TEST_F(LiveKeyOutputTest, LiveNotesAreTappedAndAnInnerVoiceGivesWayToMaxKeys) {
  PlayOptions options;
  options.pressLength = 50;
  options.maxKeys = 2;
  options.chordSpread = 20;  // needs the notes ahead: not live
  live->setOptions(options);
  time.awaitBlocked();
  live->noteOn(60);
  live->noteOn(64);
  live->noteOn(67);  // above both: the inner voice, 64, is let go
  live->noteOff(64);
  advance(50);       // every key tapped for 50 ms, whatever its note does
  live->noteOn(72);
  live->noteOn(48);
  live->noteOn(60);  // between the two: dropped, and its release with it
  live->noteOff(60);
  live->noteOff(67);
  advance(50);
  EXPECT_EQ(lines(), (Lines{"0 on 60", "0 on 64", "0 off 64", "0 on 67", "50 off 60", "50 off 67", "50 on 72",
                            "50 on 48", "100 off 48", "100 off 72"}));
}

}  // namespace
}  // namespace murvane::test
