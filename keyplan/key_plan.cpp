#include "keyplan/key_plan.h"

#include "keyplan/game_fit.h"

#include <algorithm>
#include <array>

namespace murvane {
namespace {

// One press of a key as the notes ask for it: from `press` until `release`,
// which is the end of its last note or the moment a new note strikes it again.
struct Press {
  std::uint64_t press = 0;
  std::uint64_t release = 0;
  bool struckAgain = false;  // released because the next press came
  std::uint8_t note = 0;     // the note whose key (with its modifiers) goes down
};

using KeyPresses = std::array<std::vector<Press>, 128>;

KeyPresses pressesOf(std::span<const NoteChange> notes, const PhysicalKeys& physical) {
  KeyPresses presses;
  std::array<std::uint32_t, 128> holds{};
  for (const NoteChange& note : notes) {
    const std::size_t key = physical[note.key & 0x7F] & 0x7F;
    std::vector<Press>& list = presses[key];
    if (note.down) {
      if (holds[key] > 0) {
        if (list.back().press == note.atMillis) {
          ++holds[key];  // a unison or a folded octave: the same press
          continue;
        }
        list.back().release = note.atMillis;
        list.back().struckAgain = true;
      }
      list.push_back(Press{note.atMillis, note.atMillis, false, note.key});
      ++holds[key];
    } else if (holds[key] > 0 && --holds[key] == 0) {
      list.back().release = note.atMillis;
    }
  }
  // A note the song never ends comes up with the song's last event.
  const std::uint64_t end = notes.empty() ? 0 : notes.back().atMillis;
  for (std::size_t key = 0; key < presses.size(); ++key) {
    if (holds[key] > 0) presses[key].back().release = std::max(end, presses[key].back().press);
  }
  return presses;
}

// Greedy over one key's presses, each release placed with the next press
// that can still keep its time in view.
void planKey(std::vector<Press>& presses, std::uint64_t gap, KeyPlan& plan) {
  std::size_t index = 0;
  bool sentAny = false;
  std::uint64_t lastRelease = 0;
  while (index < presses.size()) {
    // Within one gap of its time: the release before it made sure of that.
    const std::uint64_t due = presses[index].press;
    const std::uint64_t pressAt = sentAny ? std::max(due, lastRelease + gap) : due;
    Press current = presses[index];
    std::size_t next = index + 1;
    // A press too close behind this one to go out in time is skipped here, and
    // the key stays as it is: held on through it when it struck the key again.
    while (next < presses.size() && pressAt + gap > presses[next].press) {
      if (current.struckAgain) {
        current.release = presses[next].release;
        current.struckAgain = presses[next].struckAgain;
      }
      ++plan.skippedPresses;
      ++next;
    }
    std::uint64_t releaseAt = current.release;
    if (next < presses.size()) releaseAt = std::min(releaseAt, presses[next].press - gap);
    releaseAt = std::max(releaseAt, pressAt + gap);
    plan.latestPressMillis = std::max(plan.latestPressMillis, pressAt - due);
    plan.changes.push_back(KeyChange{current.note, true, pressAt});
    plan.changes.push_back(KeyChange{current.note, false, releaseAt});
    sentAny = true;
    lastRelease = releaseAt;
    index = next;
  }
}

}  // namespace

PhysicalKeys oneKeyPerNote() {
  PhysicalKeys physical{};
  for (std::size_t note = 0; note < physical.size(); ++note) physical[note] = static_cast<std::uint8_t>(note);
  return physical;
}

KeyPlan planKeys(std::span<const NoteChange> notes, std::uint32_t gapMillis) {
  return planKeys(notes, gapMillis, oneKeyPerNote());
}

KeyPlan planKeys(std::span<const NoteChange> notes, std::uint32_t gapMillis, const PhysicalKeys& physical) {
  KeyPresses presses = pressesOf(notes, physical);
  KeyPlan plan;
  for (std::vector<Press>& keyPresses : presses) planKey(keyPresses, gapMillis, plan);
  std::stable_sort(plan.changes.begin(), plan.changes.end(),
                   [](const KeyChange& a, const KeyChange& b) { return a.atMillis < b.atMillis; });
  releasesFirst(plan.changes);
  return plan;
}

}  // namespace murvane
