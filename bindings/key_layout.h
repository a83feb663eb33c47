#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_code.h"

namespace murvane {

// A layout may give a note Shift or Ctrl with its key, never Alt.
inline constexpr KeyCode kLayoutKeyMask = 0x00FF | kShiftBit | kCtrlBit;

inline constexpr std::wstring_view kLayoutSectionPrefix = L"Layout ";
inline constexpr std::wstring_view kSustainKey = L"Sustain";

// Which key types each MIDI note (0-127): a virtual key with Shift or Ctrl
// as the note needs them, 0 for none. The sustain key, when there is one, is
// held while the sustain pedal is down.
struct KeyLayout {
  std::array<KeyCode, 128> keys{};
  KeyCode sustain = 0;

  bool hasKey(int note) const { return note >= 0 && note < 128 && virtualKeyOf(keys[static_cast<std::size_t>(note)]) != 0; }
  int keyCount() const;
  // -1 for a layout without keys.
  int lowest() const;
  int highest() const;
  std::bitset<128> keyedNotes() const;
  // For each note, the lowest note typed on the same physical key (C2 on "1"
  // and C#2 on Shift+1 share one), or the note itself when it has no key:
  // one number per key, so that rules about a key's presses can count in notes.
  std::array<std::uint8_t, 128> physicalKeys() const;

  bool operator==(const KeyLayout&) const = default;
};

// The layout of the key configuration: C3-C6 as bound there, modifier bits
// dropped, no sustain.
KeyLayout defaultLayout(const BindingTable& bindings);

// "C0" to "G9" ("Cs4" for C#4), as [KeyBinds] names C3 to C6; empty below C0.
std::wstring layoutNoteKey(int note);

// A layout section of the INI file: every note key and Sustain, values as
// [KeyBinds] takes them (Alt and unknown bits dropped). None when the file
// has no section "Layout NAME".
std::optional<KeyLayout> readIniLayout(IniStore& store, std::wstring_view name);
// The names of the file's layout sections, in file order.
std::vector<std::wstring> iniLayoutNames(IniStore& store);

// What Layout=NAME plays: the INI file's own layout of that name, else the
// built-in one, else (unknown, or no name) the key configuration's.
struct ChosenLayout {
  KeyLayout layout;
  bool unknown = false;  // a name was given that neither knows
};
ChosenLayout chooseLayout(IniStore& store, const BindingTable& bindings, std::wstring_view name);

// Every layout the user can choose, built-in ones first, then the INI file's
// (one of the file's named like a built-in one takes its place), with its
// key count.
struct LayoutListing {
  std::wstring name;
  KeyLayout layout;
};
std::vector<LayoutListing> listLayouts(IniStore* store);

}  // namespace murvane
