#include "app/hotkey_form.h"

#include "bindings/key_capture.h"
#include "res/resource.h"

namespace murvane {

namespace {

// Next and Previous are named as the Playlist window's buttons name them.
constexpr std::array<std::int32_t, kControlHotkeyCount> kLabelIds = {
    IDS_HOTKEY_PAUSE, IDS_HOTKEY_SEEK_BACK, IDS_HOTKEY_SEEK_FORWARD, IDS_HOTKEY_SLOWER,
    IDS_HOTKEY_FASTER, IDS_NEXT_SONG,       IDS_PREVIOUS_SONG};

// The keys of the navigation block beside the numeric pad, the pad's divide,
// Num Lock, the Windows keys and the menu key.
constexpr bool isExtendedKey(std::uint8_t vk) {
  return (vk >= 0x21 && vk <= 0x28) || vk == 0x2D || vk == 0x2E || (vk >= 0x5B && vk <= 0x5D) || vk == 0x6F ||
         vk == 0x90;
}

constexpr std::size_t at(int slot) { return static_cast<std::size_t>(slot); }

}  // namespace

KeyCode keyCodeOfHotkeyControl(std::uint16_t value) {
  const auto vk = static_cast<std::uint8_t>(value & 0xFF);
  if (vk == 0) return 0;
  const unsigned flags = value >> 8u;
  unsigned code = vk;
  if (flags & kHotkeyFlagShift) code |= kShiftBit;
  if (flags & kHotkeyFlagControl) code |= kCtrlBit;
  if (flags & kHotkeyFlagAlt) code |= kAltBit;
  return static_cast<KeyCode>(code);
}

std::uint16_t hotkeyControlValueOf(KeyCode code) {
  const std::uint8_t vk = virtualKeyOf(code);
  if (vk == 0) return 0;
  unsigned flags = 0;
  if (code & kShiftBit) flags |= kHotkeyFlagShift;
  if (code & kCtrlBit) flags |= kHotkeyFlagControl;
  if (code & kAltBit) flags |= kHotkeyFlagAlt;
  if (isExtendedKey(vk)) flags |= kHotkeyFlagExtended;
  return static_cast<std::uint16_t>(flags << 8u | vk);
}

std::int32_t controlHotkeyLabelId(int slot) {
  return slot >= 0 && slot < kControlHotkeyCount ? kLabelIds[at(slot)] : 0;
}

ControlHotkeys shownControlHotkeys(const BindingTable& table) {
  ControlHotkeys shown{};
  for (int slot = 0; slot < kControlHotkeyCount; ++slot) shown[at(slot)] = controlHotkeyOf(table, slot);
  return shown;
}

HotkeyRefusal refusedHotkey(const BindingTable& table, const ControlHotkeys& shown, const ControlHotkeys& entered) {
  for (int slot = 0; slot < kControlHotkeyCount; ++slot) {
    const KeyCode key = entered[at(slot)];
    if (key == 0 || key == shown[at(slot)]) continue;
    for (int entry = 0; entry < kBindingCount; ++entry) {
      if (table.keys[at(entry)] == key) return HotkeyRefusal{slot, entryCaptionId(entry)};
    }
    for (int other = 0; other < kControlHotkeyCount; ++other) {
      if (other != slot && entered[at(other)] == key) return HotkeyRefusal{slot, kLabelIds[at(other)]};
    }
  }
  return {};
}

bool storeControlHotkeys(BindingTable& table, IniStore& store, const ControlHotkeys& shown,
                         const ControlHotkeys& entered) {
  bool saved = true;
  for (int slot = 0; slot < kControlHotkeyCount; ++slot) {
    const KeyCode key = entered[at(slot)];
    if (key == shown[at(slot)]) continue;
    if (store.write(kBindingSection, controlHotkeyIniKey(slot), formatBindingValue(key))) {
      table.controls[at(slot)] = key;
    } else {
      saved = false;
    }
  }
  return saved;
}

}  // namespace murvane
