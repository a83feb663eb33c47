#pragma once

#include <cstdint>

namespace murvane {

// A key with optional modifiers: bits 0-7 hold the Windows virtual-key code
// (0 = no key), 0x100 Shift, 0x200 Ctrl, 0x400 Alt.
using KeyCode = std::uint16_t;

inline constexpr KeyCode kShiftBit = 0x0100;
inline constexpr KeyCode kCtrlBit = 0x0200;
inline constexpr KeyCode kAltBit = 0x0400;
inline constexpr KeyCode kModifierBits = kShiftBit | kCtrlBit | kAltBit;
// Not a key of a note: the layout's sustain key, where held keys are named
// by these bits.
inline constexpr KeyCode kSustainHeld = 0x0800;

constexpr std::uint8_t virtualKeyOf(KeyCode code) { return static_cast<std::uint8_t>(code & 0xFF); }
// The modifiers a note's key is typed with: Shift and Ctrl. The planner and
// the keyboard both ask here, so they can never disagree on which presses
// need a modifier window.
constexpr KeyCode noteModifiersOf(KeyCode code) { return static_cast<KeyCode>(code & (kShiftBit | kCtrlBit)); }

}  // namespace murvane
