// murvane-cli sheet FILE [--ini PATH]
//
// The song as the keys a player presses, to read and play or to paste, with
// the layout and options of the INI file at PATH (without --ini: the
// first-run keys). From the song's plan, so it types what playback types.
//
// One moment's single key is the character it types on a US keyboard (`q`;
// with Shift, the character of the key with Shift: `Q`, `!`); keys pressed
// together go in brackets, low note to high (`[qet]`). A space separates
// moments, `|` marks a rest of a beat or more (after the moment before it),
// and a new line starts every four bars by the file's time signature (4/4
// without one). A key with Ctrl is `^` before its character (`^q`). The
// characters the sheet uses for itself (`[`, `]`, `|`, `^`, `\`, `<`, `>`,
// space) are written after a `\` when a key types them; a key that types no
// character is its name in angle brackets (`<F1>`). So no key reads as
// another.
//
// Only the sheet goes to standard output. Notes that have no key are left
// out, and counted on standard error.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bindings/key_names.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/keys_typed.h"
#include "cli/text_output.h"
#include "playback/plan.h"
#include "playback/schedule.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "smf/smf_note_counts.h"
#include "options/song_options.h"

namespace {

using namespace murvane;

constexpr std::uint8_t kMetaTimeSignature = 0x58;

// Where the song's musical time stands at each event's due time, and its
// time signatures, so that a key's due time tells its beat and bar.
class SongTime {
 public:
  SongTime(SmfFile& file, const PlayOptions& options) : division_(file.division()) {
    Schedule schedule;
    file.rewind();
    schedule.restart(file.division(), static_cast<std::uint16_t>(options.speed), options.channels);
    std::uint64_t tick = 0;
    MidiEvent event;
    while (file.readEvent(event)) {
      tick += event.delta;
      schedule.advance(event.delta);
      schedule.play(event);  // takes up a tempo change
      if (anchors_.empty() || anchors_.back().millis != schedule.dueMillis()) {
        anchors_.push_back(Anchor{schedule.dueMillis(), tick});
      }
      if (event.kind == kEventMeta && event.eventType == kMetaTimeSignature && event.length >= 2 &&
          event.data[0] > 0 && event.data[1] <= 6) {
        meters_.push_back(Meter{tick, event.data[0], event.data[1]});
      }
    }
  }

  // The tick of a due time: between two events, as far as the time is.
  std::uint64_t tickAt(std::uint64_t millis) const {
    const auto after = std::upper_bound(anchors_.begin(), anchors_.end(), millis,
                                        [](std::uint64_t at, const Anchor& anchor) { return at < anchor.millis; });
    if (after == anchors_.begin()) return 0;
    const Anchor& before = *(after - 1);
    if (after == anchors_.end()) return before.tick;
    return before.tick + (after->tick - before.tick) * (millis - before.millis) / (after->millis - before.millis);
  }

  // Ticks of one beat (the note the signature counts) at `tick`.
  std::uint64_t beatAt(std::uint64_t tick) const { return beatTicks(meterAt(tick)); }

  // The bar a tick falls in, from 0; a signature that changes within a bar
  // starts a new one.
  std::uint64_t barOf(std::uint64_t tick) const {
    std::uint64_t bars = 0, from = 0;
    Meter meter;
    for (const Meter& next : meters_) {
      if (next.tick > tick) break;
      const std::uint64_t length = barTicks(meter);
      bars += (next.tick - from + length - 1) / length;
      from = next.tick;
      meter = next;
    }
    return bars + (tick - from) / barTicks(meter);
  }

 private:
  struct Anchor {
    std::uint64_t millis;
    std::uint64_t tick;
  };
  struct Meter {
    std::uint64_t tick = 0;
    std::uint8_t beats = 4;
    std::uint8_t noteShift = 2;  // the beat is a whole note >> noteShift
  };

  Meter meterAt(std::uint64_t tick) const {
    Meter meter;
    for (const Meter& next : meters_) {
      if (next.tick > tick) break;
      meter = next;
    }
    return meter;
  }
  std::uint64_t beatTicks(const Meter& meter) const {
    return std::max<std::uint64_t>(1, std::uint64_t{division_} * 4 >> meter.noteShift);
  }
  std::uint64_t barTicks(const Meter& meter) const { return beatTicks(meter) * meter.beats; }

