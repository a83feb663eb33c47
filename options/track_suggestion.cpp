#include "options/track_suggestion.h"

#include "bindings/note_range.h"
#include "options/play_options.h"

namespace murvane {
namespace {

constexpr std::uint8_t kDrumChannel = 9;

// The shifts in the order that wins ties: 0, +12, -12, +24, -24, ...
constexpr std::array<int, 9> kShiftsInTieOrder = {0, 12, -12, 24, -24, 36, -36, 48, -48};

}  // namespace

std::uint32_t NoteCounts::notes(std::uint8_t channel) const {
  std::uint32_t total = 0;
  for (std::uint32_t count : byChannel[channel & 0x0F]) total += count;
  return total;
}

std::uint32_t NoteCounts::inside(std::uint8_t channel, int shift) const {
  std::uint32_t total = 0;
  for (int note = kLowestKeyNote - shift; note <= kHighestKeyNote - shift; ++note) {
    if (note >= 0 && note < 128) total += byChannel[channel & 0x0F][static_cast<std::size_t>(note)];
  }
  return total;
}

TrackSuggestion suggestTrack(const NoteCounts& counts) {
  TrackSuggestion best;
  bool found = false;
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    if (channel == kDrumChannel) continue;
    for (int shift : kShiftsInTieOrder) {
      const std::uint32_t inside = counts.inside(channel, shift);
      // Strictly more: the first candidate met wins a tie.
      if (!found || inside > best.inside) {
        best = TrackSuggestion{channel, shift, inside};
        found = true;
      }
    }
  }
  return best;
}

}  // namespace murvane
