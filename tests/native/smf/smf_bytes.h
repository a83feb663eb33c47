#pragma once

// Standard MIDI Files spelled out byte by byte for tests.

#include <cstdint>
#include <initializer_list>
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

}  // namespace murvane::test
