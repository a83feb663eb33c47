#pragma once

#include <memory>

#include "output/midi_out_port.h"

namespace murvane {

// midiOutOpen on MIDI_MAPPER, midiOutShortMsg, midiOutReset, midiOutClose.
std::unique_ptr<MidiOutPort> makeWin32MidiOutPort();

}  // namespace murvane
