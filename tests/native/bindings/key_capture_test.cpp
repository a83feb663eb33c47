#include "bindings/key_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "tests/support/ini_store_double.h"

namespace murvane {
namespace {

using test::MemoryIniStore;

constexpr std::uint8_t kVkQ = 0x51;
constexpr std::uint8_t kVkF5 = 0x74;
constexpr std::uint8_t kVkF11 = 0x7A;
constexpr std::uint8_t kVkCapsLock = 0x14;
constexpr std::uint8_t kVkLeftWindows = 0x5B;
constexpr std::uint8_t kVkF13 = 0x7C;

// One key message the window receives: down (true) or up.
struct KeyStroke {
  bool down;
  std::uint8_t vk;
};

KeyStroke down(std::uint8_t vk) { return {true, vk}; }
KeyStroke up(std::uint8_t vk) { return {false, vk}; }

void type(KeyCapture& capture, const std::vector<KeyStroke>& strokes) {
  for (const KeyStroke& stroke : strokes) {
    if (stroke.down) {
      capture.keyDown(stroke.vk);
    } else {
      capture.keyUp(stroke.vk);
    }
  }
}

struct CaptureCase {
  const char* name;
  std::vector<KeyStroke> strokes;
  KeyCode captured;
  KeyCode modifiersAfter;
};

class CaptureSequences : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureSequences, CaptureTakesTheModifiersHeldAtTheReleaseOfTheNamedKey) {
  KeyCapture capture;
  type(capture, GetParam().strokes);
  EXPECT_EQ(capture.captured(), GetParam().captured);
  EXPECT_EQ(capture.modifiers(), GetParam().modifiersAfter);
}

INSTANTIATE_TEST_SUITE_P(
    KeyCapture, CaptureSequences,
    ::testing::Values(
        CaptureCase{"PlainLetter", {down(kVkQ), up(kVkQ)}, 0x0051, 0},
        CaptureCase{"CtrlHeldThroughF5", {down(kVkControl), down(kVkF5), up(kVkF5), up(kVkControl)}, 0x0274, 0},
        CaptureCase{"CtrlReleasedBeforeF5", {down(kVkControl), down(kVkF5), up(kVkControl), up(kVkF5)}, 0x0074, 0},
        CaptureCase{"ModifiersInAnyOrder",
                    {down(kVkShift), down(kVkAlt), down(kVkControl), down(kVkF5), up(kVkF5)},
                    0x0774,
                    0x0700},
        CaptureCase{"ShiftAloneCapturesNothing", {down(kVkShift), up(kVkShift)}, 0, 0},
        CaptureCase{"CtrlAloneCapturesNothing", {down(kVkControl), up(kVkControl)}, 0, 0},
        CaptureCase{"AltAloneCapturesNothing", {down(kVkAlt), up(kVkAlt)}, 0, 0},
        CaptureCase{"CapsLockCapturesNothing", {down(kVkCapsLock), up(kVkCapsLock)}, 0, 0},
        CaptureCase{"UnnamedKeysCaptureNothing", {down(kVkLeftWindows), up(kVkLeftWindows), up(kVkF13)}, 0, 0},
        // The key-down alone does not capture: only its release does.
        CaptureCase{"KeyDownWithoutReleaseCapturesNothing", {down(kVkQ)}, 0, 0},
        // The Ctrl key-up went to another window.
        CaptureCase{"ModifierWithoutKeyUpStaysHeld", {down(kVkControl), down(kVkQ), up(kVkQ)}, 0x0251, 0x0200},
        CaptureCase{"UnnamedKeyKeepsThePreviousCapture", {up(kVkQ), up(kVkCapsLock)}, 0x0051, 0},
        CaptureCase{"LaterCaptureReplacesEarlier", {up(kVkQ), down(kVkShift), up(kVkF5)}, 0x0174, 0x0100},
        // A release without a press (the press went elsewhere) still counts.
        CaptureCase{"ReleaseWithoutPressCaptures", {up(kVkF11)}, 0x007A, 0}),
    [](const ::testing::TestParamInfo<CaptureCase>& param) { return std::string(param.param.name); });

// C6 is captioned by a string added after the hotkey's, and no selection
// (or any index outside the table) by none.
TEST(EntryCaption, EachEntryHasTheStringOfItsNameAndOthersNone) {
  const std::pair<int, std::int32_t> cases[] = {
      {kNoSelection, 0},
      {0, IDS_NOTE_C3},
      {kNoteBindingCount - 2, IDS_NOTE_B5},
      {kNoteBindingCount - 1, IDS_NOTE_C6},
      {kHotkeyPlayIndex, IDS_HOTKEY_PLAY},
      {kHotkeyMidiInputIndex, IDS_HOTKEY_MIDI_INPUT},
      {kHotkeyAllStopIndex, IDS_HOTKEY_ALL_STOP},
      {kBindingCount, 0},
  };
  for (const auto& [entry, id] : cases) EXPECT_EQ(entryCaptionId(entry), id) << entry;
}

class Commit : public ::testing::Test {
 protected:
  void SetUp() override {
    table = loadBindings(store);  // no file yet: the defaults, written out
    store.writes.clear();
  }

