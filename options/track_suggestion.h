#pragma once

#include <array>
#include <cstdint>

namespace murvane {

// How many note-ons a file has of each note, per channel (0-based).
struct NoteCounts {
  std::array<std::array<std::uint32_t, 128>, 16> byChannel{};

  void add(std::uint8_t channel, std::uint8_t note) { ++byChannel[channel & 0x0F][note & 0x7F]; }
  std::uint32_t notes(std::uint8_t channel) const;
  // Note-ons of the channel that land in 48-84 when shifted by `shift` semitones.
  std::uint32_t inside(std::uint8_t channel, int shift) const;
};

struct TrackSuggestion {
  std::uint8_t channel = 0;  // 0-based; never 9 (the drums of channel 10)
  int transpose = 0;         // whole octaves, -48 to 48
  std::uint32_t inside = 0;

  bool operator==(const TrackSuggestion&) const = default;
};

// The channel and octave shift that put the most note-ons inside 48-84. Ties
// go to the lower channel, then the smaller shift, then the upward one; a file
// without notes gets channel 1 unshifted.
TrackSuggestion suggestTrack(const NoteCounts& counts);

}  // namespace murvane
