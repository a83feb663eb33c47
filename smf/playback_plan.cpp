#include "smf/playback_plan.h"

#include <algorithm>
#include <vector>

#include "smf/playback_schedule.h"

namespace murvane {

PlaybackPlan planPlayback(SmfFile& file, const PlayOptions& options) {
  PlaybackPlan plan;
  if (!file.loaded()) return plan;
  std::vector<NoteChange> notes;
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
    notes.push_back(NoteChange{schedule.dueMillis(), static_cast<std::uint8_t>(note), action == NoteAction::kDown});
  }
  plan.keys = planKeys(notes, static_cast<std::uint32_t>(options.repressGap));
  plan.endMillis = schedule.dueMillis();
  if (!plan.keys.changes.empty()) plan.endMillis = std::max(plan.endMillis, plan.keys.changes.back().atMillis);
  return plan;
}

}  // namespace murvane
