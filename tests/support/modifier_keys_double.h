#pragma once

#include "app/modifier_keys.h"

namespace murvane::test {

// Modifier keys that the test holds or lets go through the flag it owns.
class HeldModifierKeys final : public ModifierKeys {
 public:
  explicit HeldModifierKeys(const bool& held) : held_(held) {}
  bool anyDown() override { return held_; }

 private:
  const bool& held_;
};

}  // namespace murvane::test
