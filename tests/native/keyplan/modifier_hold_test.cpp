#include "keyplan/modifier_hold.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "bindings/built_in_layouts.h"
#include "tests/support/gap_rules.h"

namespace murvane {
namespace {

constexpr KeyCode kModifiers = kShiftBit | kCtrlBit;

KeyLayout piano61() { return builtInLayout(L"piano61").value(); }

KeyChange down(std::uint64_t at, std::uint8_t note) { return KeyChange{note, true, at}; }
KeyChange up(std::uint64_t at, std::uint8_t note) { return KeyChange{note, false, at}; }
KeyChange modifier(std::uint64_t at, KeyCode which, bool isDown) { return KeyChange{0, isDown, at, which}; }

// What a game sees of the changes: every press of a note's key finds exactly
// the modifiers that note needs down, nothing is left down, and time never
// goes backwards.
void expectModifiersNeverLeak(const std::vector<KeyChange>& changes, const KeyLayout& layout) {
  KeyCode held = 0;
  std::uint64_t previous = 0;
  for (const KeyChange& change : changes) {
    SCOPED_TRACE("at " + std::to_string(change.atMillis));
    EXPECT_GE(change.atMillis, previous) << "in time order";
    previous = change.atMillis;
    if (change.held != 0) {
      EXPECT_EQ((held & change.held) != 0, !change.down) << "a modifier goes down and up in turn";
      held = static_cast<KeyCode>(change.down ? held | change.held : held & ~change.held);
      EXPECT_NE(held, kModifiers) << "never Shift and Ctrl at once";
      continue;
    }
    if (change.down) {
      EXPECT_EQ(held, layout.keys[change.key] & kModifiers) << "note " << int{change.key};
    }
  }
  EXPECT_EQ(held, 0) << "nothing left down";
}

TEST(ModifierHold, AtZeroTheChangesStayAsPlanned) {
  const std::vector<KeyChange> changes = {down(0, 36), down(0, 37), up(100, 36), up(100, 37)};
  EXPECT_EQ(holdModifiers(changes, piano61().keys, 0), changes);
}

TEST(ModifierHold, TheModifierLeadsAndTrailsItsKeyAndPlainKeysOfItsTimeGoFirst) {
  const std::vector<KeyChange> held = holdModifiers(
      {down(1000, 37), down(1000, 38), up(1200, 37), up(1200, 38)}, piano61().keys, 10);
  EXPECT_EQ(held, (std::vector<KeyChange>{down(990, 38), modifier(990, kShiftBit, true), down(1000, 37),
                                          modifier(1010, kShiftBit, false), up(1200, 37), up(1200, 38)}));
}

TEST(ModifierHold, APlainPressInsideTheWindowGoesJustAfterItAndOneModifierServesItsNeighbours) {
  const std::vector<KeyChange> held =
      holdModifiers({down(1000, 37), down(1004, 38), down(1005, 42), down(1012, 44)}, piano61().keys, 10);
  EXPECT_EQ(held, (std::vector<KeyChange>{modifier(990, kShiftBit, true), down(1000, 37),
                                          modifier(1010, kShiftBit, false), down(1010, 38),
                                          modifier(1010, kShiftBit, true), down(1010, 42), down(1012, 44),
                                          modifier(1022, kShiftBit, false)}));
  expectModifiersNeverLeak(held, piano61());
}

TEST(ModifierHold, RandomChordsOfSharpsNaturalsAndCtrlNotesNeverLeak) {
  const KeyLayout layout = builtInLayout(L"piano88").value();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> note(21, 108);
  std::uniform_int_distribution<int> step(0, 30);
  for (std::uint32_t hold : {1u, 5u, 10u, 50u}) {
    for (int song = 0; song < 20; ++song) {
      std::vector<NoteChange> notes;
      std::uint64_t now = 0;
      for (int i = 0; i < 60; ++i) {
        now += static_cast<std::uint64_t>(step(random));
        const auto pitch = static_cast<std::uint8_t>(note(random));
        notes.push_back(test::on(now, pitch));
        notes.push_back(test::off(now + 40, pitch));
      }
      std::stable_sort(notes.begin(), notes.end(),
                       [](const NoteChange& a, const NoteChange& b) { return a.atMillis < b.atMillis; });
      const KeyPlan plan = planKeys(notes, 0, layout.physicalKeys());
      expectModifiersNeverLeak(holdModifiers(plan.changes, layout.keys, hold), layout);
    }
  }
}

}  // namespace
}  // namespace murvane
