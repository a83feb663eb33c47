#pragma once

#include <memory>

#include "output/midi_in_port.h"

namespace murvane {

// midiInGetNumDevs, midiInGetDevCapsW, midiInOpen with a callback function, midiInStart,
// midiInStop, midiInReset, midiInClose.
std::unique_ptr<MidiInPort> makeWin32MidiInPort();

}  // namespace murvane
