#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "keyplan/keyed_notes.h"

namespace murvane {

// What one channel's notes do over a song, and what the file calls the
// channel. Counted once when the file is loaded.
struct ChannelInfo {
  int program = -1;        // its first program change; -1 without one
  std::string trackNames;  // meta event 3 of the tracks that play notes on it, as the file spells them, " / " between
  std::uint32_t topNotes = 0;     // note-ons at or above every note the other channels (not 10) sound then
  std::uint32_t singleNotes = 0;  // note-ons with no other note-on of the channel at the same moment
  std::uint32_t stepNotes = 0;    // single notes a semitone or a whole tone from the channel's note-on before
  std::uint64_t soundingTicks = 0;  // the ticks of the beats in which one of its notes sounds
  std::uint32_t topOnsets = 0;   // the moments it strikes at (a chord is one) with its highest note at or above every other channel's (not 10)
  std::uint32_t heardNotes = 0;  // note-ons struck above a note another channel (not 10) sounds, struck before
  std::uint32_t chordNotes = 0;  // those of them whose pitch class, in some octave, one of those notes has

  bool operator==(const ChannelInfo&) const = default;
};

// How many note-ons a file has of each note, per channel (0-based), and what
// each channel is.
struct NoteCounts {
  std::array<std::array<std::uint32_t, 128>, 16> byChannel{};
  std::array<ChannelInfo, 16> channels{};
  std::uint64_t songTicks = 0;  // the ticks of the beats from the first note-on to the last note's end
  std::uint32_t moments = 0;    // the moments at which a channel other than 10 strikes a note

  void add(std::uint8_t channel, std::uint8_t note) { ++byChannel[channel & 0x0F][note & 0x7F]; }
  std::uint32_t notes(std::uint8_t channel) const;
  // Note-ons of the channel that land on a keyed note when shifted by `shift` semitones.
  std::uint32_t inside(std::uint8_t channel, int shift, const KeyedNotes& keyed) const;
};

}  // namespace murvane
