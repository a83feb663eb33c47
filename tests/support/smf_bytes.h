#pragma once

// Standard MIDI Files spelled out byte by byte for tests: piece by piece
// (header, track, vlq) where the bytes themselves are the point, or event by
// event (TrackBytes, smfImage) where the music is.

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace murvane::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes bigEndian(std::uint32_t value, int bytes) {
  Bytes out;
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
  return out;
}

// A variable-length quantity in its shortest form.
inline Bytes vlq(std::uint32_t value) {
  Bytes out{static_cast<std::uint8_t>(value & 0x7F)};
  while (value >>= 7) out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
  return out;
}

inline Bytes repeated(std::size_t count, std::uint8_t byte) { return Bytes(count, byte); }

// "MThd", length 6, format, track count, division.
inline Bytes header(std::uint16_t format, std::uint16_t tracks, std::uint16_t division) {
  return join({{'M', 'T', 'h', 'd'}, bigEndian(6, 4), bigEndian(format, 2), bigEndian(tracks, 2),
               bigEndian(division, 2)});
}

// "MTrk", the data's length, the data.
inline Bytes track(const Bytes& data) {
  return join({{'M', 'T', 'r', 'k'}, bigEndian(static_cast<std::uint32_t>(data.size()), 4), data});
}

// A whole file: header for the given tracks, then their chunks.
inline Bytes smf(std::uint16_t format, std::uint16_t division, std::initializer_list<Bytes> trackData) {
  Bytes all = header(format, static_cast<std::uint16_t>(trackData.size()), division);
  for (const Bytes& data : trackData) {
    const Bytes chunk = track(data);
    all.insert(all.end(), chunk.begin(), chunk.end());
  }
  return all;
}

// Builds track chunk data event by event: each call appends the delta-time
// as a variable-length quantity, then the event's bytes as given.
class TrackBytes {
 public:
  TrackBytes& event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    const Bytes quantity = vlq(delta);
    bytes_.insert(bytes_.end(), quantity.begin(), quantity.end());
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  TrackBytes& noteOn(std::uint32_t delta, std::uint8_t note, std::uint8_t velocity = 100, std::uint8_t channel = 0) {
    return event(delta, {static_cast<std::uint8_t>(0x90 | channel), note, velocity});
  }
  TrackBytes& noteOff(std::uint32_t delta, std::uint8_t note, std::uint8_t channel = 0) {
    return event(delta, {static_cast<std::uint8_t>(0x80 | channel), note, 64});
  }
  TrackBytes& tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
    return event(delta, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                         static_cast<std::uint8_t>(microsPerQuarter >> 8), static_cast<std::uint8_t>(microsPerQuarter)});
  }
  // Meta event 3: the track's name, as bytes of any encoding (under 128).
  TrackBytes& name(std::uint32_t delta, std::string_view text) {
    event(delta, {0xFF, 0x03, static_cast<std::uint8_t>(text.size())});
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  TrackBytes& program(std::uint32_t delta, std::uint8_t program, std::uint8_t channel = 0) {
    return event(delta, {static_cast<std::uint8_t>(0xC0 | channel), program});
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A format 1 file (format 0 for a single track) with the given division.
inline Bytes smfImage(std::uint16_t division, std::initializer_list<TrackBytes> tracks) {
  const auto count = static_cast<std::uint16_t>(tracks.size());
  Bytes image = header(count > 1 ? 1 : 0, count, division);
  for (const TrackBytes& data : tracks) {
    const Bytes chunk = track(data.bytes());
    image.insert(image.end(), chunk.begin(), chunk.end());
  }
  return image;
}

}  // namespace murvane::test
