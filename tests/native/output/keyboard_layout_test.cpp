// The keyboard with a layout: notes that need Shift or Ctrl, the keys they
// share, and what is released at the end.

#include <gtest/gtest.h>

#include <vector>

#include "bindings/binding_table.h"
#include "bindings/built_in_layouts.h"
#include "output/keyboard_synthesizer.h"
#include "tests/support/key_injector_double.h"

namespace murvane {
namespace {

using test::RecordingKeyInjector;

constexpr std::uint8_t kShift = 0x10;
constexpr std::uint8_t kCtrl = 0x11;

// The mock keyboard translates a key to its own code.
KeyEvent press(std::uint8_t vk) { return {vk, vk, 0x0008}; }
KeyEvent release(std::uint8_t vk) { return {vk, vk, 0x000A}; }

class KeyboardWithLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    layout = builtInLayout(L"piano88").value();
    synth.useLayout(&layout);
    synth.open();
  }
  std::vector<std::vector<KeyEvent>> batches() {
    synth.flush();
    return injector.log().batches;
  }

  BindingTable bindings;
  KeyLayout layout;
  RecordingKeyInjector injector;
  KeyboardSynthesizer synth{bindings, injector};
};

TEST_F(KeyboardWithLayout, AModifiedPressIsWrappedAfterThePlainKeysOfItsBatch) {
  synth.noteOn(37);  // C#2: Shift+1
  synth.noteOn(38);  // D2: 2
  synth.noteOn(30);  // D#1: Ctrl+0
  synth.noteOff(40);
  EXPECT_EQ(batches(), (std::vector<std::vector<KeyEvent>>{
                           {press('2'), release('3'), press(kShift), press('1'), release(kShift), press(kCtrl),
                            press('0'), release(kCtrl)}}));
}

TEST_F(KeyboardWithLayout, AReleaseOfAKeyWaitingToBeWrappedFollowsItsPress) {
  synth.noteOn(37);
  synth.noteOff(37);
  EXPECT_EQ(batches(), (std::vector<std::vector<KeyEvent>>{{press(kShift), press('1'), release(kShift)},
                                                           {release('1')}}));
  EXPECT_TRUE(injector.log().held().empty());
}

TEST_F(KeyboardWithLayout, AModifierHeldOnItsOwnServesTheNotesThatNeedItAndIsReleasedWithEverything) {
  synth.hold(kShiftBit, true);
  synth.noteOn(37);
  synth.hold(kSustainHeld, true);
  synth.flush();
  EXPECT_EQ(injector.log().events, (std::vector<KeyEvent>{press(kShift), press('1'), press(' ')}));
  synth.allNotesOff();
  EXPECT_TRUE(injector.log().held().empty()) << "Shift, the key and the sustain key are all up";
  synth.noteOn(37);
  synth.flush();
  EXPECT_EQ(injector.log().batches.back(), (std::vector<KeyEvent>{press(kShift), press('1'), release(kShift)}))
      << "after the release the modifier is wrapped again";
}

TEST_F(KeyboardWithLayout, AHeldKeyWithoutAScanCodeIsNeverPressed) {
  RecordingKeyInjector noShiftNoSpace;
  noShiftNoSpace.translations = {{kShift, 0}, {' ', 0}};
  KeyboardSynthesizer keyboard{bindings, noShiftNoSpace};
  keyboard.useLayout(&layout);
  keyboard.open();
  keyboard.hold(kShiftBit, true);
  keyboard.hold(kSustainHeld, true);
  keyboard.noteOn(38);
  keyboard.close();
  EXPECT_EQ(noShiftNoSpace.log().events, (std::vector<KeyEvent>{press('2'), release('2')}));
}

TEST_F(KeyboardWithLayout, NotesOutsideTheLayoutTypeNothingAndNoLayoutMeansTheKeyConfiguration) {
  synth.noteOn(10);
  synth.noteOn(120);
  EXPECT_TRUE(batches().empty());
  bindings.keys[12] = 0x0151;  // C4 on Shift+Q in the key configuration: never with Shift
  synth.useLayout(nullptr);
  synth.noteOn(60);
  synth.noteOn(37);
  EXPECT_EQ(batches().back(), (std::vector<KeyEvent>{press('Q')}));
}

TEST_F(KeyboardWithLayout, ALongChordOfSharpsLosesNothing) {
  int sharps = 0;
  for (int note = 37; note < 96; ++note) {
    const KeyCode key = layout.keys[static_cast<std::size_t>(note)];
    if ((key & kShiftBit) == 0) continue;
    synth.noteOn(static_cast<std::uint8_t>(note));
    ++sharps;
  }
  synth.flush();
  EXPECT_EQ(injector.log().presses(), static_cast<std::size_t>(2 * sharps));
  std::uint8_t previous = 0;
  for (const KeyEvent& event : injector.log().events) {
    if (event.virtualKey != kShift) {
      EXPECT_EQ(previous, kShift) << "every key comes right after Shift";
    }
    previous = event.virtualKey;
  }
  synth.close();
  EXPECT_TRUE(injector.log().held().empty());
}

}  // namespace
}  // namespace murvane
