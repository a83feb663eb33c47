#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "tests/support/player_fixture.h"

namespace murvane::test {
namespace {

// A chord, a note over it, a note alone: keys sounding at every moment, and
// due times every 500 ms, so that no pause below falls on one.
const TrackBytes kSong = TrackBytes()
                             .noteOn(0, 60)
                             .noteOn(0, 64)
                             .noteOn(480, 67)
                             .noteOff(480, 60)
                             .noteOff(0, 64)
                             .noteOn(480, 72)
                             .noteOff(480, 67)
                             .noteOff(480, 72);

struct Pause {
  std::uint64_t at;  // song time, ms from the start
  std::uint64_t length;
};

PlayOptions eventPath() { return PlayOptions{}; }
PlayOptions planPath() {
  PlayOptions options;
  options.foldOctaves = true;  // moves none of these notes, but plans them
  return options;
}

std::uint64_t timeOf(const std::string& line) { return std::stoull(line); }
std::string whatOf(const std::string& line) { return line.substr(line.find(' ') + 1); }

class PausePlaybackTest : public PlayerFixture {
 protected:
  // The whole song with the pauses, its lines timed from the start.
  Lines playWithPauses(const PlayOptions& options, const std::vector<Pause>& pauses, TargetGate* gate = nullptr) {
    load({kSong});
    time.setAutoAdvance(pauses.empty());
    player->setOptions(options);
    start_ = time.sinceOrigin();
    EXPECT_TRUE(player->start(synth, gate));
    std::uint64_t away = 0;
    for (std::size_t i = 0; i < pauses.size(); ++i) {
      runTo(start_ + pauses[i].at + away);
      player->pause();
      EXPECT_TRUE(player->paused());
      EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite) << "a paused worker waits for nothing but a resume";
      time.advance(pauses[i].length);
      away += pauses[i].length;
      if (i + 1 == pauses.size()) time.setAutoAdvance(true);
      player->resume();
    }
    time.awaitBlocked();
    return linesFromStart();
  }

  // The song started against `gate`, time moving only to its due times,
  // until `at` ms into it.
  void startToMoment(TargetGate& gate, std::uint64_t at) {
    load({kSong});
    time.setAutoAdvance(false);
    start_ = time.sinceOrigin();
    ASSERT_TRUE(player->start(synth, &gate));
    runTo(start_ + at);
  }

  Lines linesFromStart() {
    Lines lines = log.take();
    for (std::string& line : lines) line = std::to_string(timeOf(line) - start_) + " " + whatOf(line);
    return lines;
  }

