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
  // A key that no note types on its own, held down or let go: Shift (0x100)
  // or Ctrl (0x200) around the notes that need it, or the layout's sustain
  // key (0x800). Outputs that are no keyboard ignore it.
  virtual void hold(std::uint16_t held, bool down) {
    static_cast<void>(held);
    static_cast<void>(down);
  }
};

}  // namespace murvane
