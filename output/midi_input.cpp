#include "output/midi_input.h"

namespace murvane {

MidiInput::MidiInput(Synthesizer& target, MidiInPort& port) : target_(target), port_(port) {}

MidiInput::~MidiInput() { close(); }

MidiInputResult MidiInput::open() {
  if (open_) return MidiInputResult::kOk;
  if (port_.deviceCount() == 0) return MidiInputResult::kNoDevice;
  if (!port_.open(*this)) return MidiInputResult::kError;
  if (!port_.start()) {
    port_.close();
    return MidiInputResult::kError;
  }
  open_ = true;
  return MidiInputResult::kOk;
}

void MidiInput::close() {
  if (!open_) return;
  port_.stop();
  port_.reset();
  port_.close();
  open_ = false;
  // A note still held on the instrument would never see its release now.
  target_.allNotesOff();
}

void MidiInput::receive(std::uint32_t message) {
  const auto status = static_cast<std::uint8_t>(message & 0xFF);
  const auto note = static_cast<std::uint8_t>((message >> 8) & 0xFF);
  const auto velocity = static_cast<std::uint8_t>((message >> 16) & 0xFF);
  // Any channel is played; the velocity only tells a note-on from a note-off.
  switch (status >> 4) {
    case 0x8:
      target_.noteOff(note);
      break;
    case 0x9:
      if (velocity == 0) {
        target_.noteOff(note);
      } else {
        target_.noteOn(note);
      }
      break;
    default:
      break;
  }
}

}  // namespace murvane
