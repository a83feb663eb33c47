#pragma once

namespace murvane {

// What Commit in the key configuration window did.
enum class CommitResult : int {
  kStored = 0,
  kNothingSelected = 1,
  kNothingCaptured = 2,
  // The window tells the user with string 1068; nothing is stored.
  kModifierOnNote = 3,
  // Stored in the table, so in effect for this run, but the INI file could
  // not be written; the window tells the user with string 1069.
  kNotSaved = 4,
};

}  // namespace murvane
