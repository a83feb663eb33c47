#pragma once

#include "app/modifier_keys.h"

namespace murvane::test {

// Modifier keys held or let go through a flag the test owns.
struct HeldModifierKeys final : ModifierKeys {
  explicit HeldModifierKeys(const bool& flag) : held(flag) {}
  bool anyDown() override { return held; }
  const bool& held;
};

}  // namespace murvane::test
