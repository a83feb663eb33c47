#include "smf/playback_plan.h"

#include <algorithm>

#include "smf/playback_schedule.h"

namespace murvane {

PlayedNotes playedNotes(SmfFile& file, const PlayOptions& options) {
  PlayedNotes played;
  if (!file.loaded()) return played;
  Schedule schedule;
  file.rewind();
  schedule.restart(file.division(), static_cast<std::uint16_t>(options.speed), options.channels);
  MidiEvent event;
  while (file.readEvent(event)) {
    schedule.advance(event.delta);
    const NoteAction action = schedule.play(event);
    if (action == NoteAction::kNone) continue;
    const int note = mapNote(event.data1, options);
    if (note < 0 || note > 127) continue;  // transposed beyond MIDI: no note, no key
    played.notes.push_back(
        NoteChange{schedule.dueMillis(), static_cast<std::uint8_t>(note), action == NoteAction::kDown});
  }
  played.endMillis = schedule.dueMillis();
  return played;
}

PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options) {
  const PlayedNotes played = playedNotes(file, options);
  PlaybackPlan plan;
  plan.keys = planKeys(played.notes, static_cast<std::uint32_t>(options.repressGap));
  plan.endMillis = played.endMillis;
  if (!plan.keys.changes.empty()) plan.endMillis = std::max(plan.endMillis, plan.keys.changes.back().atMillis);
  return plan;
}

}  // namespace murvane
