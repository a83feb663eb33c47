#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bindings/binding_table.h"
#include "bindings/key_layout.h"
#include "bindings/key_names.h"
#include "keyplan/note_counts.h"
#include "options/play_options.h"

namespace murvane {

// What the keyboard output types: a layout's keys with their modifiers, or
// the key configuration's C3-C6 without.
class KeysTyped {
 public:
  KeysTyped(const BindingTable& bindings, const KeyLayout* layout) : bindings_(bindings), layout_(layout) {}

  KeyCode keyOf(int note) const;

  // What a held key is called: the modifier, or the sustain key's name.
  std::string heldText(std::uint16_t held);
  std::string noteText(int note);

 private:
  const BindingTable& bindings_;
  const KeyLayout* layout_;
  KeyNameFormatter formatter_;
};

// The keys and options a start of playback reads, from the INI file at `ini`
// (nullptr: the first-run bindings and no options): [Options] with the
// song's own section over it (`hash`, empty for none) and, with counts,
// AutoSuggest. An unknown layout plays as none was named, and says so on
// standard error.
struct SongTyping {
  BindingTable bindings;
  PlayOptions options;
  std::optional<ChosenLayout> chosen;

  const KeyLayout* layout() const { return chosen ? &chosen->layout : nullptr; }
};
void readSongTyping(const char* ini, SongTyping& typing, std::wstring_view hash = {},
                    const NoteCounts* counts = nullptr);

}  // namespace murvane
