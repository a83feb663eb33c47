// murvane-cli layouts [NAME] [--ini PATH]
//
// Without NAME, one line per layout the Options can name, the built-in ones
// first, then those of the INI file (one named like a built-in one replaces
// it):
//
//   layout=NAME keys=N lowest=L highest=H
//
// (lowest and highest -1 for a layout without keys). With NAME, that layout
// as the lines of an INI section, ready to copy into the file and edit:
//
//   [Layout NAME]
//   C2=0x0031
//   Cs2=0x0131
//   ...
//   Sustain=0x0020
//
// A NAME that neither knows: a line on standard error, exit status 1.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "bindings/binding_table.h"
#include "bindings/key_layout.h"
#include "bindings/portable_ini_store.h"
#include "cli/commands.h"
#include "cli/text_output.h"

namespace {

using namespace murvane;

void printSection(const LayoutListing& entry) {
  std::printf("[Layout %s]\n", toUtf8(entry.name).c_str());
  for (int note = 0; note < 128; ++note) {
    if (!entry.layout.hasKey(note)) continue;
    const std::string key = toUtf8(layoutNoteKey(note));
    if (key.empty()) continue;  // below C0 no INI key can name it
    std::printf("%s=%s\n", key.c_str(), toUtf8(formatBindingValue(entry.layout.keys[static_cast<std::size_t>(note)])).c_str());
  }
  if (virtualKeyOf(entry.layout.sustain) != 0) {
    std::printf("%s=%s\n", toUtf8(kSustainKey).c_str(), toUtf8(formatBindingValue(entry.layout.sustain)).c_str());
  }
}

}  // namespace

int runLayoutsCommand(int argc, char** argv) {
  const char* name = nullptr;
  const char* ini = nullptr;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ini") == 0 && i + 1 < argc && ini == nullptr) {
      ini = argv[++i];
    } else if (name == nullptr && argv[i][0] != '-') {
      name = argv[i];
    } else {
      std::fputs("usage: murvane-cli layouts [NAME] [--ini PATH]\n", stderr);
      return 64;
    }
  }

  std::unique_ptr<IniStore> store;
  if (ini != nullptr) store = makePortableIniStore(std::filesystem::path(ini));
  const std::vector<LayoutListing> layouts = listLayouts(store.get());
  if (name == nullptr) {
    for (const LayoutListing& entry : layouts) {
      std::printf("layout=%s keys=%d lowest=%d highest=%d\n", toUtf8(entry.name).c_str(), entry.layout.keyCount(),
                  entry.layout.lowest(), entry.layout.highest());
    }
    return std::fflush(stdout) == 0 ? 0 : 74;
  }
  const std::wstring wanted = fromUtf8(name);
  for (const LayoutListing& entry : layouts) {
    if (entry.name != wanted) continue;
    printSection(entry);
    return std::fflush(stdout) == 0 ? 0 : 74;
  }
  std::fprintf(stderr, "murvane-cli: no layout \"%s\"\n", name);
  return 1;
}
