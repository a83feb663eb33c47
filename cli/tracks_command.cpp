// murvane-cli tracks FILE [--ini PATH]
//
// Which channel of FILE to play, and at which shift. One line per channel
// that has note-ons (with a velocity above 0), channels counted from 1:
//
//   channel=C notes=N lowest=L highest=H inside=I program=P instrument="NAME" track="NAME"
//
// I: the note-ons that have keys as the file stands, in the layout the INI
// file at PATH chooses (without --ini: the first-run keys, C3-C6). P: the channel's first
// program change, -1 without one; NAME: its General MIDI name ("Drum Kit" on
// channel 10 whatever the program, empty without a program change); track:
// the names of the tracks that play on it, " / " between, empty when none
// has one. A name is printed as UTF-8 whatever the file's encoding (read as
// the Options window reads it: UTF-8, else Shift_JIS, else Windows-1252);
// quotes inside it are doubled and control characters become blanks.
// Then the channel most like the melody, and the shift that puts the most of
// its notes on keys, as the Options section takes them, with why:
//
//   suggest Channels=0x0004 Transpose=12 inside=I reason="top voice, mostly single notes, flute"
//
// A file that does not load is reported as `check` reports it, with the same
// exit status. Nothing is written.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "bindings/binding_table.h"
#include "bindings/key_layout.h"
#include "bindings/portable_ini_store.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/text_output.h"
#include "options/gm_instruments.h"
#include "keyplan/keyed_notes.h"
#include "options/play_options.h"
#include "options/track_suggestion.h"
#include "playback/song_setup.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "smf/name_text.h"
#include "smf/smf_note_counts.h"

namespace {

constexpr std::uint8_t kDrumChannel = 9;

// The notes that have keys in the layout the INI file at `ini` chooses (the
// --ini PATH, null when not given: the first-run bindings). A file that is
// not there is not made: tracks writes nothing.
// The song's own section, by `hash`, over [Options].
murvane::KeyedNotes keyedNotesOf(const char* ini, std::wstring_view hash) {
  if (ini == nullptr) return murvane::defaultKeyedNotes();
  const std::unique_ptr<murvane::IniStore> store = murvane::makePortableIniStore(std::filesystem::path(ini));
  if (!store->exists()) return murvane::defaultKeyedNotes();
  const murvane::BindingTable bindings = *murvane::loadBindings(*store);
  const murvane::SongSetup setup = murvane::setUpSong(*store, bindings, hash, nullptr);
  if (setup.unknownLayout) {
    std::fprintf(stderr, "murvane-cli: no layout \"%s\": counting the key configuration's keys\n",
                 murvane::toUtf8(setup.song.options.layout).c_str());
  }
  return setup.layout ? setup.layout->keyedNotes() : murvane::defaultLayout(bindings).keyedNotes();
}

// "text" with every quote in it doubled, and control characters as blanks,
// so that one channel stays one line.
std::string quotedText(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out += byte < 0x20 || byte == 0x7F ? ' ' : c;
    if (c == '"') out += '"';
  }
  return out + '"';
}

}  // namespace

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

  const murvane::KeyedNotes keyed = keyedNotesOf(arguments.ini, murvane::songHashOf(smf.imageData(), smf.imageSize()));
  const murvane::NoteCounts counts = murvane::countNoteOns(smf);
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    const std::uint32_t notes = counts.notes(channel);
    if (notes == 0) continue;
    const auto& byNote = counts.byChannel[channel];
    int lowest = 0;
    while (byNote[static_cast<std::size_t>(lowest)] == 0) ++lowest;
    int highest = 127;
    while (byNote[static_cast<std::size_t>(highest)] == 0) --highest;
    const murvane::ChannelInfo& info = counts.channels[channel];
    const std::string_view instrument =
        channel == kDrumChannel ? murvane::kDrumKitName : murvane::instrumentName(info.program);
    std::printf("channel=%u notes=%lu lowest=%d highest=%d inside=%lu program=%d instrument=%s track=%s\n",
                channel + 1u, static_cast<unsigned long>(notes), lowest, highest,
                static_cast<unsigned long>(counts.inside(channel, 0, keyed)), info.program,
                quotedText(instrument).c_str(), quotedText(murvane::nameTextUtf8(info.trackNames)).c_str());
  }
  const murvane::TrackSuggestion best = murvane::suggestTrack(counts, keyed);
  std::printf("suggest Channels=0x%04x Transpose=%d inside=%lu reason=%s\n", 1u << best.channel, best.transpose,
              static_cast<unsigned long>(best.inside), quotedText(best.reason).c_str());
  return std::fflush(stdout) == 0 ? 0 : 74;
}
