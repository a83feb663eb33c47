#pragma once

#include <cstdint>

namespace murvane {

// The system's MIDI mapper as an output device.
class MidiOutPort {
 public:
  virtual ~MidiOutPort() = default;
  // Opens the MIDI mapper; false when the system refuses it.
  virtual bool open() = 0;
  // One short message: status in the lowest byte, then the two data bytes.
  virtual void sendShortMessage(std::uint32_t message) = 0;
  // Turns off every note on every channel.
  virtual void reset() = 0;
  virtual void close() = 0;
};

}  // namespace murvane
