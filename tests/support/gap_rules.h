#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "keyplan/key_plan.h"
#include "keyplan/repress_gap.h"

namespace murvane::test {

inline NoteChange on(std::uint64_t at, std::uint8_t key) { return NoteChange{at, key, true}; }
inline NoteChange off(std::uint64_t at, std::uint8_t key) { return NoteChange{at, key, false}; }

inline std::vector<std::string> listed(const std::vector<KeyChange>& changes) {
  std::vector<std::string> lines;
  for (const KeyChange& change : changes) {
    lines.push_back(std::to_string(change.atMillis) + (change.down ? " down " : " up ") + std::to_string(change.key));
  }
  return lines;
}

// The rules of the re-press gap, checked against the notes the key events
// were made from rather than against a second copy of the rules' code.
inline void expectGapRules(const std::vector<NoteChange>& notes, std::uint32_t gap,
                           const std::vector<KeyChange>& sent, std::optional<std::uint32_t> skippedPresses) {
  // The presses the notes ask for: a note-on while its key is held, in the
  // millisecond of the press, is that press.
  std::map<int, std::vector<std::uint64_t>> duePresses;
  std::map<int, int> holds;
  std::uint64_t lastNote = 0;
  for (const NoteChange& note : notes) {
    lastNote = std::max(lastNote, note.atMillis);
    auto& times = duePresses[note.key];
    if (!note.down) {
      if (holds[note.key] > 0) --holds[note.key];
      continue;
    }
    if (holds[note.key]++ == 0 || times.back() != note.atMillis) times.push_back(note.atMillis);
  }
  std::map<int, std::vector<KeyChange>> byKey;
  std::uint64_t previous = 0;
  for (const KeyChange& change : sent) {
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
  EXPECT_GE(wanted, typed);
  if (skippedPresses) {
    EXPECT_EQ(wanted - typed, *skippedPresses) << "every press not typed is counted as skipped";
  }
  if (!sent.empty()) {
    EXPECT_LE(sent.back().atMillis, lastNote + 2 * gap) << "the song ends in time";
  }
}

// A dense song on four keys: notes 0 to 40 ms apart, 0 to 200 ms long.
inline std::vector<NoteChange> randomDenseSong(std::mt19937& random) {
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

}  // namespace murvane::test
