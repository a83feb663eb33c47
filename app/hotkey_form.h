#pragma once

#include <array>
#include <cstdint>

#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_code.h"

namespace murvane {

// The control hotkeys (Pause, the seeks, Slower, Faster) as the Options
// window sets them, kept apart from the window: what its hotkey controls
// show, which key it refuses and why, and what OK writes.

// The standard hotkey control's value: the virtual key in the low byte, the
// platform's HOTKEYF_ flags in the high one.
inline constexpr std::uint16_t kHotkeyFlagShift = 0x01;
inline constexpr std::uint16_t kHotkeyFlagControl = 0x02;
inline constexpr std::uint16_t kHotkeyFlagAlt = 0x04;
inline constexpr std::uint16_t kHotkeyFlagExtended = 0x08;

// The extended flag only tells which of two keys with one code was pressed
// (the arrow above the numeric pad's 8); a hotkey does not tell them apart.
// A value without a key is none.
KeyCode keyCodeOfHotkeyControl(std::uint16_t value);
// With the extended flag on the keys that have it, so that the control
// names them as the keyboard does ("Up", not "Num 8").
std::uint16_t hotkeyControlValueOf(KeyCode code);

using ControlHotkeys = std::array<KeyCode, kControlHotkeyCount>;

// The Options window has a row for the first five (the song's own
// controls); Next and Previous are set in the INI file, and the window
// keeps them as shown, though they still hold their keys against the rows.
inline constexpr int kHotkeyRowCount = 5;

// "Pause", "Seek back", ...: the rows' labels, which also name them when
// they hold a key; 0 for a slot out of range.
std::int32_t controlHotkeyLabelId(int slot);

// What the controls show when the window opens: each hotkey as it is
// registered, so none while a note or another hotkey holds its key.
ControlHotkeys shownControlHotkeys(const BindingTable& table);

// The first changed slot whose key a note, a hotkey of the key
// configuration or another of these holds (as the key configuration
// compares keys: whole values, modifiers included), and the text that
// names the holder. A slot left as shown is never refused: it was free when
// shown, and another slot set to its key is the one refused.
struct HotkeyRefusal {
  int slot = -1;  // -1: none refused
  std::int32_t holderTextId = 0;
};
HotkeyRefusal refusedHotkey(const BindingTable& table, const ControlHotkeys& shown, const ControlHotkeys& entered);

// Writes each slot whose key differs from what was shown, in the "0x%04x"
// form of the key configuration, and gives the table each value written, so
// the hotkeys registered next are those the file holds. Nothing changed
// writes nothing. False when a line could not be written.
bool storeControlHotkeys(BindingTable& table, IniStore& store, const ControlHotkeys& shown,
                         const ControlHotkeys& entered);

}  // namespace murvane
