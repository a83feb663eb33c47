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
  // The notes given since the last flush belong together (they are due in
  // the same millisecond): an output that gathers them sends them now, in
  // one go. Callers flush before they wait, and before notes of a later time.
  virtual void flush() {}
};

}  // namespace murvane