  std::uint16_t division_;
  std::vector<Anchor> anchors_;
  std::vector<Meter> meters_;
};

// The character a US keyboard types with the key, without and with Shift;
// 0 for a key that types none.
char usCharacter(std::uint8_t key, bool shift) {
  if (key >= 'A' && key <= 'Z') return static_cast<char>(shift ? key : key - 'A' + 'a');
  if (key >= '0' && key <= '9') return shift ? ")!@#$%^&*("[key - '0'] : static_cast<char>(key);
  struct Punctuation {
    std::uint8_t key;
    char plain, shifted;
  };
  static constexpr Punctuation kPunctuation[] = {
      {0x20, ' ', ' '}, {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'}, {0xBE, '.', '>'},
      {0xBF, '/', '?'}, {0xC0, '`', '~'}, {0xDB, '[', '{'}, {0xDC, '\\', '|'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}};
  for (const Punctuation& p : kPunctuation) {
    if (p.key == key) return shift ? p.shifted : p.plain;
  }
  return 0;
}

std::string sheetKey(KeyCode code, KeyNameFormatter& formatter) {
  std::string text = (code & kCtrlBit) != 0 ? "^" : "";
  const char c = usCharacter(virtualKeyOf(code), (code & kShiftBit) != 0);
  if (c == 0) {
    std::string name = keyText(static_cast<KeyCode>(code & ~kCtrlBit), formatter);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return text + "<" + name + ">";
  }
  if (std::string_view("[]|^\\<> ").find(c) != std::string_view::npos) text += '\\';
  return text + c;
}

}  // namespace

int runSheetCommand(int argc, char** argv) {
  FileArguments arguments;
  if (!parseFileArguments(argc, argv, arguments)) {
    std::fputs("usage: murvane-cli sheet FILE [--ini PATH]\n", stderr);
    return 64;
  }
  std::unique_ptr<FileReader> reader = makePlatformFileReader();
  SmfFile smf;
  const LoadResult result = loadFile(smf, *reader, std::filesystem::path(arguments.file));
  if (result != LoadResult::kOk) {
    std::fprintf(stderr, "murvane-cli: %s: load result %d\n", arguments.file, static_cast<int>(result));
    return static_cast<int>(result);
  }
  SongTyping song;
  const NoteCounts counts = countNoteOns(smf);
  readSongTyping(arguments.ini, song, songHashOf(smf.imageData(), smf.imageSize()), &counts);
  const KeysTyped typed(song.bindings, song.layout());
  const PlaybackPlan plan = planPlayback(smf, song.options, song.layout());
  const SongTime time(smf, song.options);

  // The keys pressed at each due time, and whether all were up for a beat
  // or more before it.
  struct Moment {
    std::uint64_t tick = 0;
    std::vector<std::uint8_t> notes;
    bool restBefore = false;
  };
  std::vector<Moment> moments;
  std::uint32_t withoutKey = plan.notesWithoutKey;
  std::array<int, 128> down{};
  int held = 0;
  std::uint64_t lastUp = 0;
  std::uint64_t lastMillis = 0;
  for (const KeyChange& change : plan.keys.changes) {
    if (change.held != 0) continue;
    if (typed.keyOf(change.key) == 0) {
      if (change.down) ++withoutKey;
      continue;
    }
    int& count = down[change.key];
    if (!change.down) {
      if (count == 0) continue;
      --count;
      if (--held == 0) lastUp = time.tickAt(change.atMillis);
      continue;
    }
    ++count;
    ++held;
    if (moments.empty() || change.atMillis != lastMillis) {
      const std::uint64_t tick = time.tickAt(change.atMillis);
      const bool rest = !moments.empty() && held == 1 && tick >= lastUp + time.beatAt(lastUp);
      moments.push_back(Moment{tick, {}, rest});
      lastMillis = change.atMillis;
    }
    moments.back().notes.push_back(change.key);
  }

  KeyNameFormatter formatter;
  std::string sheet;
  for (std::size_t i = 0; i < moments.size(); ++i) {
    Moment& moment = moments[i];
    if (i > 0) {
      if (moment.restBefore) sheet += " |";
      sheet += time.barOf(moment.tick) / 4 != time.barOf(moments[i - 1].tick) / 4 ? '\n' : ' ';
    }
    std::sort(moment.notes.begin(), moment.notes.end());
    std::vector<std::string> keys;
    for (const std::uint8_t note : moment.notes) {
      std::string key = sheetKey(typed.keyOf(note), formatter);
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
    }
    if (keys.size() == 1) {
      sheet += keys.front();
    } else {
      sheet += '[';
      for (const std::string& key : keys) sheet += key;
      sheet += ']';
    }
  }
  if (!sheet.empty()) sheet += '\n';
  std::fputs(sheet.c_str(), stdout);
  if (withoutKey > 0) {
    std::fprintf(stderr, "murvane-cli: %lu note%s without a key left out\n", static_cast<unsigned long>(withoutKey),
                 withoutKey == 1 ? "" : "s");
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
