// murvane-cli check FILE
//
// Loads FILE as the player would and prints one line to stdout. On success:
//
//   OK format=F tracks=T division=D events=E notes=N outside=O
//
// F, T, D: the header's format, track count and ticks per quarter note;
// E: every event of every track; N: note-ons with a velocity above 0 on the
// first channel (the notes that would be typed); O: how many of those fall
// outside C3-C6 (MIDI notes 48-84), which no key is bound to.
//
// On failure: the result code and the English error text, e.g.
//
//   4 Illegal SMF file.
//
// The exit status is the result code (0-5); 64 for a usage error.

#include <cstdio>

#include "bindings/binding_table.h"
#include "bindings/note_range.h"
#include "cli/commands.h"
#include "playback/schedule.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

namespace {

using namespace murvane;

// The English texts of strings 1013 to 1017.
const char* loadErrorText(LoadResult result) {
  switch (result) {
    case LoadResult::kOpenFailed:
      return "Failed open file.";
    case LoadResult::kTooLarge:
      return "Over 4GByte file is not support.";
    case LoadResult::kReadFailed:
      return "Failed read file.";
    case LoadResult::kIllegal:
      return "Illegal SMF file.";
    default:
      return "Unsupport SMF file.";
  }
}

}  // namespace

int runCheckCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fputs("usage: murvane-cli check FILE\n", stderr);
    return 64;
  }
  const std::unique_ptr<FileReader> reader = makePlatformFileReader();
  SmfFile file;
  const LoadResult result = loadFile(file, *reader, argv[0]);
  if (result != LoadResult::kOk) {
    const int code = static_cast<int>(result);
    std::printf("%d %s\n", code, loadErrorText(result));
    return code;
  }

  unsigned long notes = 0;
  unsigned long outside = 0;
  file.rewind();
  MidiEvent event;
  while (file.readEvent(event)) {
    if (noteActionOf(event) == NoteAction::kDown) {
      ++notes;
      if (!isKeyNote(event.data1)) ++outside;
    }
  }
  std::printf("OK format=%u tracks=%u division=%u events=%lu notes=%lu outside=%lu\n", unsigned{file.format()},
              unsigned{file.trackCount()}, unsigned{file.division()}, static_cast<unsigned long>(file.eventCount()),
              notes, outside);
  return 0;
}
