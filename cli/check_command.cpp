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

#include "cli/commands.h"
#include "smf/file_image.h"
#include "smf/smf_file.h"

namespace {

constexpr std::uint8_t kLowestBoundNote = 48;
constexpr std::uint8_t kHighestBoundNote = 84;

// The English texts of strings 1013 to 1017, by result code.
const char* loadErrorText(int result) {
  switch (result) {
    case murvane::kLoadOpenFailed:
      return "Failed open file.";
    case murvane::kLoadTooLarge:
      return "Over 4GByte file is not support.";
    case murvane::kLoadReadFailed:
      return "Failed read file.";
    case murvane::kLoadIllegal:
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
  const std::unique_ptr<murvane::FileReader> reader = murvane::makePlatformFileReader();
  murvane::SmfFile file(*reader);
  const int result = file.load(argv[0]);
  if (result != murvane::kLoadOk) {
    std::printf("%d %s\n", result, loadErrorText(result));
    return result;
  }

  unsigned long notes = 0;
  unsigned long outside = 0;
  file.rewind();
  murvane::MidiEvent event;
  while (file.readEvent(event)) {
    if (event.kind == murvane::kEventChannel && event.eventType == 0x90 && event.channel == 0 && event.data2 > 0) {
      ++notes;
      if (event.data1 < kLowestBoundNote || event.data1 > kHighestBoundNote) ++outside;
    }
  }
  std::printf("OK format=%u tracks=%u division=%u events=%lu notes=%lu outside=%lu\n", unsigned{file.format()},
              unsigned{file.trackCount()}, unsigned{file.division()}, static_cast<unsigned long>(file.eventCount()),
              notes, outside);
  return 0;
}
