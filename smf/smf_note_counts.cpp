#include "smf/smf_note_counts.h"

namespace murvane {

NoteCounts countNoteOns(SmfFile& file) {
  NoteCounts counts;
  if (!file.loaded()) return counts;
  file.rewind();
  MidiEvent event;
  while (file.readEvent(event)) {
    if (event.kind == kEventChannel && event.eventType == 0x90 && event.data2 > 0) {
      counts.add(event.channel, event.data1);
    }
  }
  return counts;
}

}  // namespace murvane
