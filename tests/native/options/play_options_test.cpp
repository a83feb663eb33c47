#include "options/play_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bindings/portable_ini_store.h"
#include "tests/support/ini_store_double.h"
#include "tests/support/temp_folder.h"

namespace murvane {
namespace {

using test::MemoryIniStore;

TEST(PlayOptionsTest, AStoreWithoutTheSectionGivesTodaysBehaviourAndIsNotWritten) {
  MemoryIniStore store;
  store.values[{L"KeyBinds", L"Speed"}] = L"200";  // another section's key of the same name
  EXPECT_EQ(readPlayOptions(store), PlayOptions{});
  EXPECT_TRUE(store.writes.empty());
  const PlayOptions defaults;
  EXPECT_EQ(defaults.channels, 0x0001);
  EXPECT_EQ(defaults.transpose, 0);
  EXPECT_FALSE(defaults.foldOctaves);
  EXPECT_EQ(defaults.speed, 100);
  EXPECT_EQ(defaults.repressGap, 0);
  EXPECT_EQ(defaults.pressLength, 0);
  EXPECT_EQ(defaults.maxKeys, 0);
  EXPECT_EQ(defaults.chordSpread, 0);
  EXPECT_FALSE(shapesKeys(defaults));
}

struct ValueCase {
  std::wstring_view key;
  std::wstring text;
  bool valid;
  int value;  // what the key then holds
};

TEST(PlayOptionsTest, EachKeyTakesOnlyValuesOfItsRangeAndOtherwiseItsDefault) {
  const std::vector<ValueCase> cases = {
      {kChannelsKey, L"0x0004", true, 0x0004},   {kChannelsKey, L"0xffff", true, 0xFFFF},
      {kChannelsKey, L"0X0200", true, 0x0200},   {kChannelsKey, L"0x0000", false, 1},
      {kChannelsKey, L"0x04", false, 1},         {kChannelsKey, L"0x00004", false, 1},
      {kChannelsKey, L"0xzz04", false, 1},       {kChannelsKey, L"-0x001", false, 1},
      {kChannelsKey, L"", false, 1},             {kTransposeKey, L"12", true, 12},
      {kTransposeKey, L"-48", true, -48},        {kTransposeKey, L"48", true, 48},
      {kTransposeKey, L"+7", true, 7},           {kTransposeKey, L"49", false, 0},
      {kTransposeKey, L"-49", false, 0},         {kTransposeKey, L"1 2", false, 0},
      {kTransposeKey, L"12x", false, 0},         {kTransposeKey, L"-", false, 0},
      {kTransposeKey, L"0x0c", false, 0},        {kTransposeKey, L"0000012", false, 0},  // may be cut
      {kFoldOctavesKey, L"1", true, 1},          {kFoldOctavesKey, L"0", true, 0},
      {kFoldOctavesKey, L"2", false, 0},         {kFoldOctavesKey, L"01", false, 0},
      {kFoldOctavesKey, L"yes", false, 0},       {kSpeedKey, L"25", true, 25},
      {kSpeedKey, L"400", true, 400},            {kSpeedKey, L"050", true, 50},
      {kSpeedKey, L"24", false, 100},            {kSpeedKey, L"401", false, 100},
      {kSpeedKey, L"12.5", false, 100},          {kSpeedKey, L"00000200", false, 100},
      {kRepressGapKey, L"0", true, 0},           {kRepressGapKey, L"30", true, 30},
      {kRepressGapKey, L"200", true, 200},       {kRepressGapKey, L"201", false, 0},
      {kRepressGapKey, L"-1", false, 0},         {kSeekStepKey, L"1", true, 1},
      {kSeekStepKey, L"60", true, 60},           {kSeekStepKey, L"0", false, 5},
      {kSeekStepKey, L"61", false, 5},           {kLoopKey, L"1", true, 1},
      {kLoopKey, L"2", false, 0},
      {kPressLengthKey, L"1000", true, 1000},    {kPressLengthKey, L"1001", false, 0},
      {kMaxKeysKey, L"1", true, 1},              {kMaxKeysKey, L"10", true, 10},
      {kMaxKeysKey, L"11", false, 0},            {kMaxKeysKey, L"-1", false, 0},
      {kChordSpreadKey, L"50", true, 50},        {kChordSpreadKey, L"51", false, 0},
      {kSongGapKey, L"0", true, 0},
      {kSongGapKey, L"10000", true, 10000},      {kSongGapKey, L"10001", false, 2000},
      {kSongGapKey, L"-1", false, 2000},         {kAutoSuggestKey, L"1", true, 1},
      {kAutoSuggestKey, L"2", false, 0},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(std::wstring(c.key) + L"=" + c.text);
    MemoryIniStore store;
    store.values[{L"Options", std::wstring(c.key)}] = c.text;
    const PlayOptions options = readPlayOptions(store);
    PlayOptions expected;
    if (c.key == kChannelsKey) expected.channels = static_cast<std::uint16_t>(c.value);
    if (c.key == kTransposeKey) expected.transpose = c.value;
    if (c.key == kFoldOctavesKey) expected.foldOctaves = c.value != 0;
    if (c.key == kSpeedKey) expected.speed = c.value;
    if (c.key == kRepressGapKey) expected.repressGap = c.value;
    if (c.key == kSeekStepKey) expected.seekStep = c.value;
    if (c.key == kLoopKey) expected.loop = c.value != 0;
    if (c.key == kPressLengthKey) expected.pressLength = c.value;
    if (c.key == kMaxKeysKey) expected.maxKeys = c.value;
    if (c.key == kChordSpreadKey) expected.chordSpread = c.value;
    if (c.key == kSongGapKey) expected.songGap = c.value;
    if (c.key == kAutoSuggestKey) expected.autoSuggest = c.value != 0;
    EXPECT_EQ(options, expected);
  }
}

TEST(PlayOptionsTest, WrittenOptionsReadBackUnchanged) {
  std::vector<PlayOptions> cases = {
      {},
      {0x0004, 12, false, 100, 30},
      {0xFFFF, -48, true, 25, 200},
      {0x8200, 48, true, 400, 1},
  };
  cases.push_back(PlayOptions{.pressLength = 50, .maxKeys = 3, .chordSpread = 20});
  for (PlayOptions options : cases) {
    for (const auto& [seekStep, loop] : {std::pair{5, false}, std::pair{1, true}, std::pair{60, false}}) {
      options.seekStep = seekStep;
      options.loop = loop;
      MemoryIniStore store;
      EXPECT_TRUE(writePlayOptions(store, options));
      EXPECT_EQ(readPlayOptions(store), options);
    }
  }
}

// How a song is controlled while playing never makes it planned, nor
// planned again.
TEST(PlayOptionsTest, TheLoopAndTheSeekStepLeaveThePlanAsItIs) {
  PlayOptions controlled;
  controlled.loop = true;
  controlled.seekStep = 30;
  controlled.songGap = 500;
  controlled.autoSuggest = true;
  EXPECT_FALSE(shapesKeys(controlled));
  EXPECT_EQ(planningPart(controlled), PlayOptions{});
  controlled.speed = 50;
  EXPECT_TRUE(shapesKeys(controlled));
}

struct WrittenSectionCase {
  const char* name;
  std::string before;  // the section's lines
  PlayOptions options;
  bool written;  // false: the file is left alone, so a read-only one does not fail
  std::string after;
};

// On a real file, where a key can stand twice; a file that must not be
// written cannot be (a folder stands where its replacement would go).
TEST(PlayOptionsTest, TheSectionHoldsOnlyTheKeysWhoseValuesDifferFromTheirDefaults) {
  const WrittenSectionCase cases[] = {
      {"defaults into an empty section: nothing at all", "", {}, false, ""},
      {"every key changed", "", {0x0004, -12, true, 50, 30}, true,
       "Channels=0x0004\r\nTranspose=-12\r\nFoldOctaves=1\r\nSpeed=50\r\nRepressGap=30\r\n"},
      {"a key set back to its default is taken out", "Transpose=12\r\nSpeed=50\r\n", {0x0001, 0, false, 50, 0}, true,
       "Speed=50\r\n"},
      {"every line of a key set back to its default goes", "Speed=50\r\nTranspose=3\r\n speed = 70\r\n",
       {0x0001, 3, false, 100, 0}, true, "Transpose=3\r\n"},
      {"a changed value is written as the reader's own form", "Speed=050\r\n", {0x0001, 0, false, 60, 0}, true,
       "Speed=60\r\n"},
      {"the values already held, in other forms", "Channels=0X0004\r\nTranspose=+7\r\nSpeed=050\r\n",
       {0x0004, 7, false, 50, 0}, false, "Channels=0X0004\r\nTranspose=+7\r\nSpeed=050\r\n"},
      {"the defaults written out", "Channels=0x0001\r\nFoldOctaves=0\r\nSpeed=100\r\n", {}, false,
       "Channels=0x0001\r\nFoldOctaves=0\r\nSpeed=100\r\n"},
      {"a value the reader refuses reads as the default", "Speed=fast\r\n", {}, false, "Speed=fast\r\n"},
  };
  const std::string head = "[KeyBinds]\r\nC3=0x0031\r\n[Options]\r\n";
  for (const WrittenSectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder folder;
    const auto path = folder.write("Murvane.ini", head + c.before);
    if (!c.written) std::filesystem::create_directory(folder.file("Murvane.ini.tmp"));
    EXPECT_TRUE(writePlayOptions(*makePortableIniStore(path), c.options));
    EXPECT_EQ(test::readBytes(path), head + c.after);
  }
}

TEST(PlayOptionsTest, AChangeThatFailsIsReportedAfterEveryKeyWasTried) {
  MemoryIniStore store;
  store.values[{L"Options", L"Speed"}] = L"50";
  store.writable = false;
  EXPECT_FALSE(writePlayOptions(store, {0x0004, 12, false, 100, 0}));
  EXPECT_EQ(store.writes.size(), 2u);
  EXPECT_EQ(store.removals.size(), 1u);
  // Nothing to change: nothing to fail.
  store.values.clear();
  EXPECT_TRUE(writePlayOptions(store, {}));
}

struct NoteCase {
  int note;
  int transpose;
  bool fold;
  int expected;
};

TEST(PlayOptionsTest, NotesAreTransposedThenFoldedIntoC3ToC6ByWholeOctaves) {
  const std::vector<NoteCase> cases = {
      {60, 0, false, 60},   {60, 12, false, 72},  {60, -48, false, 12},  {100, 48, false, 148},
      {10, -48, false, -38}, {47, 0, false, 47},  {47, 0, true, 59},     {36, 0, true, 48},
      {35, 0, true, 59}, {85, 0, true, 73},  {96, 0, true, 84},     {97, 0, true, 73},
      {0, 0, true, 48},     {127, 0, true, 79},   {127, 48, true, 79},   {0, -48, true, 48},
      {48, 0, true, 48},    {84, 0, true, 84},    {60, 30, true, 78},    {60, 25, true, 73},
  };
  for (const NoteCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.note) + " transposed by " + std::to_string(c.transpose) + (c.fold ? " folded" : ""));
    PlayOptions options;
    options.transpose = c.transpose;
    options.foldOctaves = c.fold;
    EXPECT_EQ(mapNote(static_cast<std::uint8_t>(c.note), options), c.expected);
  }
}

}  // namespace
}  // namespace murvane
