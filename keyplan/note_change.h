#pragma once

#include <cstdint>

namespace murvane {

// A played note starting or ending on its key (the note after transposing
// and folding), at its due time.
struct NoteChange {
  std::uint64_t atMillis = 0;
  std::uint8_t key = 0;
  bool down = false;

  bool operator==(const NoteChange&) const = default;
};

}  // namespace murvane
