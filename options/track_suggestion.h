#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "keyplan/keyed_notes.h"
#include "keyplan/note_counts.h"

namespace murvane {

struct TrackSuggestion {
  std::uint8_t channel = 0;  // 0-based; never 9 (the drums of channel 10)
  int transpose = 0;         // semitones, -48 to 48
  std::uint32_t inside = 0;  // the channel's note-ons on keys once shifted
  std::string reason;        // a few words: why this channel

  bool operator==(const TrackSuggestion&) const = default;
};

// The channel most like the song's melody, shifted so that the most of its
// notes have keys. A file without notes gets channel 1 unshifted.
//
// Each channel but 10 is scored from its music and its name: how often it
// is the top voice, at its own notes and over the song's moments, how often
// its notes leave the harmony the other channels hold, how often it plays
// one note at a time, how often it moves by a step rather than a leap, how
// much of the song it sounds for, whether it sits in a singing register,
// whether its instrument is one that leads, and how many notes it has
// against the busiest channel. A track name that says melody, lead, vocal
// or the like adds more than being the top voice everywhere; one that says
// bass, drums, chords or the like takes as much away. Ties go to the lower
// channel.
TrackSuggestion suggestTrack(const NoteCounts& counts, const KeyedNotes& keyed);

struct ShiftChoice {
  int shift = 0;
  std::uint32_t inside = 0;

  bool operator==(const ShiftChoice&) const = default;
};

// The shift from -48 to 48 that puts the most of a channel's note-ons on
// keys. Among those within 1 % of the best, whole octaves come first, then
// the smallest, then the upward one.
ShiftChoice bestShift(const NoteCounts& counts, std::uint8_t channel, const KeyedNotes& keyed);

// What a track name says of its channel.
enum class NameHint : unsigned char { kNone, kMelody, kAccompaniment };

// Looks for words such as melody, lead, vocal, voice, solo (and the same in
// Japanese, in UTF-8 or Shift_JIS) or bass, drum, chord, pad, backing.
NameHint nameHint(std::string_view trackNames);

}  // namespace murvane
