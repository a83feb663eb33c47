#include "keyplan/game_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/support/gap_rules.h"

namespace murvane::test {
namespace {

// Chords of one to six notes over three octaves, some struck again while held.
std::vector<NoteChange> randomChordSong(std::mt19937& random) {
  std::uniform_int_distribution<int> step(0, 60), length(0, 300), size(1, 6), pitch(48, 84);
  std::vector<NoteChange> notes;
  std::multimap<std::uint64_t, std::uint8_t> ends;
  for (std::uint64_t now = 0, chord = 0; chord < 80; ++chord, now += static_cast<std::uint64_t>(step(random))) {
    for (auto end = ends.begin(); end != ends.end() && end->first <= now; end = ends.erase(end)) {
      notes.push_back(off(end->first, end->second));
    }
    for (int n = size(random); n > 0; --n) {
      notes.push_back(on(now, static_cast<std::uint8_t>(pitch(random))));
      ends.emplace(now + static_cast<std::uint64_t>(length(random)), notes.back().key);
    }
  }
  for (const auto& [at, key] : ends) notes.push_back(off(at, key));
  return notes;
}

struct Press {
  std::uint8_t key;
  std::uint64_t on, off;
};

// The presses, checking on the way that keys alternate, releases come first
// in their millisecond (but a key's own after its press), at most `most`
// keys are down, and nothing is left down.
std::vector<Press> pressesOf(const std::vector<KeyChange>& changes, std::uint32_t most) {
  std::vector<Press> presses;
  std::map<std::uint8_t, std::size_t> down;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const KeyChange& c = changes[i];
    const KeyChange* before = i > 0 ? &changes[i - 1] : nullptr;
    EXPECT_TRUE(!before || before->atMillis < c.atMillis || (before->atMillis == c.atMillis &&
                                                              (c.down || !before->down || before->key == c.key)))
        << "out of order at " << c.atMillis;
    EXPECT_EQ(down.contains(c.key), !c.down) << "key " << int(c.key) << " at " << c.atMillis;
    if (c.down) {
      down[c.key] = presses.size();
      presses.push_back(Press{c.key, c.atMillis, c.atMillis});
      EXPECT_LE(down.size(), most == 0 ? 128u : most) << "at " << c.atMillis;
    } else if (down.contains(c.key)) {
      presses[down[c.key]].off = c.atMillis;
      down.erase(c.key);
    }
  }
  EXPECT_TRUE(down.empty()) << "left down";
  return presses;
}

bool pressed(const std::vector<Press>& presses, std::uint8_t key, std::uint64_t at) {
  return std::any_of(presses.begin(), presses.end(), [&](const Press& p) { return p.key == key && p.on == at; });
}

TEST(GameFitTest, RandomChordSongsKeepEveryRuleOfEachOptionAndTheirMix) {
  const std::vector<GameFit> fits = {{0, 0, 0},  {60, 0, 0}, {0, 1, 0},   {0, 2, 0},     {0, 3, 0},
                                     {0, 0, 15}, {0, 0, 50}, {40, 4, 10}, {1000, 2, 50}, {5, 1, 5}};
  std::mt19937 random(20261210);
  for (int song = 0; song < 12; ++song) {
    const std::vector<NoteChange> notes = randomChordSong(random);
    for (std::uint32_t gap : {0u, 30u}) {
      const KeyPlan planned = planKeys(notes, gap);
      for (const GameFit& fit : fits) {
        SCOPED_TRACE("song " + std::to_string(song) + ", gap " + std::to_string(gap) + ", PressLength " +
                     std::to_string(fit.pressMillis) + ", MaxKeys " + std::to_string(fit.maxKeys) +
                     ", ChordSpread " + std::to_string(fit.spreadMillis));
        const KeyPlan unlimited = fitToGame(planned, {fit.pressMillis, 0, fit.spreadMillis}, gap, oneKeyPerNote());
        const KeyPlan fitted = fitToGame(planned, fit, gap, oneKeyPerNote());
        const std::vector<Press> before = pressesOf(planned.changes, 0);
        const std::vector<Press> spread = pressesOf(unlimited.changes, 0);
        const std::vector<Press> after = pressesOf(fitted.changes, fit.maxKeys);
        // Chord presses ChordSpread apart, highest first; a press skipped
        // for its key's next press may find that one in its place.
        const std::uint32_t skipped = unlimited.skippedPresses - planned.skippedPresses;
        std::uint32_t missing = 0;
        for (const Press& p : before) {
          const auto higher = std::count_if(before.begin(), before.end(),
                                            [&](const Press& o) { return o.on == p.on && o.key > p.key; });
          missing += pressed(spread, p.key, p.on + static_cast<std::uint64_t>(higher) * fit.spreadMillis) ? 0u : 1u;
        }
        EXPECT_LE(missing, skipped);
        EXPECT_EQ(spread.size() + skipped, before.size());
        // Every press lasts PressLength, unless its key is struck again sooner.
        for (std::size_t i = 0; fit.pressMillis > 0 && i < spread.size(); ++i) {
          const Press& p = spread[i];
          const bool struckSooner = std::any_of(spread.begin(), spread.end(),
                                                [&](const Press& o) { return o.key == p.key && o.on == p.off + gap; });
          EXPECT_TRUE(p.off - p.on == std::max(fit.pressMillis, gap) || struckSooner)
              << "key " << int(p.key) << " at " << p.on << " for " << p.off - p.on;
        }
        // The highest note down or going down is never the one dropped.
        for (const Press& p : spread) {
          if (pressed(after, p.key, p.on)) continue;
          EXPECT_TRUE(std::any_of(spread.begin(), spread.end(), [&](const Press& o) {
            return o.key > p.key && o.on <= p.on && (o.off > p.on || o.on == p.on);
          })) << "the highest note, " << int(p.key) << " at " << p.on << ", was dropped";
        }
        EXPECT_EQ(after.size() + fitted.droppedPresses, spread.size());
        if (testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace murvane::test
