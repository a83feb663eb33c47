#include "output/keyboard_synthesizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

#include "bindings/binding_table.h"
#include "tests/support/key_injector_double.h"

namespace murvane {

void PrintTo(const KeyEvent& event, std::ostream* out) {
  char text[64];
  std::snprintf(text, sizeof text, "{vk 0x%02x, scan 0x%02x, flags 0x%04x}", event.virtualKey, event.scanCode,
                event.flags);
  *out << text;
}

namespace {

using test::RecordingKeyInjector;

constexpr std::uint32_t kPress = 0x0008;
constexpr std::uint32_t kRelease = 0x000A;
constexpr std::uint32_t kExtendedPress = 0x0009;

KeyEvent press(std::uint8_t vk) { return {vk, vk, kPress}; }
KeyEvent release(std::uint8_t vk) { return {vk, vk, kRelease}; }

class KeyboardSynthesizerTest : public ::testing::Test {
 protected:
  KeyboardSynthesizerTest() {
    // The mock keyboard translates a key to its own code, so a key's scan code
    // is its virtual key unless a test says otherwise.
    bindings.keys[0] = 0x31;   // C3 on "1"
    bindings.keys[12] = 0x51;  // C4 on "Q"
    bindings.keys[36] = 0x5A;  // C6 on "Z"
  }

  // Everything sent so far, the notes gathered since the last flush included.
  std::vector<KeyEvent>& events() {
    if (synth) synth->flush();
    return injector.log().events;
  }

  BindingTable bindings;
  RecordingKeyInjector injector;
  std::optional<KeyboardSynthesizer> synth{std::in_place, bindings, injector};
};

// --- Which notes become keys ---

struct NoteCase {
  std::uint8_t note;
  std::optional<std::uint8_t> key;
};

class NoteRange : public KeyboardSynthesizerTest, public ::testing::WithParamInterface<NoteCase> {};

TEST_P(NoteRange, OnlyNotesFrom48To84PlayTheirBinding) {
  bindings.keys[0] = 0x31;
  bindings.keys[36] = 0x5A;
  synth->noteOn(GetParam().note);
  synth->noteOff(GetParam().note);
  if (GetParam().key) {
    EXPECT_EQ(events(), (std::vector<KeyEvent>{press(*GetParam().key), release(*GetParam().key)}));
  } else {
    EXPECT_TRUE(events().empty());
    EXPECT_TRUE(injector.lookups.empty()) << "a note without a key never asks the platform";
  }
}

INSTANTIATE_TEST_SUITE_P(Notes, NoteRange,
                         ::testing::Values(NoteCase{0, std::nullopt}, NoteCase{47, std::nullopt},
                                           NoteCase{48, 0x31}, NoteCase{84, 0x5A}, NoteCase{85, std::nullopt},
                                           NoteCase{127, std::nullopt}, NoteCase{255, std::nullopt}));

TEST_F(KeyboardSynthesizerTest, UnboundNoteSendsNothingAndMarksNothing) {
  synth->noteOn(49);  // entry 1 is 0
  synth->noteOff(49);
  synth->allNotesOff();
  EXPECT_TRUE(events().empty());
}

TEST_F(KeyboardSynthesizerTest, ModifierBitsOfABindingNeverPressModifiers) {
  bindings.keys[0] = kShiftBit | kCtrlBit | kAltBit | 0x31;
  synth->noteOn(48);
  synth->noteOff(48);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{press(0x31), release(0x31)}));
}

TEST_F(KeyboardSynthesizerTest, BindingIsReadAtEveryNote) {
  synth->noteOn(48);
  bindings.keys[0] = 0x32;
  synth->noteOn(48);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{press(0x31), press(0x32)}));
}

// --- Presses, releases and the pressed flags ---

TEST_F(KeyboardSynthesizerTest, TwoPressesThenOneReleaseLeavesNothingDown) {
  synth->noteOn(60);
  synth->noteOn(60);
  synth->noteOff(60);
  synth->allNotesOff();
  EXPECT_EQ(events(), (std::vector<KeyEvent>{press(0x51), press(0x51), release(0x51)}));
}

TEST_F(KeyboardSynthesizerTest, ReleaseIsSentForANoteNeverPressed) {
  synth->noteOff(60);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{release(0x51)}));
}

