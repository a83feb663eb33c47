#pragma once

#include <cstdint>

#include "output/midi_out_port.h"
#include "output/synthesizer.h"

namespace murvane {

// Plays notes on the MIDI mapper, channel 1, velocity 127: the file test.
// Every operation but open does nothing while the port is closed. No lock of
// its own: the player calls it under the player's lock.
class MidiSynthesizer final : public Synthesizer {
 public:
  // The port is not owned and must outlive this object.
  explicit MidiSynthesizer(MidiOutPort& port);
  // Resets and closes the port if open.
  ~MidiSynthesizer() override;

  MidiSynthesizer(const MidiSynthesizer&) = delete;
  MidiSynthesizer& operator=(const MidiSynthesizer&) = delete;

  bool open() override;
  void close() override;
  void noteOn(std::uint8_t note) override;
  void noteOff(std::uint8_t note) override;
  void allNotesOff() override;

  bool isOpen() const { return open_; }

 private:
  MidiOutPort& port_;
  bool open_ = false;
};

}  // namespace murvane
