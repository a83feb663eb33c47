#include "options/key_plan.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace murvane {
namespace {

NoteChange on(std::uint64_t at, std::uint8_t key) { return NoteChange{at, key, true}; }
NoteChange off(std::uint64_t at, std::uint8_t key) { return NoteChange{at, key, false}; }

std::vector<std::string> listed(const KeyPlan& plan) {
  std::vector<std::string> lines;
  for (const KeyChange& change : plan.changes) {
    lines.push_back(std::to_string(change.atMillis) + (change.down ? " down " : " up ") + std::to_string(change.key));
  }
  return lines;
}

// The rules every plan keeps, checked against the notes it was made from
// rather than against a second copy of the planner.
void expectGapRules(const std::vector<NoteChange>& notes, std::uint32_t gap, const KeyPlan& plan) {
  std::map<int, std::vector<std::uint64_t>> duePresses;  // distinct note-on times of each key
  std::uint64_t lastNote = 0;
  for (const NoteChange& note : notes) {
    lastNote = std::max(lastNote, note.atMillis);
    auto& times = duePresses[note.key];
    if (note.down && (times.empty() || times.back() != note.atMillis)) times.push_back(note.atMillis);
  }
  std::map<int, std::vector<KeyChange>> byKey;
  std::uint64_t previous = 0;
  for (const KeyChange& change : plan.changes) {
    EXPECT_GE(change.atMillis, previous) << "in time order";
    previous = change.atMillis;
    byKey[change.key].push_back(change);
  }
  std::uint32_t typed = 0;
  for (const auto& [key, changes] : byKey) {
    SCOPED_TRACE("key " + std::to_string(key));
    const std::vector<std::uint64_t>& due = duePresses[key];
    std::size_t served = 0;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      EXPECT_EQ(changes[i].down, i % 2 == 0) << "presses and releases alternate, starting with a press";
      if (i > 0) {
        EXPECT_GE(changes[i].atMillis, changes[i - 1].atMillis + gap) << "one gap between events of a key";
      }
      if (!changes[i].down) continue;
      ++typed;
      // The press serves a note-on no later than itself and at most one gap before it.
      while (served < due.size() && due[served] + gap < changes[i].atMillis) ++served;
      ASSERT_LT(served, due.size()) << "a press at " << changes[i].atMillis << " serves no note-on";
      EXPECT_LE(due[served], changes[i].atMillis) << "never early";
      ++served;
    }
    EXPECT_EQ(changes.size() % 2, 0u) << "nothing left down";
  }
  std::uint32_t wanted = 0;
  for (const auto& [key, times] : duePresses) wanted += static_cast<std::uint32_t>(times.size());
  EXPECT_EQ(wanted - typed, plan.skippedPresses) << "every press not typed is counted as skipped";
  if (!plan.changes.empty()) {
    EXPECT_LE(plan.changes.back().atMillis, lastNote + 2 * gap) << "the song ends in time";
  }
}

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
    EXPECT_EQ(listed(plan), c.expected);
    EXPECT_EQ(plan.skippedPresses, c.skipped);
    expectGapRules(c.notes, c.gap, plan);
  }
}

// Dense random songs on a few keys, for the rules' sake.
std::vector<NoteChange> randomSong(std::mt19937& random) {
  std::vector<NoteChange> notes;
  std::uniform_int_distribution<int> step(0, 40);
  std::uniform_int_distribution<int> length(0, 200);
  std::uniform_int_distribution<int> key(60, 63);
  std::uint64_t now = 0;
  std::multimap<std::uint64_t, std::uint8_t> ends;
  for (int note = 0; note < 200; ++note) {
    now += static_cast<std::uint64_t>(step(random));
    for (auto end = ends.begin(); end != ends.end() && end->first <= now; end = ends.erase(end)) {
      notes.push_back(off(end->first, end->second));
    }
    const auto pitch = static_cast<std::uint8_t>(key(random));
    notes.push_back(on(now, pitch));
    ends.emplace(now + static_cast<std::uint64_t>(length(random)), pitch);
  }
  for (const auto& [at, pitch] : ends) notes.push_back(off(at, pitch));
  return notes;
}

TEST(KeyPlanTest, RandomDenseSongsKeepEveryRule) {
  std::mt19937 random(20261209);
  for (int song = 0; song < 50; ++song) {
    const std::vector<NoteChange> notes = randomSong(random);
    for (std::uint32_t gap : {0u, 30u, 60u, 80u, 200u}) {
      SCOPED_TRACE("song " + std::to_string(song) + ", gap " + std::to_string(gap));
      expectGapRules(notes, gap, planKeys(notes, gap));
      if (testing::Test::HasFailure()) return;
    }
  }
}

}  // namespace
}  // namespace murvane
