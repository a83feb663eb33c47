#include "app/hotkeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace murvane {
namespace {

// Records every call as text: "register 100 mod 4 vk 0x7a", "unregister 101",
// "message 1007".
class RecordingSystem final : public HotkeyRegistrar, public ErrorReporter {
 public:
  bool registerHotkey(int id, HotkeyCombination combination) override {
    char text[64];
    std::snprintf(text, sizeof text, "register %d mod %u vk 0x%02x", id, combination.modifiers,
                  static_cast<unsigned>(combination.virtualKey));
    calls.emplace_back(text);
    for (int refusedId : refused) {
      if (refusedId == id) return false;
    }
    return true;
  }
  void unregisterHotkey(int id) override { calls.push_back("unregister " + std::to_string(id)); }
  void showError(std::int32_t stringId) override { calls.push_back("message " + std::to_string(stringId)); }

  std::vector<int> refused;
  std::vector<std::string> calls;
};

BindingTable hotkeyBindings(KeyCode play, KeyCode midiInput, KeyCode allStop) {
  BindingTable table;
  table.keys[kHotkeyPlayIndex] = play;
  table.keys[kHotkeyMidiInputIndex] = midiInput;
  table.keys[kHotkeyAllStopIndex] = allStop;
  return table;
}

constexpr KeyCode kF10 = 0x79, kF11 = 0x7A, kF12 = 0x7B;

TEST(HotkeyCombination, ModifierBitsBecomeThePlatformsFlags) {
  struct Case {
    KeyCode code;
    std::uint32_t modifiers;
    std::uint8_t virtualKey;
  };
  const std::vector<Case> cases = {
      {kF11, 0, 0x7A},
      {kAltBit | 0x41, 1, 0x41},
      {kCtrlBit | kAltBit | 0x41, 3, 0x41},
      {kShiftBit | 0x41, 4, 0x41},
      {0x0374, 6, 0x74},  // Ctrl + Shift + F5
      {kModifierBits | 0x20, 7, 0x20},
      {0xF87A, 0, 0x7A},  // bits above Alt carry no modifier
      {0, 0, 0},
  };
  for (const Case& c : cases) {
    const HotkeyCombination combination = hotkeyCombinationOf(c.code);
    EXPECT_EQ(combination.modifiers, c.modifiers) << std::hex << c.code;
    EXPECT_EQ(combination.virtualKey, c.virtualKey) << std::hex << c.code;
  }
}

TEST(RegisterHotkeys, RegistersInTheOrder100To102AndRemembersTheCodes) {
  RecordingSystem system;
  RegisteredHotkeys registered{};
  registerHotkeys(hotkeyBindings(kF11, kF10, kShiftBit | kF12), registered, system, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"register 100 mod 0 vk 0x7a", "register 101 mod 0 vk 0x79",
                                                    "register 102 mod 4 vk 0x7b"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kF10, kShiftBit | kF12}));
}

TEST(RegisterHotkeys, BindingZeroRegistersNothingAndShowsNoMessage) {
  RecordingSystem system;
  RegisteredHotkeys registered{};
  registerHotkeys(hotkeyBindings(0, kF10, 0), registered, system, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"register 101 mod 0 vk 0x79"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{0, kF10, 0}));
}

TEST(RegisterHotkeys, EqualBindingsMakeNoSystemCall) {
  RecordingSystem system;
  RegisteredHotkeys registered{kF11, kF10, kF12};
  registerHotkeys(hotkeyBindings(kF11, kF10, kF12), registered, system, system);
  EXPECT_TRUE(system.calls.empty());
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kF10, kF12}));
}

