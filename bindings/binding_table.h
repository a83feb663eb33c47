#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "bindings/ini_store.h"
#include "bindings/key_code.h"
#include "bindings/note_range.h"

namespace murvane {

// The first entries bind the key notes (entry = note - kLowestKeyNote); the
// last three are the Play/Stop, MIDI input and All-stop hotkeys.
inline constexpr int kNoteBindingCount = kKeyNoteCount;
inline constexpr int kHotkeyPlayIndex = kNoteBindingCount;
inline constexpr int kHotkeyMidiInputIndex = kNoteBindingCount + 1;
inline constexpr int kHotkeyAllStopIndex = kNoteBindingCount + 2;
inline constexpr int kBindingCount = kNoteBindingCount + 3;

inline constexpr KeyCode kNoteBindingMask = 0x00FF;
inline constexpr KeyCode kHotkeyBindingMask = 0x07FF;

inline constexpr std::wstring_view kBindingSection = L"KeyBinds";

// Hotkeys that control a song while it plays, in the same section and form
// as the hotkeys above but apart from the table's entries: none is bound
// until the user sets it, and the first run writes none of them.
inline constexpr int kControlHotkeyCount = 7;
inline constexpr int kControlPause = 0;
inline constexpr int kControlSeekBack = 1;
inline constexpr int kControlSeekForward = 2;
inline constexpr int kControlSlower = 3;
inline constexpr int kControlFaster = 4;
// The queue's: the next song and the one before (or this one again).
inline constexpr int kControlNext = 5;
inline constexpr int kControlPrevious = 6;

// A non-zero value is held by at most one entry, compared as whole masked
// values across notes and hotkeys; a control hotkey never holds a value an
// entry holds.
struct BindingTable {
  std::array<KeyCode, kBindingCount> keys{};
  std::array<KeyCode, kControlHotkeyCount> controls{};  // 0: unbound
};

// "HotkeyPause", "HotkeySeekBack", ...; empty for a slot out of range.
std::wstring_view controlHotkeyIniKey(int slot);
// The control hotkey of the slot, or 0 while a note or another hotkey holds
// its value (the key configuration may have given it away since loading).
KeyCode controlHotkeyOf(const BindingTable& table, int slot);

// Out-of-range indexes give an empty key name, a zero default and a zero mask.
std::wstring_view bindingIniKey(int index);
KeyCode defaultBinding(int index);
KeyCode bindingMask(int index);

// "0x%04x": always 6 characters.
std::wstring formatBindingValue(KeyCode value);

// Converts text as an unsigned base-16 number in the manner of wcstoul:
// leading blanks, an optional sign (minus negates modulo 2^32), an optional
// 0x/0X, then hex digits. True only when the whole text converts.
bool parseHexValue(std::wstring_view text, std::uint32_t& value);

// Reads the table from the store, or writes the defaults when the file does
// not exist. Never fails: what cannot be read becomes 0. Nothing is written
// back while reading.
std::unique_ptr<BindingTable> loadBindings(IniStore& store);

// Stores code (masked for the entry) at index and writes every changed line:
// first each entry that held the value, as 0x0000, then the target line.
// False when a line could not be written; the table holds the new values
// all the same.
bool assignBinding(BindingTable& table, IniStore& store, int index, KeyCode code);

bool writeBinding(IniStore& store, int index, KeyCode value);

}  // namespace murvane