  std::uint64_t start_ = 0;
};

// What the pauses must make of a run without them: at each pause every key
// up at once; at its end the keys sounding then down again, as a batch of
// their own; everything after it later by the time paused, exactly.
Lines expectedWithPauses(const Lines& unpaused, const std::vector<Pause>& pauses) {
  Lines expected;
  std::bitset<128> sounding;
  std::uint64_t away = 0;
  std::size_t next = 0;
  for (const std::string& line : unpaused) {
    const std::uint64_t at = timeOf(line);
    for (; next < pauses.size() && pauses[next].at < at; ++next) {
      expected.push_back(std::to_string(pauses[next].at + away) + " all off");
      away += pauses[next].length;
      for (std::size_t note = 0; note < sounding.size(); ++note) {
        if (sounding[note]) expected.push_back(std::to_string(pauses[next].at + away) + " on " + std::to_string(note));
      }
    }
    const std::string what = whatOf(line);
    if (what.rfind("on ", 0) == 0) sounding.set(std::stoul(what.substr(3)));
    if (what.rfind("off ", 0) == 0) sounding.reset(std::stoul(what.substr(4)));
    expected.push_back(std::to_string(at + away) + " " + what);
  }
  return expected;
}

TEST_F(PausePlaybackTest, ResumePressesTheSoundingKeysAndShiftsLaterDueTimesByThePause) {
  const std::vector<std::vector<Pause>> cases = {
      {{700, 2000}},                              // with the chord and the note over it down
      {{250, 30}, {1250, 1}},                     // two, one of a single millisecond
      {{1800, 5000}, {2100, 333}, {2400, 77}},    // one key down at each
      {{20, 90000}},                              // long: any drift would show
  };
  for (const PlayOptions& options : {eventPath(), planPath()}) {
    SCOPED_TRACE(options.foldOctaves ? "planned" : "as read");
    const Lines unpaused = playWithPauses(options, {});
    ASSERT_EQ(unpaused.back(), "2500 ended");
    for (const std::vector<Pause>& pauses : cases) {
      SCOPED_TRACE("first pause at " + std::to_string(pauses.front().at));
      EXPECT_EQ(playWithPauses(options, pauses), expectedWithPauses(unpaused, pauses));
    }
  }
}

TEST_F(PausePlaybackTest, ResumedKeysGoOutAsABatchOfTheirOwn) {
  synth.recordFlushes = true;
  const Lines lines = playWithPauses(eventPath(), {{700, 100}});
  const auto pause = std::find(lines.begin(), lines.end(), "700 all off");
  ASSERT_NE(pause, lines.end());
  EXPECT_EQ(Lines(pause, pause + 6), (Lines{"700 all off", "800 on 60", "800 on 64", "800 on 67", "800 flush", "1100 off 60"}));
}

TEST_F(PausePlaybackTest, PauseAndResumeDoNothingOutsideTheirState) {
  load({kSong});
  player->pause();
  player->resume();
  EXPECT_FALSE(player->paused());
  start_ = time.sinceOrigin();
  time.setAutoAdvance(false);
  ASSERT_TRUE(player->start(synth));
  runTo(start_ + 700);
  player->resume();  // not paused: presses nothing
  player->pause();
  player->pause();  // paused already: releases nothing twice
  time.awaitBlocked();
  EXPECT_EQ(linesFromStart(), (Lines{"0 open", "0 on 60", "0 on 64", "500 on 67", "700 all off"}));
  player->stop();
  time.awaitBlocked();
  EXPECT_FALSE(player->paused());
  EXPECT_EQ(linesFromStart(), (Lines{"700 close", "700 ended"}));
}

TEST_F(PausePlaybackTest, AWindowInFrontAtABatchPausesBeforeItAndTheTargetBackResumes) {
  ScriptedGate gate;
  for (const PlayOptions& options : {eventPath(), planPath()}) {
    SCOPED_TRACE(options.foldOctaves ? "planned" : "as read");
    load({kSong});
    player->setOptions(options);
    time.setAutoAdvance(false);
    gate.set(TargetPresence::kInFront);
    start_ = time.sinceOrigin();
    ASSERT_TRUE(player->start(synth, &gate));
    runTo(start_ + 700);
    gate.set(TargetPresence::kAway);
    runTo(start_ + 3000);
    EXPECT_TRUE(player->paused());
    gate.set(TargetPresence::kInFront);
    time.setAutoAdvance(true);
    player->followTarget();
    time.awaitBlocked();
    // The batch of 1000 ms never went out while away; it is due at once
    // after the keys that sounded before it.
    EXPECT_EQ(linesFromStart(), (Lines{"0 open", "0 on 60", "0 on 64", "500 on 67", "1000 all off", "3000 on 60",
                                       "3000 on 64", "3000 on 67", "3000 off 60", "3000 off 64", "3500 on 72",
                                       "4000 off 67", "4500 off 72", "4500 close", "4500 ended"}));
  }
}

TEST_F(PausePlaybackTest, TheGateIsAskedOncePerBatchNotPerKey) {
  for (const PlayOptions& options : {eventPath(), planPath()}) {
    ScriptedGate gate;
    load({kSong});
    player->setOptions(options);
    ASSERT_TRUE(player->start(synth, &gate));
    time.awaitBlocked();
    EXPECT_EQ(gate.asked(), 6);  // the due times 0, 500, ... 2500
  }
}

TEST_F(PausePlaybackTest, FollowTargetPausesAtOnceAndATargetGoneStopsThePlayback) {
  ScriptedGate gate;
  startToMoment(gate, 700);
  gate.set(TargetPresence::kAway);
  player->followTarget();
  EXPECT_TRUE(player->paused());
  runTo(start_ + 900);
  gate.set(TargetPresence::kGone);
  player->followTarget();
  time.awaitBlocked();
  EXPECT_FALSE(player->playing());
  EXPECT_EQ(linesFromStart(), (Lines{"0 open", "0 on 60", "0 on 64", "500 on 67", "700 all off", "900 close",
                                     "900 ended"}));
}

TEST_F(PausePlaybackTest, ATargetGoneBeforeABatchEndsThePlaybackThere) {
  ScriptedGate gate;
  startToMoment(gate, 700);
  gate.set(TargetPresence::kGone);
  time.setAutoAdvance(true);
  time.awaitBlocked();
  EXPECT_EQ(linesFromStart(), (Lines{"0 open", "0 on 60", "0 on 64", "500 on 67", "1000 close", "1000 ended"}));
}

TEST_F(PausePlaybackTest, AResumeWithALayoutPressesTheSustainKeyAgainWithItsNotes) {
  const KeyLayout piano = builtInLayout(L"piano61").value();
  load({TrackBytes().event(0, {0xB0, 64, 127}).noteOn(0, 61).noteOff(960, 61).event(0, {0xB0, 64, 0})});
  PlayOptions options;
  options.layout = L"piano61";
  player->setOptions(options, &piano);
  time.setAutoAdvance(false);
  start_ = time.sinceOrigin();
  ASSERT_TRUE(player->start(synth));
  runTo(start_ + 300);
  player->pause();
  time.advance(200);
  time.setAutoAdvance(true);
  player->resume();
  time.awaitBlocked();
  EXPECT_EQ(linesFromStart(), (Lines{"0 open", "0 hold sustain down", "0 on 61", "300 all off", "500 hold sustain down",
                                     "500 on 61", "1200 hold sustain up", "1200 off 61", "1200 close", "1200 ended"}));
}

}  // namespace
}  // namespace murvane::test
