#include "app/hotkey_form.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/support/ini_store_double.h"

namespace murvane {
namespace {

constexpr KeyCode kQ = 0x51, kF5 = 0x74, kF11 = 0x7A, kUp = 0x26;

TEST(HotkeyForm, TheHotkeyControlsValueAndAKeyCodeConvertBothWays) {
  const struct {
    std::uint16_t control;  // as the control gives it
    KeyCode code;
    std::uint16_t shown;  // as it is given back to the control
  } cases[] = {
      {0x0000, 0, 0x0000},
      {0x0074, kF5, 0x0074},
      {0x0174, kShiftBit | kF5, 0x0174},
      {0x0274, kCtrlBit | kF5, 0x0274},
      {0x0451, kAltBit | kQ, 0x0451},
      {0x0774, kModifierBits | kF5, 0x0774},
      // Up is extended: the flag is dropped on reading, given back on showing.
      {0x0A26, kCtrlBit | kUp, 0x0A26},
      {0x0026, kUp, 0x0826},
      {0x0874, kF5, 0x0074},
      {0x0300, 0, 0x0000},  // modifiers alone are no key
  };
  for (const auto& c : cases) {
    EXPECT_EQ(keyCodeOfHotkeyControl(c.control), c.code) << std::hex << c.control;
    EXPECT_EQ(hotkeyControlValueOf(c.code), c.shown) << std::hex << c.code;
  }
}

BindingTable defaultTable() {
  BindingTable table;
  for (int i = 0; i < kBindingCount; ++i) table.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  return table;
}

TEST(HotkeyForm, AChangedKeyThatANoteOrAnotherHotkeyHoldsIsRefusedNamingTheHolder) {
  const struct {
    const char* name;
    ControlHotkeys shown;
    ControlHotkeys entered;
    int slot;
    std::int32_t holder;
  } cases[] = {
      {"nothing set", {}, {}, -1, 0},
      {"Q is C4's", {}, {kQ}, 0, IDS_NOTE_C3 + 12},
      {"Z is C6's", {}, {0, 0, 0x5A}, 2, IDS_NOTE_C6},
      {"F11 is Play/Stop's", {}, {0, 0, 0, 0, kF11}, 4, IDS_HOTKEY_PLAY},
      {"F12 is All stop's", {}, {0, 0x7B}, 1, IDS_HOTKEY_ALL_STOP},
      {"with a modifier it is another key", {}, {kShiftBit | kQ, kCtrlBit | kF11}, -1, 0},
      {"two set alike: the first is refused", {}, {kF5, 0, 0, kF5}, 0, IDS_HOTKEY_SLOWER},
      {"set to one left as it was", {kF5}, {kF5, 0, 0, kF5}, 3, IDS_HOTKEY_PAUSE},
      {"all different", {kF5}, {kF5, kAltBit | kF5, kUp, kCtrlBit | kUp, kShiftBit | kUp}, -1, 0},
  };
  const BindingTable table = defaultTable();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HotkeyRefusal refusal = refusedHotkey(table, c.shown, c.entered);
    EXPECT_EQ(refusal.slot, c.slot);
    EXPECT_EQ(refusal.holderTextId, c.holder);
  }
}

TEST(HotkeyForm, ShownAreTheHotkeysAsRegisteredAndOnlyChangedOnesAreWritten) {
  BindingTable table = defaultTable();
  table.controls = {kF5, kQ, 0, kF5, kUp};  // Q is C4's, F5 Pause's already
  const ControlHotkeys shown = shownControlHotkeys(table);
  EXPECT_EQ(shown, (ControlHotkeys{kF5, 0, 0, 0, kUp}));

  test::MemoryIniStore store;
  EXPECT_TRUE(storeControlHotkeys(table, store, shown, shown));
  EXPECT_TRUE(store.writes.empty());

  EXPECT_TRUE(storeControlHotkeys(table, store, shown, {kF5, 0, kCtrlBit | kF5, 0, 0}));
  EXPECT_EQ(store.lines(kBindingSection),
            (std::vector<std::wstring>{L"HotkeyFaster=0x0000", L"HotkeySeekForward=0x0274"}));
  EXPECT_EQ(table.controls, (ControlHotkeys{kF5, kQ, kCtrlBit | kF5, kF5, 0}));

  store.writable = false;
  EXPECT_FALSE(storeControlHotkeys(table, store, shown, {kF5, kAltBit | kQ, 0, 0, kUp}));
  EXPECT_EQ(table.controls[1], kQ) << "a key not written is not taken";
}

}  // namespace
}  // namespace murvane
