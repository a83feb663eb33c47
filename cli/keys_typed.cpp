#include "cli/keys_typed.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "bindings/note_range.h"
#include "bindings/portable_ini_store.h"
#include "cli/text_output.h"
#include "playback/song_setup.h"

namespace murvane {

KeyCode KeysTyped::keyOf(int note) const {
  if (layout_ != nullptr) return layout_->hasKey(note) ? layout_->keys[static_cast<std::size_t>(note)] & kLayoutKeyMask : 0;
  if (!isKeyNote(note)) return 0;
  return virtualKeyOf(bindings_.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
}

std::string KeysTyped::heldText(std::uint16_t held) {
  if (held == kShiftBit) return "Shift";
  if (held == kCtrlBit) return "Ctrl";
  return layout_ != nullptr ? keyText(virtualKeyOf(layout_->sustain), formatter_) : std::string("-");
}

std::string KeysTyped::noteText(int note) { return keyText(keyOf(note), formatter_); }

void readSongTyping(const char* ini, SongTyping& typing, std::wstring_view hash, const NoteCounts* counts) {
  typing.options = PlayOptions{};
  typing.chosen.reset();
  if (ini != nullptr) {
    std::unique_ptr<IniStore> store = makePortableIniStore(std::filesystem::path(ini));
    typing.bindings = *loadBindings(*store);
    SongSetup setup = setUpSong(*store, typing.bindings, hash, counts);
    typing.options = setup.song.options;
    if (!typing.options.layout.empty()) {
      typing.chosen = ChosenLayout{setup.layout ? std::move(*setup.layout) : defaultLayout(typing.bindings),
                                   setup.unknownLayout};
    }
  } else {
    for (int i = 0; i < kBindingCount; ++i) typing.bindings.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  }
  if (typing.chosen && typing.chosen->unknown) {
    std::fprintf(stderr, "murvane-cli: no layout \"%s\": playing the key configuration's keys\n",
                 toUtf8(typing.options.layout).c_str());
    typing.chosen.reset();
  }
}

}  // namespace murvane
