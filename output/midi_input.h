#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>

#include "output/midi_in_port.h"
#include "output/midi_input_result.h"
#include "output/synthesizer.h"

namespace murvane {

// Live notes from a MIDI input device, played into one synthesizer.
// open and close run on the GUI thread; receive runs on the platform's MIDI
// thread, and calls on the target may meet the player's, so the target must
// serialise itself (the KeyboardSynthesizer does). The port holds this
// object's address while open: it must not move, and the port must outlive it.
class MidiInput {
 public:
  MidiInput(Synthesizer& target, MidiInPort& port);
  // Closes the device, so that no callback reaches a freed object.
  ~MidiInput();

  MidiInput(const MidiInput&) = delete;
  MidiInput& operator=(const MidiInput&) = delete;

  // Opens the device the system calls by that name, the first device for an
  // empty one. Open (now or already), no such device, or open/start failed.
  MidiInputResult open(std::wstring_view device = {});
  // Stops, resets and closes the device if open, then releases every note of
  // the target, since the releases of notes still held can no longer arrive.
  // A message still on its way reaches the target before that release or
  // not at all.
  void close();
  bool isOpen() const { return open_; }

  // One packed short message: status in the lowest byte, note, velocity.
  // Ignored unless open.
  void receive(std::uint32_t message);

 private:
  void setDelivering(bool on);

  Synthesizer& target_;
  MidiInPort& port_;
  bool open_ = false;
  // Held by receive for the whole of each delivery, so that close, by taking
  // it, waits for one in flight; the device may call us after it is closed.
  std::mutex delivery_;
  bool delivering_ = false;
};

}  // namespace murvane
