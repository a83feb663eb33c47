#pragma once

namespace murvane {

// The keyboard as the user's hands hold it, apart from what we inject.
class ModifierKeys {
 public:
  virtual ~ModifierKeys() = default;
  // Whether Shift, Ctrl, Alt or a Windows key is physically down now.
  virtual bool anyDown() = 0;
};

}  // namespace murvane
