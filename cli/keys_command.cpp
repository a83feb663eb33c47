#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bindings/binding_table.h"
#include "bindings/key_names.h"
#include "bindings/note_range.h"
#include "bindings/portable_ini_store.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "options/play_options.h"
#include "smf/playback_plan.h"
#include "smf/playback_schedule.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

namespace {

using namespace murvane;

constexpr int kUsageError = 64;

// What the keyboard output would type for a note: the display name of its key
// without the leading space, "-" for no key, and the virtual-key code for a
// bound key that has no display name (one set by hand in the INI file).
std::string keyText(const BindingTable& bindings, std::uint8_t note, KeyNameFormatter& formatter) {
  if (!isKeyNote(note)) return "-";
  const std::uint8_t vk = virtualKeyOf(bindings.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
  if (vk == 0) return "-";
  const wchar_t* name = formatter.formatKeyName(vk);
  if (name == nullptr) {
    char code[8];
    std::snprintf(code, sizeof code, "0x%02x", vk);
    return code;
  }
  if (*name == L' ') ++name;
  std::string text;
  for (; *name != L'\0'; ++name) text.push_back(*name < 0x80 ? static_cast<char>(*name) : '?');
  return text;
}

}  // namespace

int runKeysCommand(int argc, char** argv) {
  FileArguments arguments;
  const bool understood = parseFileArguments(argc, argv, arguments);
  const char* file = arguments.file;
  const char* ini = arguments.ini;
  if (!understood) {
    std::fputs("usage: murvane-cli keys FILE [--ini PATH]\n", stderr);
    return kUsageError;
  }

  std::unique_ptr<FileReader> reader = makePlatformFileReader();
  SmfFile smf;
  const LoadResult result = loadFile(smf, *reader, std::filesystem::path(file));
  if (result != LoadResult::kOk) {
    std::fprintf(stderr, "murvane-cli: %s: load result %d\n", file, static_cast<int>(result));
    return static_cast<int>(result);
  }

  BindingTable bindings;
  PlayOptions options;
  if (ini != nullptr) {
    std::unique_ptr<IniStore> store = makePortableIniStore(std::filesystem::path(ini));
    bindings = *loadBindings(*store);
    options = readPlayOptions(*store);
  } else {
    for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  }

  // The same steps as the player's worker, without the waits.
  KeyNameFormatter formatter;
  const auto print = [&](std::uint64_t at, bool down, int note) {
    std::printf("%" PRIu64 " %s %d %s\n", at, down ? "down" : "up", note,
                keyText(bindings, static_cast<std::uint8_t>(note), formatter).c_str());
  };
  if (shapesKeys(options)) {
    // As the player plays such a song: from a plan made before it starts.
    for (const KeyChange& change : planPlayback(smf, options).keys.changes) {
      print(change.atMillis, change.down, change.key);
    }
    return std::fflush(stdout) == 0 ? 0 : 74;
  }
  Schedule schedule;
  smf.rewind();
  schedule.restart(smf.division());
  MidiEvent event;
  while (smf.readEvent(event)) {
    schedule.advance(event.delta);
    const NoteAction action = schedule.play(event);
    if (action != NoteAction::kNone) print(schedule.dueMillis(), action == NoteAction::kDown, event.data1);
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
