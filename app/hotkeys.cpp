#include "app/hotkeys.h"

#include "res/resource.h"

namespace murvane {

HotkeyCombination hotkeyCombinationOf(KeyCode code) {
  HotkeyCombination combination;
  combination.virtualKey = virtualKeyOf(code);
  if (code & kShiftBit) combination.modifiers |= kHotkeyModShift;
  if (code & kCtrlBit) combination.modifiers |= kHotkeyModControl;
  if (code & kAltBit) combination.modifiers |= kHotkeyModAlt;
  return combination;
}

std::int32_t hotkeyRefusedMessage(int slot) {
  static constexpr std::array<std::int32_t, kHotkeyCount> kMessages = {IDS_ERROR_HOTKEY_PLAY, IDS_ERROR_HOTKEY_MIDI_INPUT,
                                                                      IDS_ERROR_HOTKEY_ALL_STOP};
  if (slot >= kHotkeyCount) return IDS_ERROR_HOTKEY_CONTROL;
  return kMessages.at(static_cast<std::size_t>(slot));
}

KeyCode hotkeyBindingOf(const BindingTable& bindings, int slot) {
  if (slot < kHotkeyCount) return bindings.keys[static_cast<std::size_t>(hotkeyBindingIndexOf(slot))];
  return controlHotkeyOf(bindings, slot - kHotkeyCount);
}

HotkeyCombination hotkeyCombinationOf(int slot, KeyCode code) {
  HotkeyCombination combination = hotkeyCombinationOf(code);
  const int control = slot - kHotkeyCount;
  if (control >= 0 && control != kControlSlower && control != kControlFaster) {
    combination.modifiers |= kHotkeyModNoRepeat;
  }
  return combination;
}

void registerHotkeys(const BindingTable& bindings, RegisteredHotkeys& registered, HotkeyRegistrar& registrar,
                     ErrorReporter& errors) {
  for (int slot = 0; slot < kAllHotkeyCount; ++slot) {
    const KeyCode binding = hotkeyBindingOf(bindings, slot);
    KeyCode& current = registered[static_cast<std::size_t>(slot)];
    if (binding == current) continue;
    if (current != 0) {
      registrar.unregisterHotkey(hotkeyIdOf(slot));
      current = 0;
    }
    if (binding == 0) continue;
    if (registrar.registerHotkey(hotkeyIdOf(slot), hotkeyCombinationOf(slot, binding))) {
      current = binding;
    } else {
      errors.showError(hotkeyRefusedMessage(slot));
    }
  }
}

void unregisterHotkeys(RegisteredHotkeys& registered, HotkeyRegistrar& registrar) {
  for (int slot = kAllHotkeyCount - 1; slot >= 0; --slot) {
    KeyCode& current = registered[static_cast<std::size_t>(slot)];
    if (current == 0) continue;
    registrar.unregisterHotkey(hotkeyIdOf(slot));
    current = 0;
  }
}

}  // namespace murvane
