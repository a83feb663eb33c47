#include "keyplan/repress_gap.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

#include "tests/support/gap_rules.h"

namespace murvane {
namespace {

// One step of a script: a note event at a time, or "run to" a time.
struct Step {
  enum Kind { kOn, kOff, kRunTo } kind;
  std::uint64_t at;
  std::uint8_t key = 0;
};

using Sent = std::vector<std::string>;

// Plays the script as the player does: before each note event everything due
// by then is sent, after it what has become due at once.
Sent play(std::uint32_t gap, const std::vector<Step>& steps) {
  RepressGap gaps;
  gaps.restart(gap);
  Sent sent;
  const auto drain = [&](std::uint64_t limit) {
    KeyChange change;
    while (gaps.takeDue(limit, change)) {
      sent.push_back(std::to_string(change.atMillis) + (change.down ? " down " : " up ") +
                     std::to_string(change.key));
    }
  };
  for (const Step& step : steps) {
    drain(step.at);
    if (step.kind == Step::kOn) gaps.noteOn(step.key, step.at);
    if (step.kind == Step::kOff) gaps.noteOff(step.key, step.at);
    drain(step.at);
  }
  return sent;
}

Step on(std::uint64_t at, std::uint8_t key) { return {Step::kOn, at, key}; }
Step off(std::uint64_t at, std::uint8_t key) { return {Step::kOff, at, key}; }
Step runTo(std::uint64_t at) { return {Step::kRunTo, at}; }

struct GapCase {
  const char* name;
  std::uint32_t gap;
  std::vector<Step> steps;
  Sent expected;
};

TEST(RepressGapTest, KeyEventsOfEachKeyComeAtLeastOneGapApartInTheirOrder) {
  const std::vector<GapCase> cases = {
      {"a repeated note with the release and the press in one millisecond gets a 30 ms gap", 30,
       {on(0, 60), off(500, 60), on(500, 60), off(1000, 60), runTo(2000)},
       {"0 down 60", "500 up 60", "530 down 60", "1000 up 60"}},
      {"notes far enough apart go out unchanged", 30,
       {on(0, 60), off(100, 60), on(200, 60), off(300, 60)},
       {"0 down 60", "100 up 60", "200 down 60", "300 up 60"}},
      {"a note shorter than the gap is held down for the gap", 30,
       {on(0, 60), off(10, 60), runTo(100)},
       {"0 down 60", "30 up 60"}},
      {"overlapping notes of one pitch: re-pressed at the second note-on, held until the last note-off", 30,
       {on(0, 60), on(100, 60), off(200, 60), off(300, 60)},
       {"0 down 60", "100 up 60", "130 down 60", "300 up 60"}},
      {"the note-off of the older press does not release the newer one", 30,
       {on(0, 60), on(100, 60), off(150, 60), runTo(1000)},
       {"0 down 60", "100 up 60", "130 down 60"}},
      {"a note-on less than one gap after the press is skipped, the key held on through it", 30,
       {on(0, 60), on(5, 60), off(6, 60), off(7, 60), runTo(1000)},
       {"0 down 60", "30 up 60"}},
      {"a note-on in the press's millisecond is the same press", 30,
       {on(0, 60), on(0, 60), off(40, 60), off(50, 60), runTo(1000)},
       {"0 down 60", "50 up 60"}},
      {"a skipped note's note-off changes nothing", 30,
       {on(0, 60), off(10, 60), on(20, 60), off(25, 60), on(100, 60), off(200, 60)},
       {"0 down 60", "30 up 60", "100 down 60", "200 up 60"}},
      {"other keys are never held back by a waiting key", 30,
       {on(0, 60), off(10, 60), on(10, 62), off(20, 62), on(20, 64), runTo(100)},
       {"0 down 60", "10 down 62", "20 down 64", "30 up 60", "40 up 62"}},
      {"two keys due in the same millisecond: the lower key first", 30,
       {on(0, 62), on(0, 60), off(1, 62), off(1, 60), runTo(100)},
       {"0 down 62", "0 down 60", "30 up 60", "30 up 62"}},
      {"a note-off with no note-on open sends nothing", 30,
       {off(0, 60), on(10, 60), off(50, 60), off(60, 60)},
       {"10 down 60", "50 up 60"}},
      {"a press due one gap after the release waits for it, not for the press before", 30,
       {on(0, 60), off(100, 60), on(110, 60), off(400, 60)},
       {"0 down 60", "100 up 60", "130 down 60", "400 up 60"}},
      {"a gap of 200 ms: a press that cannot go out within the gap is skipped", 200,
       {on(0, 60), off(50, 60), on(60, 60), off(70, 60), runTo(1000)},
       {"0 down 60", "200 up 60"}},
  };
  for (const GapCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(play(c.gap, c.steps), c.expected);
  }
}

// Live notes come one at a time, with nothing known ahead; the rules hold all the same.
TEST(RepressGapTest, RandomDenseLiveNotesKeepEveryRule) {
  std::mt19937 random(20261210);
  for (int song = 0; song < 50; ++song) {
    const std::vector<NoteChange> notes = test::randomDenseSong(random);
    for (std::uint32_t gap : {0u, 30u, 60u, 80u, 200u}) {
      SCOPED_TRACE("song " + std::to_string(song) + ", gap " + std::to_string(gap));
      RepressGap gaps;
      gaps.restart(gap);
      std::vector<KeyChange> sent;
      const auto drain = [&](std::uint64_t limit) {
        KeyChange change;
        while (gaps.takeDue(limit, change)) sent.push_back(change);
      };
      for (const NoteChange& note : notes) {
        drain(note.atMillis);
        if (note.down) {
          gaps.noteOn(note.key, note.atMillis);
        } else {
          gaps.noteOff(note.key, note.atMillis);
        }
      }
      drain(RepressGap::kNever - 1);
      test::expectGapRules(notes, gap, sent, gaps.skippedPresses());
      if (testing::Test::HasFailure()) return;
    }
  }
}

TEST(RepressGapTest, WhatIsHeldBackIsDueWhenTheNextWaitShouldEnd) {
  RepressGap gaps;
  gaps.restart(30);
  EXPECT_EQ(gaps.nextDue(), RepressGap::kNever);
  gaps.noteOn(60, 1000);
  EXPECT_EQ(gaps.nextDue(), 1000u);
  KeyChange change;
  ASSERT_TRUE(gaps.takeDue(1000, change));
  EXPECT_EQ(change, (KeyChange{60, true, 1000}));
  EXPECT_TRUE(gaps.isDown(60));
  gaps.noteOff(60, 1010);
  EXPECT_EQ(gaps.nextDue(), 1030u);
  EXPECT_FALSE(gaps.takeDue(1029, change));
  ASSERT_TRUE(gaps.takeDue(5000, change));
  EXPECT_EQ(change, (KeyChange{60, false, 1030}));
  EXPECT_EQ(gaps.nextDue(), RepressGap::kNever);
}

TEST(RepressGapTest, ClearForgetsHeldEventsAndKeysSoNothingIsPressedAfterAStop) {
  RepressGap gaps;
  gaps.restart(30);
  gaps.noteOn(60, 0);
  KeyChange change;
  ASSERT_TRUE(gaps.takeDue(0, change));
  gaps.noteOn(60, 40);  // up at once, the press held back to 70
  ASSERT_TRUE(gaps.takeDue(40, change));
  EXPECT_FALSE(change.down);
  EXPECT_EQ(gaps.nextDue(), 70u);
  gaps.clear();
  EXPECT_EQ(gaps.nextDue(), RepressGap::kNever);
  EXPECT_FALSE(gaps.takeDue(1000, change));
  EXPECT_FALSE(gaps.isDown(60));
  EXPECT_EQ(gaps.gap(), 30u);
  // A later note-off of the note from before the stop releases nothing.
  gaps.noteOff(60, 2000);
  EXPECT_FALSE(gaps.takeDue(3000, change));
}

}  // namespace
}  // namespace murvane
