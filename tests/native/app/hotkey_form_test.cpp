#include "app/hotkey_form.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/support/ini_store_double.h"

namespace murvane {
namespace {

constexpr KeyCode kQ = 0x51, kF5 = 0x74, kF11 = 0x7A, kUp = 0x26;

// The control's value, the code read from it, the value it is given back.
TEST(HotkeyForm, TheHotkeyControlsValueAndAKeyCodeConvertBothWays) {
  const std::uint16_t cases[][3] = {{0x0000, 0, 0},           {0x0074, kF5, 0x0074}, {0x0174, 0x0174, 0x0174},
                                    {0x0274, 0x0274, 0x0274}, {0x0451, 0x0451, 0x0451}, {0x0774, 0x0774, 0x0774},
                                    {0x0A26, 0x0226, 0x0A26}, {0x0026, kUp, 0x0826}, {0x0874, kF5, 0x0074},
                                    {0x0300, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(keyCodeOfHotkeyControl(c[0]), c[1]) << std::hex << c[0];
    EXPECT_EQ(hotkeyControlValueOf(c[1]), c[2]) << std::hex << c[1];
  }
}

TEST(HotkeyForm, AChangedKeyANoteOrAnotherHotkeyHoldsIsRefusedNamingTheHolderAndOnlyChangedOnesAreWritten) {
  BindingTable table;
  for (int i = 0; i < kBindingCount; ++i) table.keys[static_cast<std::size_t>(i)] = defaultBinding(i);
  const struct {
    ControlHotkeys shown, entered;
    int slot;
    std::int32_t holder;
  } cases[] = {
      {{}, {}, -1, 0},
      {{}, {kQ}, 0, IDS_NOTE_C3 + 12},  // C4
      {{}, {0, 0, 0x5A}, 2, IDS_NOTE_C6},
      {{}, {0, 0, 0, 0, kF11}, 4, IDS_HOTKEY_PLAY},
      {{}, {kShiftBit | kQ, kCtrlBit | kF11}, -1, 0},  // with a modifier, another key
      {{}, {kF5, 0, 0, kF5}, 0, IDS_HOTKEY_SLOWER},
      {{kF5}, {kF5, 0, 0, kF5}, 3, IDS_HOTKEY_PAUSE},  // the one left as shown is not refused
      // Next, set in the file and kept by the window, still holds its key.
      {{0, 0, 0, 0, 0, kF5}, {kF5, 0, 0, 0, 0, kF5}, 0, IDS_NEXT_SONG},
  };
  for (const auto& c : cases) {
    const HotkeyRefusal refusal = refusedHotkey(table, c.shown, c.entered);
    EXPECT_EQ(refusal.slot, c.slot);
    EXPECT_EQ(refusal.holderTextId, c.holder);
  }

  table.controls = {kF5, kQ, 0, kF5, kUp};  // Q is C4's, F5 Pause's already
  const ControlHotkeys shown = shownControlHotkeys(table);
  EXPECT_EQ(shown, (ControlHotkeys{kF5, 0, 0, 0, kUp}));
  test::MemoryIniStore store;
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
