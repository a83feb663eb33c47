#pragma once

namespace murvane {

// How loading a Standard MIDI File ended. The values are the codes that
// `murvane-cli check` exits with.
enum class LoadResult : int {
  kOk = 0,
  kOpenFailed = 1,   // cannot open the file or query its size
  kTooLarge = 2,     // over 4,294,967,295 bytes
  kReadFailed = 3,   // the read failed or delivered fewer bytes than the size
  kIllegal = 4,      // not a well-formed Standard MIDI File
  kUnsupported = 5,  // format other than 0 and 1, or SMPTE division
};

}  // namespace murvane
