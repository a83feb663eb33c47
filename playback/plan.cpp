#include "playback/plan.h"

#include <algorithm>

#include "keyplan/game_fit.h"
#include "keyplan/modifier_hold.h"
#include "playback/schedule.h"

namespace murvane {
namespace {

constexpr std::uint8_t kControlChange = 0xB0;
constexpr std::uint8_t kSustainController = 64;

bool sustainDownOf(const MidiEvent& event, std::uint16_t channels, bool& down) {
  if (event.kind != kEventChannel || event.eventType != kControlChange || event.data1 != kSustainController) {
    return false;
  }
  if ((channels >> (event.channel & 0x0F) & 1u) == 0) return false;
  down = event.data2 >= 64;
  return true;
}

// The sustain key's changes among the key changes, in time order, before the
// presses of their millisecond.
void addSustain(std::vector<KeyChange>& changes, const std::vector<NoteChange>& sustain) {
  if (sustain.empty()) return;  // most songs, or a layout without the key: no copy of every change
  std::vector<KeyChange> merged;
  merged.reserve(changes.size() + sustain.size());
  std::size_t next = 0;
  for (const NoteChange& pedal : sustain) {
    while (next < changes.size() && changes[next].atMillis < pedal.atMillis) merged.push_back(changes[next++]);
    merged.push_back(KeyChange{0, pedal.down, pedal.atMillis, kSustainHeld});
  }
  while (next < changes.size()) merged.push_back(changes[next++]);
  changes = std::move(merged);
}

}  // namespace

GameFit gameFitOf(const PlayOptions& options) {
  return GameFit{static_cast<std::uint32_t>(options.pressLength), static_cast<std::uint32_t>(options.maxKeys),
                 static_cast<std::uint32_t>(options.chordSpread)};
}

PlayedNotes playedNotes(SmfFile& file, const PlayOptions& options, const KeyLayout* layout) {
  PlayedNotes played;
  if (!file.loaded()) return played;
  Schedule schedule;
  file.rewind();
  schedule.restart(file.division(), static_cast<std::uint16_t>(options.speed), options.channels);
  const bool withSustain = layout != nullptr && virtualKeyOf(layout->sustain) != 0;
  // Each a walk over the layout's keys: once per file, not once per note.
  const int lowest = layout != nullptr ? layout->lowest() : -1;
  const int highest = layout != nullptr ? layout->highest() : -1;
  bool sustainDown = false;
  MidiEvent event;
  while (file.readEvent(event)) {
    schedule.advance(event.delta);
    const NoteAction action = schedule.play(event);
    bool pedalDown = false;
    if (withSustain && sustainDownOf(event, options.channels, pedalDown) && pedalDown != sustainDown) {
      sustainDown = pedalDown;
      played.sustain.push_back(NoteChange{schedule.dueMillis(), 0, pedalDown});
    }
    if (action == NoteAction::kNone) continue;
    const int note = layout != nullptr ? mapNote(event.data1, options, lowest, highest) : mapNote(event.data1, options);
    if (note < 0 || note > 127 || (layout != nullptr && !layout->hasKey(note))) {
      // Transposed beyond MIDI, or not on the layout: no key.
      if (action == NoteAction::kDown) ++played.notesWithoutKey;
      continue;
    }
    played.notes.push_back(
        NoteChange{schedule.dueMillis(), static_cast<std::uint8_t>(note), action == NoteAction::kDown});
  }
  played.endMillis = schedule.dueMillis();
  if (sustainDown) played.sustain.push_back(NoteChange{played.endMillis, 0, false});
  return played;
}

PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options, const KeyLayout* layout) {
  const PlayedNotes played = playedNotes(file, options, layout);
  PlaybackPlan plan;
  plan.endMillis = played.endMillis;
  plan.notesWithoutKey = played.notesWithoutKey;
  if (!shapesKeys(options) && layout == nullptr) {
    // The file's own note events, one key event each, as the notes come:
    // a note struck twice is pressed twice, and nothing is merged or moved.
    plan.keys.changes.reserve(played.notes.size());
    for (const NoteChange& note : played.notes) plan.keys.changes.push_back(KeyChange{note.key, note.down, note.atMillis});
    return plan;
  }
  const auto gap = static_cast<std::uint32_t>(options.repressGap);
  const PhysicalKeys physical = layout != nullptr ? layout->physicalKeys() : oneKeyPerNote();
  plan.keys = fitToGame(planKeys(played.notes, gap, physical), gameFitOf(options), gap, physical);
  if (layout != nullptr) {
    addSustain(plan.keys.changes, played.sustain);
    plan.keys.changes =
        holdModifiers(plan.keys.changes, layout->keys, static_cast<std::uint32_t>(options.modifierHold));
  }
  if (!plan.keys.changes.empty()) plan.endMillis = std::max(plan.endMillis, plan.keys.changes.back().atMillis);
  return plan;
}

// A change due at the position itself counts as made: a note that starts
// there sounds there, and one that ends there does not.
PlanPosition positionIn(const KeyPlan& keys, std::uint64_t positionMillis) {
  PlanPosition position;
  const std::vector<KeyChange>& changes = keys.changes;
  for (; position.next < changes.size() && changes[position.next].atMillis <= positionMillis; ++position.next) {
    const KeyChange& change = changes[position.next];
    if (change.held == kSustainHeld) {
      position.sustainDown = change.down;
    } else if (change.held == 0) {
      position.keys[change.key] = change.down;
    }
  }
  return position;
}

}  // namespace murvane