TEST(RegisterHotkeys, RefusedHotkeyShowsItsMessageStaysZeroAndTheNextIsStillTried) {
  RecordingSystem system;
  system.refused = {100, 102};
  RegisteredHotkeys registered{};
  registerHotkeys(hotkeyBindings(kF11, kF10, kF12), registered, system, system);
  EXPECT_EQ(system.calls,
            (std::vector<std::string>{"register 100 mod 0 vk 0x7a", "message 1007", "register 101 mod 0 vk 0x79",
                                      "register 102 mod 0 vk 0x7b", "message 1067"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{0, kF10, 0}));
}

TEST(RegisterHotkeys, EachRefusalHasItsOwnMessage) {
  RecordingSystem system;
  system.refused = {100, 101, 102};
  RegisteredHotkeys registered{};
  registerHotkeys(hotkeyBindings(kF11, kF10, kF12), registered, system, system);
  std::vector<std::string> messages;
  for (const std::string& call : system.calls) {
    if (call.starts_with("message")) messages.push_back(call);
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"message 1007", "message 1065", "message 1067"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{}));
}

TEST(RegisterHotkeys, ChangedBindingIsWithdrawnThenRegisteredAnewOthersUntouched) {
  RecordingSystem system;
  RegisteredHotkeys registered{kF11, kF10, kF12};
  registerHotkeys(hotkeyBindings(kF11, kCtrlBit | 0x4D, kF12), registered, system, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"unregister 101", "register 101 mod 2 vk 0x4d"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kCtrlBit | 0x4D, kF12}));
}

TEST(RegisterHotkeys, BindingClearedToZeroIsOnlyWithdrawn) {
  RecordingSystem system;
  RegisteredHotkeys registered{kF11, kF10, kF12};
  registerHotkeys(hotkeyBindings(kF11, kF10, 0), registered, system, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"unregister 102"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kF10, 0}));
}

TEST(RegisterHotkeys, ChangedBindingThatIsRefusedLeavesNothingRegistered) {
  RecordingSystem system;
  system.refused = {100};
  RegisteredHotkeys registered{kF11, kF10, kF12};
  registerHotkeys(hotkeyBindings(kAltBit | kF11, kF10, kF12), registered, system, system);
  EXPECT_EQ(system.calls,
            (std::vector<std::string>{"unregister 100", "register 100 mod 1 vk 0x7a", "message 1007"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{0, kF10, kF12}));
}

TEST(UnregisterHotkeys, WithdrawsInTheOrder102To100SkippingNone) {
  RecordingSystem system;
  RegisteredHotkeys registered{kF11, 0, kF12};
  unregisterHotkeys(registered, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"unregister 102", "unregister 100"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{}));
}

// Pause and the seeks once per press, Slower and Faster repeating; a value a
// note has taken since loading is not registered.
TEST(RegisterHotkeys, ControlHotkeysRegisterAfterTheThreeWithTheirOwnRepeat) {
  RecordingSystem system;
  RegisteredHotkeys registered{};
  BindingTable bindings = hotkeyBindings(kF11, kF10, kF12);
  bindings.controls = {0x13, 0x0125, 0x0127, 0x6D, 0x6B, 0x0422, 0x0421};
  bindings.keys[0] = 0x6B;
  system.refused = {106};
  registerHotkeys(bindings, registered, system, system);
  EXPECT_EQ(system.calls, (std::vector<std::string>{"register 100 mod 0 vk 0x7a", "register 101 mod 0 vk 0x79",
                                                    "register 102 mod 0 vk 0x7b", "register 103 mod 16384 vk 0x13",
                                                    "register 104 mod 16388 vk 0x25", "register 105 mod 16388 vk 0x27",
                                                    "register 106 mod 0 vk 0x6d", "message 1122",
                                                    "register 108 mod 16385 vk 0x22", "register 109 mod 16385 vk 0x21"}));
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kF10, kF12, 0x13, 0x0125, 0x0127, 0, 0, 0x0422, 0x0421}));
}

TEST(UnregisterHotkeys, AfterWithdrawingEveryBindingIsRegisteredAgainUnchangedOnesIncluded) {
  RecordingSystem system;
  RegisteredHotkeys registered{};
  const BindingTable bindings = hotkeyBindings(kF11, kF10, kF12);
  registerHotkeys(bindings, registered, system, system);
  unregisterHotkeys(registered, system);
  system.calls.clear();
  registerHotkeys(bindings, registered, system, system);
  EXPECT_EQ(system.calls.size(), 3u);
  EXPECT_EQ(registered, (RegisteredHotkeys{kF11, kF10, kF12}));
}

}  // namespace
}  // namespace murvane
