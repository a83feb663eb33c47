#pragma once

#include <cstdint>

namespace murvane {

class MidiInput;

// The first MIDI input device of the system.
class MidiInPort {
 public:
  virtual ~MidiInPort() = default;
  virtual std::uint32_t deviceCount() = 0;
  // Opens device 0. Every short message it receives is then handed to
  // receiver.receive on a thread of the platform's own, until close.
  virtual bool open(MidiInput& receiver) = 0;
  virtual bool start() = 0;
  virtual void stop() = 0;
  virtual void reset() = 0;
  virtual void close() = 0;
};

}  // namespace murvane
