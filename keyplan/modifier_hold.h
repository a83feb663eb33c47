#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bindings/key_code.h"
#include "keyplan/repress_gap.h"

namespace murvane {

// Turns planned key changes into what a game that misses a Shift or Ctrl
// only as long as its key sees: each press of a note whose key needs a
// modifier gets the modifier `holdMillis` before it and up `holdMillis`
// after it, as changes of their own (KeyChange::held), so the press keeps
// its time. No press without that modifier happens while it is down: a press
// due inside the window goes just before it (when due before the modified
// key) or just after it. Presses that need the same modifier share one
// window; releases keep their time. Times never go backwards.
//
// `changes` are in time order; `keys` gives each note's key (kShiftBit,
// kCtrlBit). A hold of 0 changes nothing: the keyboard then sends the
// modifier around its key in one input call.
std::vector<KeyChange> holdModifiers(const std::vector<KeyChange>& changes, const std::array<KeyCode, 128>& keys,
                                     std::uint32_t holdMillis);

}  // namespace murvane