TEST_F(KeyboardSynthesizerTest, AllNotesOffWithNothingDownSendsNothing) {
  synth->allNotesOff();
  synth->close();
  EXPECT_TRUE(events().empty());
}

TEST_F(KeyboardSynthesizerTest, AllNotesOffReleasesInAscendingKeyOrderAndClearsAll) {
  synth->noteOn(84);  // 0x5A
  synth->noteOn(48);  // 0x31
  events().clear();
  synth->allNotesOff();
  EXPECT_EQ(events(), (std::vector<KeyEvent>{release(0x31), release(0x5A)}));
  events().clear();
  synth->allNotesOff();
  EXPECT_TRUE(events().empty());
}

TEST_F(KeyboardSynthesizerTest, CloseReleasesAndNoteOnAfterItPressesAgain) {
  EXPECT_TRUE(synth->open());
  synth->noteOn(60);
  synth->close();
  synth->noteOn(60);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{press(0x51), release(0x51), press(0x51)}));
}

TEST_F(KeyboardSynthesizerTest, OpenWithNoKeyDownSendsNothing) {
  EXPECT_TRUE(synth->open());
  EXPECT_TRUE(synth->open());
  EXPECT_TRUE(events().empty());
}

TEST_F(KeyboardSynthesizerTest, OpenReleasesWhatAPlaybackNotYetWoundDownHolds) {
  ASSERT_TRUE(synth->open());
  synth->noteOn(84);
  synth->noteOn(48);
  events().clear();
  EXPECT_TRUE(synth->open());
  synth->noteOn(48);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{release(0x31), release(0x5A), press(0x31)}));
}

TEST_F(KeyboardSynthesizerTest, OpenTranslatesEveryBoundNoteKeySoNotesNeverWaitForIt) {
  ASSERT_TRUE(synth->open());
  const std::map<std::uint8_t, int> boundKeys{{0x31, 1}, {0x51, 1}, {0x5A, 1}};
  EXPECT_EQ(injector.lookups, boundKeys);
  synth->noteOn(48);
  synth->noteOn(60);
  synth->noteOn(84);
  synth->allNotesOff();
  EXPECT_TRUE(synth->open());
  EXPECT_EQ(injector.lookups, boundKeys);
}

TEST_F(KeyboardSynthesizerTest, DestructionReleasesWhatIsDown) {
  synth->noteOn(48);
  synth->noteOn(60);
  synth->noteOn(84);
  synth->noteOff(60);
  events().clear();
  synth.reset();
  EXPECT_EQ(events(), (std::vector<KeyEvent>{release(0x31), release(0x5A)}));
}

// --- Batches: one injector call per flush, and per release of everything ---

using Batches = std::vector<std::vector<KeyEvent>>;

TEST_F(KeyboardSynthesizerTest, NotesUntilAFlushGoOutAsOneBatchInTheirOrder) {
  synth->noteOn(60);
  synth->noteOn(48);
  synth->noteOff(84);
  EXPECT_TRUE(injector.log().batches.empty()) << "nothing is sent before the flush";
  synth->flush();
  synth->flush();
  EXPECT_EQ(injector.log().batches, (Batches{{press(0x51), press(0x31), release(0x5A)}}))
      << "a flush with nothing gathered sends nothing";
}

TEST_F(KeyboardSynthesizerTest, ReleasingEverythingIsOneBatchWithWhatWasGatheredBeforeIt) {
  const std::vector<std::pair<const char*, void (*)(std::optional<KeyboardSynthesizer>&)>> releases = {
      {"close", [](std::optional<KeyboardSynthesizer>& s) { s->close(); }},
      {"allNotesOff", [](std::optional<KeyboardSynthesizer>& s) { s->allNotesOff(); }},
      {"open", [](std::optional<KeyboardSynthesizer>& s) { s->open(); }},
      {"destruction", [](std::optional<KeyboardSynthesizer>& s) { s.reset(); }},
  };
  for (const auto& [name, releaseAll] : releases) {
    SCOPED_TRACE(name);
    synth.emplace(bindings, injector);
    synth->noteOn(84);
    synth->noteOn(48);
    synth->flush();
    synth->noteOn(60);  // gathered, not yet flushed
    injector.log().batches.clear();
    releaseAll(synth);
    EXPECT_EQ(injector.log().batches,
              (Batches{{press(0x51), release(0x31), release(0x51), release(0x5A)}}));
  }
}

