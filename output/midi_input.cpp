#include "output/midi_input.h"

#include <algorithm>
#include <string>
#include <vector>

namespace murvane {

MidiInput::MidiInput(Synthesizer& target, MidiInPort& port) : target_(target), port_(port) {}

MidiInput::~MidiInput() { close(); }

MidiInputResult MidiInput::open(std::wstring_view device) {
  if (open_) return MidiInputResult::kOk;
  const std::vector<std::wstring> names = port_.deviceNames();
  if (names.empty()) return MidiInputResult::kNoDevice;
  std::uint32_t number = 0;
  if (!device.empty()) {
    // Of two devices with one name, the first: the system gives no other way
    // to tell them apart that would survive a restart.
    const auto found = std::find(names.begin(), names.end(), device);
    if (found == names.end()) return MidiInputResult::kNoDevice;
    number = static_cast<std::uint32_t>(found - names.begin());
  }
  if (!port_.open(number, *this)) return MidiInputResult::kError;
  setDelivering(true);
  if (!port_.start()) {
    setDelivering(false);
    port_.close();
    return MidiInputResult::kError;
  }
  open_ = true;
  return MidiInputResult::kOk;
}

void MidiInput::close() {
  if (!open_) return;
  // Before the device calls and not during them: closing a device may wait
  // for its callback, which would be waiting for us.
  setDelivering(false);
  port_.stop();
  port_.reset();
  port_.close();
  open_ = false;
  // A note still held on the instrument would never see its release now.
  target_.allNotesOff();
}

void MidiInput::setDelivering(bool on) {
  std::lock_guard lock(delivery_);
  delivering_ = on;
}

void MidiInput::receive(std::uint32_t message) {
  std::lock_guard lock(delivery_);
  if (!delivering_) return;
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
      return;
  }
  // One message is one batch: the keyboard gathers until told.
  target_.flush();
}

}  // namespace murvane