  void capture(const std::vector<KeyStroke>& strokes) {
    type(keys, strokes);
  }

  MemoryIniStore store;
  std::unique_ptr<BindingTable> table;
  KeyCapture keys;
};

TEST_F(Commit, StoresTheCaptureAndClearsTheEntryThatHeldIt) {
  assignBinding(*table, store, 13, 0x0051);  // Q moves from C4 to C#4
  store.writes.clear();
  keys.select(12);
  capture({down(kVkQ), up(kVkQ)});

  EXPECT_EQ(keys.commit(*table, store), CommitResult::kStored);

  EXPECT_EQ(table->keys[12], 0x0051);
  EXPECT_EQ(table->keys[13], 0);
  const std::vector<MemoryIniStore::Write> expected = {{L"KeyBinds", L"Cs4", L"0x0000"}, {L"KeyBinds", L"C4", L"0x0051"}};
  EXPECT_EQ(store.writes, expected);
}

TEST_F(Commit, CaptureThatCannotBeSavedIsInEffectAndSaysSo) {
  store.writable = false;
  keys.select(12);
  capture({down(kVkF11), up(kVkF11)});
  EXPECT_EQ(keys.commit(*table, store), CommitResult::kNotSaved);
  EXPECT_EQ(table->keys[12], 0x007A);
  EXPECT_EQ(table->keys[kHotkeyPlayIndex], 0);
}

TEST_F(Commit, RefusalsStoreNothing) {
  struct Case {
    const char* name;
    int select;  // kNoSelection: none
    std::vector<KeyStroke> strokes;
    CommitResult result;
  };
  const std::vector<Case> cases = {
      {"nothing selected", kNoSelection, {up(kVkQ)}, CommitResult::kNothingSelected},
      {"nothing selected or captured", kNoSelection, {}, CommitResult::kNothingSelected},
      {"nothing captured", 12, {}, CommitResult::kNothingCaptured},
      {"only a modifier pressed", 12, {down(kVkShift), up(kVkShift)}, CommitResult::kNothingCaptured},
      {"Ctrl on a note", 12, {down(kVkControl), up(kVkQ)}, CommitResult::kModifierOnNote},
      {"Shift on C6", 36, {down(kVkShift), up(kVkQ)}, CommitResult::kModifierOnNote},
      {"Alt on C3", 0, {down(kVkAlt), up(kVkF5)}, CommitResult::kModifierOnNote},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIniStore fresh;
    auto defaults = loadBindings(fresh);
    fresh.writes.clear();
    KeyCapture k;
    if (c.select != kNoSelection) k.select(c.select);
    type(k, c.strokes);
    const int selectedBefore = k.selected();
    const KeyCode capturedBefore = k.captured();

    EXPECT_EQ(k.commit(*defaults, fresh), c.result);

    EXPECT_TRUE(fresh.writes.empty());
    for (int i = 0; i < kBindingCount; ++i) EXPECT_EQ(defaults->keys[static_cast<std::size_t>(i)], defaultBinding(i));
    EXPECT_EQ(k.selected(), selectedBefore);
    EXPECT_EQ(k.captured(), capturedBefore);
  }
}

TEST_F(Commit, HotkeysTakeModifiersAndPlainKeys) {
  struct Case {
    int entry;
    std::vector<KeyStroke> strokes;
    KeyCode stored;
  };
  const std::vector<Case> cases = {
      {kHotkeyPlayIndex, {down(kVkControl), up(kVkQ)}, 0x0251},
      {kHotkeyMidiInputIndex, {down(kVkShift), down(kVkAlt), up(kVkF5)}, 0x0574},
      {kHotkeyAllStopIndex, {up(kVkQ)}, 0x0051},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    KeyCapture k;
    k.select(c.entry);
    type(k, c.strokes);
    EXPECT_EQ(k.commit(*table, store), CommitResult::kStored);
    EXPECT_EQ(table->keys[static_cast<std::size_t>(c.entry)], c.stored);
  }
  // Q went from C4 to the last hotkey.
  EXPECT_EQ(table->keys[12], 0);
}

}  // namespace
}  // namespace murvane
