#include "keyplan/note_counts.h"

namespace murvane {

std::uint32_t NoteCounts::notes(std::uint8_t channel) const {
  std::uint32_t total = 0;
  for (std::uint32_t count : byChannel[channel & 0x0F]) total += count;
  return total;
}

std::uint32_t NoteCounts::inside(std::uint8_t channel, int shift, const KeyedNotes& keyed) const {
  std::uint32_t total = 0;
  for (int note = 0; note < 128; ++note) {
    const int shifted = note + shift;
    if (shifted >= 0 && shifted < 128 && keyed[static_cast<std::size_t>(shifted)]) {
      total += byChannel[channel & 0x0F][static_cast<std::size_t>(note)];
    }
  }
  return total;
}

}  // namespace murvane