TEST_F(KeyboardSynthesizerTest, ABatchLongerThanTheBufferGoesOutInPiecesWithNothingLost) {
  std::vector<KeyEvent> played;
  for (int i = 0; i < 150; ++i) {
    synth->noteOn(48);
    synth->noteOff(48);
    played.push_back(press(0x31));
    played.push_back(release(0x31));
  }
  synth->flush();
  std::vector<KeyEvent> sent;
  for (const auto& batch : injector.log().batches) sent.insert(sent.end(), batch.begin(), batch.end());
  EXPECT_EQ(sent, played);
  EXPECT_GT(injector.log().batches.size(), 1u);
}

// --- Scan codes ---

TEST_F(KeyboardSynthesizerTest, EachKeyIsTranslatedOnlyOnce) {
  injector.translations[0x5A] = 0;  // a key without a scan code is cached too
  for (int round = 0; round < 3; ++round) {
    for (std::uint8_t note : {std::uint8_t{48}, std::uint8_t{60}, std::uint8_t{84}}) {
      synth->noteOn(note);
      synth->noteOff(note);
    }
  }
  synth->allNotesOff();
  EXPECT_EQ(injector.lookups, (std::map<std::uint8_t, int>{{0x31, 1}, {0x51, 1}, {0x5A, 1}}));
}

TEST_F(KeyboardSynthesizerTest, TheVirtualKeyTravelsWithTheScanCode) {
  injector.translations[0x51] = 0x0010;
  synth->noteOn(60);
  synth->noteOff(60);
  EXPECT_EQ(events(), (std::vector<KeyEvent>{{0x51, 0x10, kPress}, {0x51, 0x10, kRelease}}));
}

struct TranslationCase {
  const char* name;
  std::uint8_t key;
  std::uint16_t translated;
  std::optional<KeyEvent> pressed;  // nullopt: nothing is ever sent for it
};

class Translation : public KeyboardSynthesizerTest, public ::testing::WithParamInterface<TranslationCase> {};

TEST_P(Translation, DecidesScanCodeAndExtendedFlagOfPressAndRelease) {
  const TranslationCase& c = GetParam();
  bindings.keys[0] = c.key;
  injector.translations[c.key] = c.translated;
  synth->noteOn(48);
  synth->noteOff(48);
  synth->noteOn(48);
  synth->allNotesOff();
  if (!c.pressed) {
    EXPECT_TRUE(events().empty());
    return;
  }
  KeyEvent up = *c.pressed;
  up.flags |= 0x0002;
  EXPECT_EQ(events(), (std::vector<KeyEvent>{*c.pressed, up, *c.pressed, up}));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Translation,
    ::testing::Values(
        TranslationCase{"PlainKey", 0x41, 0x001E, KeyEvent{0x41, 0x1E, kPress}},
        TranslationCase{"PrefixedRightCtrl", 0xA3, 0xE01D, KeyEvent{0xA3, 0x1D, kExtendedPress}},
        TranslationCase{"PrefixE1NeverSent", 0x13, 0xE11D, std::nullopt},
        TranslationCase{"OtherPrefixNeverSent", 0x41, 0x541E, std::nullopt},
        TranslationCase{"NoScanCodeNeverSent", 0xFF, 0x0000, std::nullopt},
        // Systems that drop the 0xE0 prefix of always-extended keys still get it.
        TranslationCase{"UnprefixedDelete", 0x2E, 0x0053, KeyEvent{0x2E, 0x53, kExtendedPress}},
        TranslationCase{"UnprefixedInsert", 0x2D, 0x0052, KeyEvent{0x2D, 0x52, kExtendedPress}},
        TranslationCase{"UnprefixedPageUp", 0x21, 0x0049, KeyEvent{0x21, 0x49, kExtendedPress}},
        TranslationCase{"UnprefixedPageDown", 0x22, 0x0051, KeyEvent{0x22, 0x51, kExtendedPress}},
        TranslationCase{"UnprefixedEnd", 0x23, 0x004F, KeyEvent{0x23, 0x4F, kExtendedPress}},
        TranslationCase{"UnprefixedHome", 0x24, 0x0047, KeyEvent{0x24, 0x47, kExtendedPress}},
        TranslationCase{"UnprefixedLeft", 0x25, 0x004B, KeyEvent{0x25, 0x4B, kExtendedPress}},
        TranslationCase{"UnprefixedUp", 0x26, 0x0048, KeyEvent{0x26, 0x48, kExtendedPress}},
        TranslationCase{"UnprefixedRight", 0x27, 0x004D, KeyEvent{0x27, 0x4D, kExtendedPress}},
        TranslationCase{"UnprefixedDown", 0x28, 0x0050, KeyEvent{0x28, 0x50, kExtendedPress}},
        TranslationCase{"UnprefixedLeftWindows", 0x5B, 0x005B, KeyEvent{0x5B, 0x5B, kExtendedPress}},
        TranslationCase{"UnprefixedRightWindows", 0x5C, 0x005C, KeyEvent{0x5C, 0x5C, kExtendedPress}},
        TranslationCase{"UnprefixedApps", 0x5D, 0x005D, KeyEvent{0x5D, 0x5D, kExtendedPress}},
        TranslationCase{"UnprefixedNumpadDivide", 0x6F, 0x0035, KeyEvent{0x6F, 0x35, kExtendedPress}},
        TranslationCase{"UnprefixedRightCtrl", 0xA3, 0x001D, KeyEvent{0xA3, 0x1D, kExtendedPress}},
        TranslationCase{"UnprefixedRightAlt", 0xA5, 0x0038, KeyEvent{0xA5, 0x38, kExtendedPress}},
        // Their numpad twins share the scan code and stay plain.
        TranslationCase{"NumpadFourStaysPlain", 0x64, 0x004B, KeyEvent{0x64, 0x4B, kPress}},
        TranslationCase{"NumpadDecimalStaysPlain", 0x6E, 0x0053, KeyEvent{0x6E, 0x53, kPress}},
        TranslationCase{"LeftCtrlStaysPlain", 0xA2, 0x001D, KeyEvent{0xA2, 0x1D, kPress}},
        TranslationCase{"UntranslatableDeleteStaysUnsent", 0x2E, 0x0000, std::nullopt}),
    [](const auto& test) { return std::string(test.param.name); });

