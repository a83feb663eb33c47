#pragma once

#include <cstdint>

namespace murvane {

inline constexpr std::uint8_t kEventChannel = 0;
inline constexpr std::uint8_t kEventSysex = 1;
inline constexpr std::uint8_t kEventMeta = 2;

inline constexpr std::uint8_t kMetaTrackName = 0x03;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;
inline constexpr std::uint8_t kMetaSetTempo = 0x51;

// One event as SmfFile::readEvent delivers it. The caller owns the record and
// may keep it between calls; `data` points into the file image and stays
// valid until the next load.
//
// What each kind fills in (fields not listed keep no meaning for the kind):
//   channel event (kind 0): eventType = status & 0xF0 (0x80 ... 0xE0),
//     channel = status & 0x0F, data1 / data2 = the data bytes as found.
//     Program change: data1 = program, data2 = 0.
//     Channel pressure: data2 = pressure (data1 = 0).
//     Pitch bend: data1 / data2 = the raw bytes, value = the 14-bit bend
//     (data2 & 0x7F) << 7 | (data1 & 0x7F), 0x2000 = centre.
//     Every other channel event: value = data1 | data2 << 8.
//   system exclusive (kind 1): eventType = 0xF0 or 0xF7; data / length = the
//     bytes after the length quantity.
//   meta event (kind 2): eventType = the meta type byte, whatever it is;
//     data / length = the event's data bytes.
// For system exclusive and meta events `value` is the length as well,
// saturated at 0xFFFF: lengths are variable-length quantities and may be
// longer, so read `length`. A meta event may carry fewer data bytes than its
// type calls for (a set-tempo event with length 0 is well formed); check
// `length` before reading `data`.
struct MidiEvent {
  std::uint32_t delta = 0;  // ticks since the previously delivered event, of any track
  std::uint8_t kind = 0;
  std::uint8_t eventType = 0;
  std::uint8_t channel = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  std::uint16_t value = 0;
  std::uint32_t length = 0;
  const std::uint8_t* data = nullptr;
  std::uint16_t track = 0;  // the index of the track chunk it came from, from 0
};

}  // namespace murvane
