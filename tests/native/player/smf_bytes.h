#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace murvane::test {

// Builds track chunk data event by event: each call appends the delta-time
// as a variable-length quantity, then the event's bytes as given.
class TrackBytes {
 public:
  TrackBytes& event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
    appendQuantity(delta);
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
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  void appendQuantity(std::uint32_t value) {
    std::uint8_t groups[4];
    int count = 0;
    do {
      groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
      value >>= 7;
    } while (value != 0 && count < 4);
    while (count > 1) bytes_.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    bytes_.push_back(groups[0]);
  }

  std::vector<std::uint8_t> bytes_;
};

// A format 1 file (format 0 for a single track) with the given division.
inline std::vector<std::uint8_t> smfImage(std::uint16_t division, std::initializer_list<TrackBytes> tracks) {
  const auto count = static_cast<std::uint16_t>(tracks.size());
  std::vector<std::uint8_t> image = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(count > 1 ? 1 : 0),
                                     static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
                                     static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)};
  for (const TrackBytes& track : tracks) {
    const auto size = static_cast<std::uint32_t>(track.bytes().size());
    image.insert(image.end(), {'M', 'T', 'r', 'k', static_cast<std::uint8_t>(size >> 24),
                               static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 8),
                               static_cast<std::uint8_t>(size)});
    image.insert(image.end(), track.bytes().begin(), track.bytes().end());
  }
  return image;
}

}  // namespace murvane::test
