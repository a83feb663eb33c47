#include "app/string_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace murvane {
namespace {

// Behaves like LoadStringW over a map of texts, and remembers every call.
class FakeLoader : public StringLoader {
 public:
  struct Call {
    std::int32_t id;
    int size;
  };

  std::map<std::int32_t, std::wstring> texts;
  std::vector<Call> calls;

  int load(std::int32_t id, wchar_t* buffer, int size) override {
    calls.push_back({id, size});
    const auto found = texts.find(id);
    const std::wstring text = found == texts.end() ? std::wstring() : found->second;
    const auto copied = std::min(text.size(), static_cast<std::size_t>(size - 1));
    text.copy(buffer, copied);
    buffer[copied] = L'\0';
    return static_cast<int>(copied);
  }

  std::vector<int> sizesFor(std::int32_t id) const {
    std::vector<int> sizes;
    for (const Call& call : calls) {
      if (call.id == id) sizes.push_back(call.size);
    }
    return sizes;
  }
};

// Distinct characters along the string, so a cut or shifted copy shows.
std::wstring textOfLength(std::size_t length, wchar_t salt) {
  std::wstring text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(static_cast<wchar_t>(L'!' + (i * 7 + static_cast<std::size_t>(salt)) % 90));
  }
  return text;
}

TEST(StringTableLoad, StringsOfEveryLengthAroundTheScratchSizeLoadWhole) {
  FakeLoader loader;
  const std::vector<std::size_t> lengths = {1, 126, 127, 128, 255, 256, 300, 511, 1000};
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    loader.texts[1001 + static_cast<std::int32_t>(i) * 3] = textOfLength(lengths[i], static_cast<wchar_t>(i));
  }
  StringTable table;
  table.load(loader);
  for (const auto& [id, text] : loader.texts) {
    SCOPED_TRACE(testing::Message() << "id " << id << ", length " << text.size());
    const wchar_t* loaded = table.lookup(id);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(std::wstring(loaded), text);
  }
}

TEST(StringTableLoad, EmptyAndMissingStringsHaveNoEntry) {
  FakeLoader loader;
  loader.texts[1001] = L"";
  loader.texts[1002] = L"Stopped";
  StringTable table;
  table.load(loader);
  EXPECT_EQ(table.lookup(1001), nullptr);
  EXPECT_STREQ(table.lookup(1002), L"Stopped");
  EXPECT_EQ(table.lookup(1003), nullptr);
}

TEST(StringTableLoad, TextsLieInOneBufferInIdOrderWithNoRoomForAbsentStrings) {
  FakeLoader loader;
  loader.texts[1001] = textOfLength(5, 1);
  loader.texts[1004] = textOfLength(300, 2);
  loader.texts[1005] = textOfLength(1, 3);
  loader.texts[1139] = textOfLength(127, 4);
  StringTable table;
  table.load(loader);
  const wchar_t* first = table.lookup(1001);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(table.lookup(1004), first + 6);
  EXPECT_EQ(table.lookup(1005), first + 6 + 301);
  EXPECT_EQ(table.lookup(1139), first + 6 + 301 + 2);
  EXPECT_EQ(std::wcslen(table.lookup(1139)), 127u);
}

TEST(StringTableLoad, ScratchBufferDoublesUntilAStringIsWholeAndKeepsItsSize) {
  struct Case {
    std::size_t length;
    std::vector<int> measuringSizes;
  };
  const std::vector<Case> cases = {
      {126, {128}},
      {127, {128, 256}},
      {128, {128, 256}},
      {255, {128, 256, 512}},
      {300, {128, 256, 512}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "length " << c.length);
    FakeLoader loader;
    loader.texts[1010] = textOfLength(c.length, 0);
    loader.texts[1011] = L"after";
    StringTable table;
    table.load(loader);
    std::vector<int> sizes = loader.sizesFor(1010);
    ASSERT_EQ(sizes.size(), c.measuringSizes.size() + 1);
    // The second pass gives each string exactly the room that is left.
    EXPECT_EQ(sizes.back(), static_cast<int>(c.length + 1 + 6));
    sizes.pop_back();
    EXPECT_EQ(sizes, c.measuringSizes);
    EXPECT_EQ(loader.sizesFor(1011).front(), c.measuringSizes.back());
    EXPECT_EQ(loader.sizesFor(1009), std::vector<int>{128});
  }
}

