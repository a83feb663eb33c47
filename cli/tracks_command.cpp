// murvane-cli tracks FILE [--ini PATH]
//
// Which channel of FILE to play, and at which octave shift. One line per
// channel that has note-ons (with a velocity above 0), channels counted from 1:
//
//   channel=C notes=N lowest=L highest=H inside=I
//
// I: the note-ons inside C3-C6 (MIDI notes 48-84) as the file stands. Then the
// channel other than 10 and the shift by whole octaves that put the most
// note-ons inside, as the Options section takes them:
//
//   suggest Channels=0x0004 Transpose=12 inside=I
//
// A file that does not load is reported as `check` reports it, with the same
// exit status. The INI file is never read nor written: what the file holds
// does not depend on the options.

#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "options/play_options.h"
#include "options/track_suggestion.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "smf/smf_note_counts.h"

int runTracksCommand(int argc, char** argv) {
  murvane::FileArguments arguments;
  const bool understood = murvane::parseFileArguments(argc, argv, arguments);
  char* file = arguments.file;
  if (!understood) {
    std::fputs("usage: murvane-cli tracks FILE [--ini PATH]\n", stderr);
    return 64;
  }

  const std::unique_ptr<murvane::FileReader> reader = murvane::makePlatformFileReader();
  murvane::SmfFile smf;
  if (murvane::loadFile(smf, *reader, std::filesystem::path(file)) != murvane::LoadResult::kOk) {
    return runCheckCommand(1, &file);
  }

  const murvane::NoteCounts counts = murvane::countNoteOns(smf);
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    const std::uint32_t notes = counts.notes(channel);
    if (notes == 0) continue;
    const auto& byNote = counts.byChannel[channel];
    int lowest = 0;
    while (byNote[static_cast<std::size_t>(lowest)] == 0) ++lowest;
    int highest = 127;
    while (byNote[static_cast<std::size_t>(highest)] == 0) --highest;
    std::printf("channel=%u notes=%lu lowest=%d highest=%d inside=%lu\n", channel + 1u,
                static_cast<unsigned long>(notes), lowest, highest,
                static_cast<unsigned long>(counts.inside(channel, 0)));
  }
  const murvane::TrackSuggestion best = murvane::suggestTrack(counts);
  std::printf("suggest Channels=0x%04x Transpose=%d inside=%lu\n", 1u << best.channel, best.transpose,
              static_cast<unsigned long>(best.inside));
  return std::fflush(stdout) == 0 ? 0 : 74;
}