// --- Input the system refused ---

struct RefusedCase {
  const char* name;
  std::vector<std::uint8_t> downBefore;  // notes pressed and taken in full first
  std::vector<std::uint8_t> on, off;     // then one batch: these notes' releases, then presses
  std::deque<std::size_t> accepting;     // what the system takes of each call of that batch
  std::vector<KeyEvent> taken;           // what reached the game from that batch
  std::vector<KeyEvent> atStop;          // what the next stop sends
};

class RefusedInput : public KeyboardSynthesizerTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedInput, TheRestGoesOnceMoreAndWhatIsDownStaysTrue) {
  const RefusedCase& c = GetParam();
  for (std::uint8_t note : c.downBefore) synth->noteOn(note);
  synth->flush();
  injector.log().events.clear();
  injector.accepting = c.accepting;
  for (std::uint8_t note : c.off) synth->noteOff(note);
  for (std::uint8_t note : c.on) synth->noteOn(note);
  synth->flush();
  EXPECT_EQ(injector.log().events, c.taken);
  EXPECT_EQ(injector.retryWaits, c.accepting.empty() ? 0 : 1) << "one wait, before the one retry";
  EXPECT_EQ(injector.accepting.size(), c.accepting.size() - std::min<std::size_t>(c.accepting.size(), 2))
      << "never a third try";
  injector.accepting.clear();
  injector.log().events.clear();
  synth->allNotesOff();
  EXPECT_EQ(injector.log().events, c.atStop);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, RefusedInput,
    ::testing::Values(
        RefusedCase{"ChordCutShortIsCompletedAMillisecondLater", {}, {48, 60, 84}, {}, {1, 5},
                    {press(0x31), press(0x51), press(0x5A)}, {release(0x31), release(0x51), release(0x5A)}},
        RefusedCase{"ReleaseRefusedTwiceIsReleasedAgainAtTheStop", {60}, {}, {60}, {0, 0}, {}, {release(0x51)}},
        RefusedCase{"PressRefusedTwiceLeavesTheKeyUp", {}, {48, 60}, {}, {1, 0}, {press(0x31)}, {release(0x31)}},
        RefusedCase{"RetriedOnlyOnce", {48}, {60, 84}, {48}, {1, 1, 5}, {release(0x31), press(0x51)},
                    {release(0x51)}},
        RefusedCase{"EverythingTakenSendsOnce", {48}, {60}, {48}, {}, {release(0x31), press(0x51)},
                    {release(0x51)}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace murvane
