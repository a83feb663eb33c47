#pragma once

#include <bitset>

namespace murvane {

// The notes that have keys. "In range" everywhere a channel is counted or a
// shift is chosen means a note of this set, so that a layout with other keys
// changes every count with it.
using KeyedNotes = std::bitset<128>;

// The notes of the default layout: C3 to C6.
KeyedNotes defaultKeyedNotes();

}  // namespace murvane
