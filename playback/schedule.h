#pragma once

#include <cstdint>

#include "smf/smf_midi_event.h"

namespace murvane {

inline constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

enum class NoteAction : std::uint8_t { kNone, kDown, kUp };

// What an event does to the keyboard. Only channel 0 plays: a note-on with a
// velocity above 0 presses its key; a note-off, or a note-on with velocity 0,
// releases it. Everything else (key pressure included) plays nothing.
NoteAction noteActionOf(const MidiEvent& event);
// The same for the channels of a mask, bit n for channel n.
NoteAction noteActionOf(const MidiEvent& event, std::uint16_t channels);

// True, with the new tempo, for a set-tempo event that carries its three
// bytes; a shorter one changes nothing and nothing beyond it is read.
bool tempoOf(const MidiEvent& event, std::uint32_t& tempo);

// Musical time of a file being played: the one place that turns delta-times
// into due times, shared by the player's worker and `murvane-cli keys` so the
// two can never disagree.
//
// Intervals carry their remainder, so `elapsedMicros` is always the exact time
// of the last event read, rounded down to the microsecond, whatever the
// tempo changes: rounding errors never add up over a long file.
//
// Per event: advance(delta) when it is read, play(event) when it is sent. A
// set-tempo event thus applies to the events read after it.
class Schedule {
 public:
  // Back to the start: time 0 and the default tempo. A division of 0 (which
  // the loader refuses) makes every interval 0 rather than dividing by it.
  // At `speedPercent` every interval is multiplied by 100 / speedPercent, with
  // the remainder carried as at 100; `channels` are the channels played.
  void restart(std::uint16_t division, std::uint16_t speedPercent = 100, std::uint16_t channels = 0x0001);

  // Moves on by `delta` ticks at the current tempo. True when time moved,
  // i.e. the event falls later than the one before and needs the clock.
  bool advance(std::uint32_t delta);

  // Applies a set-tempo event and tells what the event does to the keyboard.
  NoteAction play(const MidiEvent& event);

  std::uint32_t tempo() const { return tempo_; }
  std::uint64_t elapsedMicros() const { return elapsed_; }
  // Milliseconds from the start, rounded to the nearest.
  std::uint64_t dueMillis() const { return elapsed_ / 1000 + (elapsed_ % 1000 >= 500 ? 1 : 0); }

 private:
  std::uint64_t elapsed_ = 0;
  // ticks x microseconds x 100 not yet a whole microsecond, below divisor_
  std::uint64_t remainder_ = 0;
  std::uint32_t tempo_ = kDefaultTempo;
  std::uint32_t divisor_ = 0;  // division x speed in percent
  std::uint16_t channels_ = 0x0001;
};

}  // namespace murvane
