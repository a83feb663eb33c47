#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace murvane {

class MidiInput;

// The system's MIDI input devices, one of them open at a time.
class MidiInPort {
 public:
  virtual ~MidiInPort() = default;
  // The devices' names as the system gives them; a device's index in the
  // list is its number for open. Asked anew each time: devices come and go.
  virtual std::vector<std::wstring> deviceNames() = 0;
  // Opens the device with that number. Every short message it receives is
  // then handed to receiver.receive on a thread of the platform's own, until
  // close.
  virtual bool open(std::uint32_t device, MidiInput& receiver) = 0;
  virtual bool start() = 0;
  virtual void stop() = 0;
  virtual void reset() = 0;
  virtual void close() = 0;
};

}  // namespace murvane
