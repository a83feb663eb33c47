#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "bindings/binding_table.h"
#include "bindings/key_layout.h"
#include "bindings/key_names.h"
#include "bindings/note_range.h"
#include "bindings/portable_ini_store.h"
#include "cli/commands.h"
#include "cli/file_arguments.h"
#include "cli/text_output.h"
#include "options/play_options.h"
#include "playback/plan.h"
#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

namespace {

using namespace murvane;

constexpr int kUsageError = 64;

// What the keyboard output types: a layout's keys with their modifiers, or
// the key configuration's C3-C6 without.
class KeysTyped {
 public:
  KeysTyped(const BindingTable& bindings, const KeyLayout* layout) : bindings_(bindings), layout_(layout) {}

  KeyCode keyOf(int note) const {
    if (layout_ != nullptr) return layout_->hasKey(note) ? layout_->keys[static_cast<std::size_t>(note)] & kLayoutKeyMask : 0;
    if (!isKeyNote(note)) return 0;
    return virtualKeyOf(bindings_.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
  }

  // What a held key is called: the modifier, or the sustain key's name.
  std::string heldText(std::uint16_t held) {
    if (held == kShiftBit) return "Shift";
    if (held == kCtrlBit) return "Ctrl";
    return layout_ != nullptr ? keyText(virtualKeyOf(layout_->sustain), formatter_) : std::string("-");
  }

  std::string noteText(int note) { return keyText(keyOf(note), formatter_); }

 private:
  const BindingTable& bindings_;
  const KeyLayout* layout_;
  KeyNameFormatter formatter_;
};

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
  std::optional<ChosenLayout> chosen;
  if (ini != nullptr) {
    std::unique_ptr<IniStore> store = makePortableIniStore(std::filesystem::path(ini));
    bindings = *loadBindings(*store);
    options = readPlayOptions(*store);
    if (!options.layout.empty()) chosen = chooseLayout(*store, bindings, options.layout);
  } else {
    for (int i = 0; i < kBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  }
  // An unknown layout plays as none was named, and says so.
  if (chosen && chosen->unknown) {
    std::fprintf(stderr, "murvane-cli: no layout \"%s\": playing the key configuration's keys\n",
                 toUtf8(options.layout).c_str());
    chosen.reset();
  }
  const KeyLayout* layout = chosen ? &chosen->layout : nullptr;

  // The same steps as the player's worker, without the waits. A note without
  // a key types nothing and is not listed.
  KeysTyped typed(bindings, layout);
  const auto print = [&](std::uint64_t at, bool down, int note) {
    if (typed.keyOf(note) == 0) return;
    std::printf("%" PRIu64 " %s %d %s\n", at, down ? "down" : "up", note, typed.noteText(note).c_str());
  };
  // As the player plays it: from the song's plan.
  const PlaybackPlan plan = planPlayback(smf, options, layout);
  for (const KeyChange& change : plan.keys.changes) {
    if (change.held != 0) {
      std::printf("%" PRIu64 " %s - %s\n", change.atMillis, change.down ? "down" : "up",
                  typed.heldText(change.held).c_str());
    } else {
      print(change.atMillis, change.down, change.key);
    }
  }
  if (plan.keys.droppedPresses > 0) {
    std::fprintf(stderr, "murvane-cli: MaxKeys=%d dropped %" PRIu32 " presses\n", options.maxKeys,
                 plan.keys.droppedPresses);
  }
  return std::fflush(stdout) == 0 ? 0 : 74;
}
