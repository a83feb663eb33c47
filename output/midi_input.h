#pragma once

#include <cstdint>

#include "output/midi_in_port.h"
#include "output/midi_input_result.h"
#include "output/synthesizer.h"

namespace murvane {

// Live notes from the first MIDI input device, played into one synthesizer.
// open and close run on the GUI thread; receive runs on the platform's MIDI
// thread and calls the target under no lock of ours, so the target must
// serialise itself (the KeyboardSynthesizer does). The port holds this
// object's address while open: it must not move, and the port must outlive it.
class MidiInput {
 public:
  MidiInput(Synthesizer& target, MidiInPort& port);
  // Closes the device, so that no callback reaches a freed object.
  ~MidiInput();

  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // Open (now or already), no device, or open/start failed.
  MidiInputResult open();
  // Stops, resets and closes the device if open, then releases every note of
  // the target, since the releases of notes still held can no longer arrive.
  void close();
  bool isOpen() const { return open_; }

  // One packed short message: status in the lowest byte, note, velocity.
  void receive(std::uint32_t message);

 private:
  Synthesizer& target_;
  MidiInPort& port_;
  bool open_ = false;
};

}  // namespace murvane
