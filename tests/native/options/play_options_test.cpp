#include "options/play_options.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ini_store_double.h"

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
      {kRepressGapKey, L"-1", false, 0},
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
    EXPECT_EQ(options, expected);
  }
}

TEST(PlayOptionsTest, WrittenOptionsReadBackUnchanged) {
  const std::vector<PlayOptions> cases = {
      {},
      {0x0004, 12, false, 100, 30},
      {0xFFFF, -48, true, 25, 200},
      {0x8200, 48, true, 400, 1},
  };
  for (const PlayOptions& options : cases) {
    MemoryIniStore store;
    EXPECT_TRUE(writePlayOptions(store, options));
    EXPECT_EQ(readPlayOptions(store), options);
  }
}

struct WrittenSectionCase {
  const char* name;
  std::map<std::wstring, std::wstring> before;  // the section's keys
  PlayOptions options;
  std::vector<std::wstring> after;
  std::size_t changes;  // writes and removals
};

TEST(PlayOptionsTest, TheSectionHoldsOnlyTheKeysThatDifferFromTheirDefaults) {
  const std::vector<WrittenSectionCase> cases = {
      {"defaults into an empty file: nothing at all", {}, {}, {}, 0},
      {"every key changed", {}, {0x0004, -12, true, 50, 30},
       {L"Channels=0x0004", L"FoldOctaves=1", L"RepressGap=30", L"Speed=50", L"Transpose=-12"}, 5},
      {"one key changed", {}, {0x0002, 0, false, 100, 0}, {L"Channels=0x0002"}, 1},
      {"a key set back to its default is taken out", {{L"Transpose", L"12"}, {L"Speed", L"50"}},
       {0x0001, 0, false, 50, 0}, {L"Speed=50"}, 1},
      {"a key that holds its value already is not touched", {{L"Speed", L"50"}}, {0x0001, 0, false, 50, 0},
       {L"Speed=50"}, 0},
      {"a value the reader refuses goes", {{L"Speed", L"fast"}, {L"FoldOctaves", L"yes"}}, {}, {}, 2},
      {"the default written out is taken out", {{L"Channels", L"0x0001"}, {L"FoldOctaves", L"0"}}, {}, {}, 2},
  };
  for (const WrittenSectionCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIniStore store;
    store.values[{L"KeyBinds", L"C3"}] = L"0x0031";
    for (const auto& [key, value] : c.before) store.values[{L"Options", key}] = value;
    EXPECT_TRUE(writePlayOptions(store, c.options));
    EXPECT_EQ(store.lines(L"Options"), c.after);
    EXPECT_EQ(store.writes.size() + store.removals.size(), c.changes);
    EXPECT_EQ((store.values[{L"KeyBinds", L"C3"}]), L"0x0031");
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