TEST(StringTableLoad, AbsentStringsAreNotLoadedAgainInTheSecondPass) {
  FakeLoader loader;
  loader.texts[1050] = L"only";
  StringTable table;
  table.load(loader);
  EXPECT_EQ(loader.calls.size(), static_cast<std::size_t>(kStringCount) + 1);
  EXPECT_EQ(loader.sizesFor(1050), (std::vector<int>{128, 5}));
}

TEST(StringTableLoad, NothingToLoadLeavesEveryLookupNull) {
  FakeLoader loader;
  StringTable table;
  table.load(loader);
  for (std::int32_t id = kFirstStringId; id <= kLastStringId; ++id) {
    EXPECT_EQ(table.lookup(id), nullptr) << id;
  }
}

// A loader that claims to have filled any buffer it is given.
class AlwaysFullLoader : public StringLoader {
 public:
  int load(std::int32_t id, wchar_t* buffer, int size) override {
    if (id != 1020) return 0;
    std::fill(buffer, buffer + size - 1, L'x');
    buffer[size - 1] = L'\0';
    return size - 1;
  }
};

TEST(StringTableLoad, LoaderThatNeverFitsLeavesTheStringAbsentInsteadOfGrowingForever) {
  AlwaysFullLoader loader;
  StringTable table;
  table.load(loader);
  EXPECT_EQ(table.lookup(1020), nullptr);
}

class FailingLoader : public StringLoader {
 public:
  int load(std::int32_t, wchar_t* buffer, int) override {
    buffer[0] = L'\0';
    return -1;
  }
};

TEST(StringTableLoad, NegativeLoaderResultCountsAsAbsent) {
  FailingLoader loader;
  StringTable table;
  table.load(loader);
  EXPECT_EQ(table.lookup(1001), nullptr);
}

TEST(StringTableLoad, LoadingAgainReplacesTheTable) {
  FakeLoader english;
  english.texts[1001] = L"Playing";
  english.texts[1002] = L"Stopped";
  FakeLoader other;
  other.texts[1002] = L"Halt";
  StringTable table;
  table.load(english);
  table.load(other);
  EXPECT_EQ(table.lookup(1001), nullptr);
  EXPECT_STREQ(table.lookup(1002), L"Halt");
}

class StringTableLookup : public testing::Test {
 protected:
  void SetUp() override {
    for (std::int32_t id = kFirstStringId; id <= kLastStringId; ++id) {
      loader.texts[id] = L"text " + std::to_wstring(id);
    }
  }
  FakeLoader loader;
  StringTable table;
};

TEST_F(StringTableLookup, IdsOutsideTheRangeGiveNull) {
  table.load(loader);
  for (std::int32_t id : {1000, 1140, 0, -1, INT_MIN, INT_MAX, 1001 - 65536, 1001 + 65536}) {
    EXPECT_EQ(table.lookup(id), nullptr) << id;
  }
  EXPECT_STREQ(table.lookup(1001), L"text 1001");
  EXPECT_STREQ(table.lookup(1139), L"text 1139");
}

TEST_F(StringTableLookup, EveryLookupIsNullBeforeLoadAndAfterRelease) {
  for (std::int32_t id : {1001, 1050, 1096}) {
    EXPECT_EQ(table.lookup(id), nullptr) << "before load, id " << id;
  }
  table.load(loader);
  ASSERT_NE(table.lookup(1050), nullptr);
  table.release();
  for (std::int32_t id : {1001, 1050, 1096}) {
    EXPECT_EQ(table.lookup(id), nullptr) << "after release, id " << id;
  }
}

}  // namespace
}  // namespace murvane
