#pragma once

#include <cstdint>

namespace murvane {

// A note output. Playback and MIDI input end every note in one of these.
class Synthesizer {
 public:
  virtual ~Synthesizer() = default;
  virtual bool open() = 0;
  virtual void close() = 0;
  virtual void noteOn(std::uint8_t note) = 0;
  virtual void noteOff(std::uint8_t note) = 0;
  virtual void allNotesOff() = 0;
};

}  // namespace murvane
