#pragma once

namespace murvane {

// The notes that have keys: C3 to C6, bound in order from the first binding
// entry. Everything that asks whether a note can be typed asks here.
inline constexpr int kLowestKeyNote = 48;
inline constexpr int kHighestKeyNote = 84;
inline constexpr int kKeyNoteCount = kHighestKeyNote - kLowestKeyNote + 1;

constexpr bool isKeyNote(int note) { return note >= kLowestKeyNote && note <= kHighestKeyNote; }

}  // namespace murvane
