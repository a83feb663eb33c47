#include "bindings/key_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "bindings/built_in_layouts.h"
#include "tests/support/ini_store_double.h"

namespace murvane {
namespace {

using test::MemoryIniStore;

constexpr KeyCode kShift = kShiftBit;
constexpr KeyCode kCtrl = kCtrlBit;

KeyLayout builtIn(std::wstring_view name) {
  const std::optional<KeyLayout> layout = builtInLayout(name);
  EXPECT_TRUE(layout.has_value()) << "no built-in layout named so";
  return layout.value_or(KeyLayout{});
}

TEST(BuiltInLayouts, HaveTheirKeyCountsRangesAndSustain) {
  const struct {
    const wchar_t* name;
    int keys;
    int lowest;
    int highest;
    KeyCode sustain;
  } cases[] = {
      {L"lyre21", 21, 48, 83, 0},       {L"sky15", 15, 60, 84, 0},    {L"piano61", 61, 36, 96, 0x20},
      {L"piano88", 88, 21, 108, 0x20}, {L"lyre36", 36, 48, 83, 0}, {L"chromatic37", 37, 48, 84, 0},
  };
  ASSERT_EQ(builtInLayoutNames().size(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
    const KeyLayout layout = builtIn(c.name);
    EXPECT_EQ(layout.keyCount(), c.keys);
    EXPECT_EQ(layout.lowest(), c.lowest);
    EXPECT_EQ(layout.highest(), c.highest);
    EXPECT_EQ(layout.sustain, c.sustain);
    // Every note a key of its own: no two notes type the same thing.
    std::set<KeyCode> typed;
    for (KeyCode key : layout.keys) {
      if (key == 0) continue;
      EXPECT_TRUE(typed.insert(key).second) << "0x" << std::hex << key << " types two notes";
      EXPECT_EQ(key & kAltBit, 0) << "a note never needs Alt";
    }
  }
}

// The keys as the games' own help gives them (US virtual keys; 60 = C4).
TEST(BuiltInLayouts, PutTheNotesOnTheGamesKeys) {
  const struct {
    const wchar_t* layout;
    int note;
    KeyCode key;
  } cases[] = {
      {L"lyre21", 48, 'Z'},        {L"lyre21", 59, 'M'},          {L"lyre21", 60, 'A'},
      {L"lyre21", 83, 'U'},        {L"lyre21", 61, 0},            {L"sky15", 60, 'Y'},
      {L"sky15", 76, 0xBA},        {L"sky15", 84, 0xBF},          {L"sky15", 81, 0xBC},
      {L"piano61", 36, '1'},       {L"piano61", 37, kShift | '1'}, {L"piano61", 39, kShift | '2'},
      {L"piano61", 42, kShift | '4'}, {L"piano61", 49, kShift | '8'}, {L"piano61", 96, 'M'},
      {L"piano61", 95, 'N'},       {L"piano61", 35, 0},           {L"piano88", 21, kCtrl | '1'},
      {L"piano88", 35, kCtrl | 'T'}, {L"piano88", 97, kCtrl | 'Y'}, {L"piano88", 108, kCtrl | 'J'},
      {L"piano88", 60, 'T'},       {L"lyre36", 49, kShift | 'Z'}, {L"lyre36", 54, kShift | 'V'},
      {L"lyre36", 56, kShift | 'B'}, {L"lyre36", 51, kCtrl | 'C'}, {L"lyre36", 58, kCtrl | 'M'},
      {L"lyre36", 63, kCtrl | 'D'}, {L"lyre36", 70, kCtrl | 'J'},  {L"lyre36", 75, kCtrl | 'E'},
      {L"lyre36", 82, kCtrl | 'U'}, {L"lyre36", 73, kShift | 'Q'}, {L"chromatic37", 60, 'Z'},
      {L"chromatic37", 61, 'S'},   {L"chromatic37", 48, 0xBC},    {L"chromatic37", 54, '0'},
      {L"chromatic37", 58, 0xBB},  {L"chromatic37", 59, 0xDD},    {L"chromatic37", 84, 'I'},
  };
  for (const auto& c : cases) {
    const KeyLayout layout = builtIn(c.layout);
    EXPECT_EQ(layout.keys[static_cast<std::size_t>(c.note)], c.key)
        << std::string(c.layout, c.layout + std::wcslen(c.layout)) << " note " << c.note;
  }
}

TEST(BuiltInLayouts, PianoSharpsAreShiftWithTheNaturalBelow) {
  for (const wchar_t* name : {L"piano61", L"piano88"}) {
    const KeyLayout layout = builtIn(name);
    for (int note = 37; note < 96; ++note) {
      const int pitch = note % 12;
      if (pitch != 1 && pitch != 3 && pitch != 6 && pitch != 8 && pitch != 10) continue;
      EXPECT_EQ(layout.keys[static_cast<std::size_t>(note)], layout.keys[static_cast<std::size_t>(note - 1)] | kShift)
          << note;
    }
  }
}

TEST(KeyLayout, NotesOnOnePhysicalKeyShareItsNumber) {
  const std::array<std::uint8_t, 128> physical = builtIn(L"piano61").physicalKeys();
  EXPECT_EQ(physical[36], 36);  // C2 on "1"
  EXPECT_EQ(physical[37], 36);  // C#2 on Shift+1
  EXPECT_EQ(physical[38], 38);
  EXPECT_EQ(physical[20], 20);  // no key: its own
  const std::array<std::uint8_t, 128> lyre = builtIn(L"lyre36").physicalKeys();
  EXPECT_EQ(lyre[51], 51);  // E-flat on Ctrl+C, and E on C
  EXPECT_EQ(lyre[52], 51);
  EXPECT_EQ(lyre[49], 48);
}

TEST(KeyLayout, TheDefaultIsTheKeyConfigurationsNotesWithoutModifiers) {
  BindingTable bindings;
  bindings.keys[0] = 0x0131;  // C3 on Shift+1: the modifier is dropped
  bindings.keys[36] = 0x005A;
  bindings.keys[kHotkeyPlayIndex] = 0x007A;
  const KeyLayout layout = defaultLayout(bindings);
  EXPECT_EQ(layout.keys[48], 0x31);
  EXPECT_EQ(layout.keys[84], 0x5A);
  EXPECT_EQ(layout.keyCount(), 2);
  EXPECT_EQ(layout.keys[85], 0) << "a hotkey is no note";
}

TEST(LayoutNoteKey, NamesEveryOctaveAsKeyBindsNamesC3ToC6) {
  const struct {
    int note;
    const wchar_t* key;
  } cases[] = {{12, L"C0"}, {13, L"Cs0"}, {48, L"C3"}, {60, L"C4"}, {61, L"Cs4"}, {119, L"B8"},
               {127, L"G9"}, {11, L""},   {0, L""},   {128, L""},  {-1, L""}};
  for (const auto& c : cases) EXPECT_EQ(layoutNoteKey(c.note), c.key) << c.note;
  for (int index = 0; index < kNoteBindingCount; ++index) {
    EXPECT_EQ(layoutNoteKey(kLowestKeyNote + index), bindingIniKey(index));
  }
}

class IniLayouts : public ::testing::Test {
 protected:
  void put(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    store.value(section, key) = std::wstring(value);
  }
  MemoryIniStore store;
  BindingTable bindings;
};

TEST_F(IniLayouts, ReadEveryNoteAndSustainTakingOnlyShiftAndCtrl) {
  put(L"Layout harp", L"C0", L"0x0031");
  put(L"Layout harp", L"Cs4", L"0x0141");
  put(L"Layout harp", L"G9", L"0x0642");   // Alt dropped, Ctrl kept
  put(L"Layout harp", L"D4", L"0x41");     // not six characters: no key
  put(L"Layout harp", L"E4", L"zz0041");   // not a number: no key
  put(L"Layout harp", L"Sustain", L"0x0020");
  const std::optional<KeyLayout> layout = readIniLayout(store, L"harp");
  ASSERT_TRUE(layout.has_value());
  EXPECT_EQ(layout->keys[12], 0x0031);
  EXPECT_EQ(layout->keys[61], 0x0141);
  EXPECT_EQ(layout->keys[127], 0x0242);
  EXPECT_EQ(layout->keys[62], 0);
  EXPECT_EQ(layout->keys[64], 0);
  EXPECT_EQ(layout->sustain, 0x0020);
  EXPECT_EQ(layout->keyCount(), 3);
  EXPECT_FALSE(readIniLayout(store, L"lute").has_value());
}

TEST_F(IniLayouts, AreChosenBeforeBuiltInOnesAndAnUnknownNamePlaysTheDefault) {
  bindings.keys[0] = 0x0031;
  put(L"Layout lyre21", L"C4", L"0x0051");
  put(L"Layout mine", L"C4", L"0x0052");
  put(L"KeyBinds", L"C3", L"0x0031");

  EXPECT_EQ(chooseLayout(store, bindings, L"lyre21").layout.keys[60], 0x0051) << "the file's own wins";
  EXPECT_EQ(chooseLayout(store, bindings, L"sky15").layout, builtIn(L"sky15"));
  EXPECT_EQ(chooseLayout(store, bindings, L"mine").layout.keys[60], 0x0052);
  const ChosenLayout unknown = chooseLayout(store, bindings, L"nosuch");
  EXPECT_TRUE(unknown.unknown);
  EXPECT_EQ(unknown.layout, defaultLayout(bindings));
  const ChosenLayout none = chooseLayout(store, bindings, L"");
  EXPECT_FALSE(none.unknown);
  EXPECT_EQ(none.layout, defaultLayout(bindings));

  std::vector<std::wstring> names;
  for (const LayoutListing& entry : listLayouts(&store)) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"lyre21", L"sky15", L"piano61", L"piano88", L"lyre36",
                                              L"chromatic37", L"mine"}));
  EXPECT_EQ(listLayouts(&store).front().layout.keyCount(), 1) << "the file's lyre21 in the built-in one's place";
  EXPECT_EQ(listLayouts(nullptr).size(), builtInLayoutNames().size());
}

}  // namespace
}  // namespace murvane
