#include "keyplan/key_plan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/support/gap_rules.h"

namespace murvane::test {
namespace {

struct PlanCase {
  const char* name;
  std::uint32_t gap;
  std::vector<NoteChange> notes;
  std::vector<std::string> expected;
  std::uint32_t skipped;
};

TEST(KeyPlanTest, PressesKeepTheirTimeAndLateOnesAreBoundedOrSkipped) {
  const std::vector<PlanCase> cases = {
      {"no gap: the notes as they are", 0, {on(0, 60), off(100, 60), on(100, 60), off(200, 60)},
       {"0 down 60", "100 up 60", "100 down 60", "200 up 60"}, 0},
      {"a unison in one millisecond is one press, up when the last note ends", 0,
       {on(0, 60), on(0, 60), off(50, 60), off(80, 60)}, {"0 down 60", "80 up 60"}, 0},
      {"a repeated note: the release comes early so the press keeps its time", 30,
       {on(0, 60), off(100, 60), on(110, 60), off(400, 60)}, {"0 down 60", "80 up 60", "110 down 60", "400 up 60"}, 0},
      {"a note shorter than the gap is held down for the gap", 30, {on(0, 60), off(10, 60)},
       {"0 down 60", "30 up 60"}, 0},
      {"overlapping notes of one pitch: the first is shortened, the key held until the last ends", 30,
       {on(0, 60), on(100, 60), off(200, 60), off(300, 60)}, {"0 down 60", "70 up 60", "100 down 60", "300 up 60"}, 0},
      {"a press closer than 2G comes late, by less than G", 30,
       {on(0, 60), off(5, 60), on(40, 60), off(45, 60)}, {"0 down 60", "30 up 60", "60 down 60", "90 up 60"}, 0},
      {"a press closer than one gap is skipped and the key held on through it", 30,
       {on(0, 60), on(5, 60), off(6, 60), off(100, 60)}, {"0 down 60", "100 up 60"}, 1},
      {"legato sixteenths faster than 2G: every other press goes, none late by more than G", 80,
       {on(0, 60), off(125, 60), on(125, 60), off(250, 60), on(250, 60), off(375, 60), on(375, 60), off(500, 60)},
       {"0 down 60", "80 up 60", "160 down 60", "240 up 60", "320 down 60", "400 up 60"}, 1},
      {"the last note, shorter than the gap, still goes out at the end, one gap long", 60,
       {on(0, 60), off(100, 60), on(100, 60), off(110, 60)}, {"0 down 60", "60 up 60", "120 down 60", "180 up 60"}, 0},
      {"other keys never wait", 30, {on(0, 60), off(10, 60), on(10, 62), off(20, 62)},
       {"0 down 60", "10 down 62", "30 up 60", "40 up 62"}, 0},
      {"one millisecond: the lower key first, each key in its own order", 0,
       {on(0, 62), on(0, 60), off(0, 60), off(1, 62)}, {"0 down 60", "0 up 60", "0 down 62", "1 up 62"}, 0},
      {"a note the song never ends comes up with its last event", 30, {on(0, 60), on(10, 62), off(500, 62)},
       {"0 down 60", "10 down 62", "500 up 60", "500 up 62"}, 0},
  };
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(c.name);
    const KeyPlan plan = planKeys(c.notes, c.gap);
    EXPECT_EQ(listed(plan.changes), c.expected);
    EXPECT_EQ(plan.skippedPresses, c.skipped);
    expectGapRules(c.notes, c.gap, plan.changes, plan.skippedPresses);
  }
}

TEST(KeyPlanTest, RandomDenseSongsKeepEveryRule) {
  std::mt19937 random(20261209);
  for (int song = 0; song < 50; ++song) {
    const std::vector<NoteChange> notes = randomDenseSong(random);
    for (std::uint32_t gap : {0u, 30u, 60u, 80u, 200u}) {
      SCOPED_TRACE("song " + std::to_string(song) + ", gap " + std::to_string(gap));
      const KeyPlan plan = planKeys(notes, gap);
      expectGapRules(notes, gap, plan.changes, plan.skippedPresses);
      if (testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace
}  // namespace murvane::test
