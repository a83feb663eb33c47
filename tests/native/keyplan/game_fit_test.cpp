#include "keyplan/game_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
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
  std::uint64_t now = 0;
  for (int chord = 0; chord < 80; ++chord) {
    now += static_cast<std::uint64_t>(step(random));
    for (auto end = ends.begin(); end != ends.end() && end->first <= now; end = ends.erase(end)) {
      notes.push_back(off(end->first, end->second));
    }
    for (int n = size(random); n > 0; --n) {
      const auto key = static_cast<std::uint8_t>(pitch(random));
      notes.push_back(on(now, key));
      ends.emplace(now + static_cast<std::uint64_t>(length(random)), key);
    }
  }
  for (const auto& [at, key] : ends) notes.push_back(off(at, key));
  return notes;
}

struct Press {
  std::uint64_t on, off;
};
using Presses = std::map<std::uint8_t, std::vector<Press>>;

// Checks that keys alternate and nothing is left down, and returns the presses.
Presses pressesOf(const std::vector<KeyChange>& changes) {
  Presses presses;
  std::set<std::uint8_t> down;
  for (std::size_t i = 0; i < changes.size(); ++i) {
    const KeyChange& change = changes[i];
    if (i > 0) {
      EXPECT_LE(changes[i - 1].atMillis, change.atMillis);
    }
    if (change.down) {
      EXPECT_TRUE(down.insert(change.key).second) << "pressed twice: " << int(change.key) << " at " << change.atMillis;
      presses[change.key].push_back(Press{change.atMillis, change.atMillis});
    } else {
      EXPECT_EQ(down.erase(change.key), 1u) << "released while up: " << int(change.key) << " at " << change.atMillis;
      presses[change.key].back().off = change.atMillis;
    }
    // Releases first: a press is followed in its millisecond only by its own release.
    if (i > 0 && !change.down && changes[i - 1].down && changes[i - 1].atMillis == change.atMillis) {
      EXPECT_EQ(changes[i - 1].key, change.key) << "a release after another key's press at " << change.atMillis;
    }
  }
  EXPECT_TRUE(down.empty()) << "left down";
  return presses;
}

bool pressedAt(const Presses& presses, std::uint8_t key, std::uint64_t at) {
  auto found = presses.find(key);
  if (found == presses.end()) return false;
  return std::any_of(found->second.begin(), found->second.end(), [&](const Press& p) { return p.on == at; });
}

std::uint32_t count(const Presses& presses) {
  std::uint32_t total = 0;
  for (const auto& entry : presses) total += static_cast<std::uint32_t>(entry.second.size());
  return total;
}

TEST(GameFitTest, RandomChordSongsKeepEveryRuleOfEachOptionAndTheirMix) {
  const std::vector<GameFit> fits = {{0, 0, 0},  {60, 0, 0},  {0, 1, 0},   {0, 2, 0},   {0, 3, 0},
                                     {0, 0, 15}, {0, 0, 50},  {40, 4, 10}, {1000, 2, 50}, {5, 1, 5}};
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
        const Presses before = pressesOf(planned.changes);
        const Presses spread = pressesOf(unlimited.changes);
        const Presses after = pressesOf(fitted.changes);
        // Chord presses go out ChordSpread apart, the highest first.
        std::map<std::uint64_t, std::vector<std::uint8_t>> chords;
        for (const auto& [key, list] : before) {
          for (const Press& p : list) chords[p.on].push_back(key);
        }
        std::uint32_t missing = 0;
        for (auto& [at, keys] : chords) {
          std::sort(keys.rbegin(), keys.rend());
          for (std::size_t rank = 0; rank < keys.size(); ++rank) {
            missing += pressedAt(spread, keys[rank], at + rank * fit.spreadMillis) ? 0u : 1u;
          }
        }
        // A press skipped for its key's next press may find that one in its place.
        const std::uint32_t skipped = unlimited.skippedPresses - planned.skippedPresses;
        EXPECT_LE(missing, skipped);
        EXPECT_EQ(count(spread) + skipped, count(before));
        // Every press lasts PressLength, unless its key is struck again sooner.
        if (fit.pressMillis > 0) {
          for (const auto& [key, list] : spread) {
            for (std::size_t i = 0; i < list.size(); ++i) {
              const std::uint64_t length = list[i].off - list[i].on;
              const bool struckSooner = i + 1 < list.size() && list[i].off + gap == list[i + 1].on;
              EXPECT_TRUE(length == std::max<std::uint64_t>(fit.pressMillis, gap) || struckSooner)
                  << "key " << int(key) << " pressed at " << list[i].on << " for " << length;
            }
          }
        }
        // At most MaxKeys down; the highest note down or going down is never dropped.
        std::vector<std::pair<std::uint64_t, int>> steps;
        for (const auto& [key, list] : after) {
          for (const Press& p : list) {
            steps.push_back({p.on, +1});
            steps.push_back({p.off, -1});
          }
        }
        std::sort(steps.begin(), steps.end());  // releases (-1) before presses of their millisecond
        int down = 0;
        for (const auto& [at, change] : steps) {
          down += change;
          if (fit.maxKeys > 0) {
            EXPECT_LE(down, static_cast<int>(fit.maxKeys)) << "at " << at;
          }
        }
        std::uint32_t dropped = 0;
        for (const auto& [key, list] : spread) {
          for (const Press& p : list) {
            if (pressedAt(after, key, p.on)) continue;
            ++dropped;
            const bool higherSounding = std::any_of(spread.begin(), spread.end(), [&](const auto& other) {
              return other.first > key && std::any_of(other.second.begin(), other.second.end(), [&](const Press& o) {
                       return o.on <= p.on && (o.off > p.on || o.on == p.on);
                     });
            });
            EXPECT_TRUE(higherSounding) << "the highest note, " << int(key) << " at " << p.on << ", was dropped";
          }
        }
        EXPECT_LE(dropped, fitted.droppedPresses);
        EXPECT_EQ(count(after) + fitted.droppedPresses, count(spread));
        if (fit.maxKeys == 0) {
          EXPECT_EQ(fitted.droppedPresses, 0u);
        }
        if (testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace murvane::test
