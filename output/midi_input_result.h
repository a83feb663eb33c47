#pragma once

namespace murvane {

// How opening MIDI input ended.
enum class MidiInputResult : int {
  kOk = 0,        // open, newly or already
  kNoDevice = 1,  // the system has no MIDI input device, or none of the wanted name
  kError = 2,     // the device could not be opened or started
};

}  // namespace murvane
