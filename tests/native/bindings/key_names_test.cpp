#include "bindings/key_names.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace murvane {
namespace {

// Every named key, written out independently of the table under test.
std::map<int, std::wstring> expectedNames() {
  std::map<int, std::wstring> names = {
      {0x08, L"Backspace"}, {0x09, L"Tab"},      {0x0D, L"Enter"},  {0x13, L"Pause"}, {0x1B, L"Esc"},
      {0x20, L"Space"},     {0x21, L"PageUp"},   {0x22, L"PageDown"}, {0x23, L"End"}, {0x24, L"Home"},
      {0x25, L"Left"},      {0x26, L"Up"},       {0x27, L"Right"},  {0x28, L"Down"},  {0x2C, L"PrintScreen"},
      {0x2D, L"Insert"},    {0x2E, L"Delete"},   {0x6A, L"Num*"},   {0x6B, L"Num+"},  {0x6D, L"Num-"},
      {0x6E, L"Num."},      {0x6F, L"Num/"},     {0x70, L"F1"},     {0x71, L"F2"},    {0x72, L"F3"},
      {0x73, L"F4"},        {0x74, L"F5"},       {0x75, L"F6"},     {0x76, L"F7"},    {0x77, L"F8"},
      {0x78, L"F9"},        {0x79, L"F10"},      {0x7A, L"F11"},    {0x7B, L"F12"},   {0x91, L"ScrollLock"},
      {0xBA, L":"},         {0xBB, L";"},        {0xBC, L","},      {0xBD, L"-"},     {0xBE, L"."},
      {0xBF, L"/"},         {0xC0, L"@"},        {0xDB, L"["},      {0xDC, L"\\"},    {0xDD, L"]"},
      {0xDE, L"^"},         {0xE2, L"\\"},
  };
  for (int d = 0; d <= 9; ++d) {
    names[0x30 + d] = std::wstring(1, static_cast<wchar_t>(L'0' + d));
    names[0x60 + d] = L"Num" + std::to_wstring(d);
  }
  for (int c = 0; c < 26; ++c) names[0x41 + c] = std::wstring(1, static_cast<wchar_t>(L'A' + c));
  return names;
}

TEST(KeyNames, NameExactlyTheNinetyThreeKeysAndNoOthers) {
  const auto expected = expectedNames();
  ASSERT_EQ(expected.size(), 93u);
  int named = 0;
  for (int vk = 0; vk < 256; ++vk) {
    SCOPED_TRACE(vk);
    const wchar_t* name = keyNameOf(static_cast<std::uint8_t>(vk));
    EXPECT_EQ(name, keyNames[static_cast<std::size_t>(vk)]);
    const auto found = expected.find(vk);
    if (found == expected.end()) {
      EXPECT_EQ(name, nullptr);
    } else {
      ASSERT_NE(name, nullptr);
      EXPECT_EQ(std::wstring(name), found->second);
      ++named;
    }
  }
  EXPECT_EQ(named, kNamedKeyCount);
}

struct FormatCase {
  KeyCode code;
  const wchar_t* text;  // nullptr: no text
};

TEST(FormatKeyName, LeadingSpaceThenCtrlAltShiftThenTheName) {
  const FormatCase cases[] = {
      {0x0031, L" 1"},
      {0x027A, L" Ctrl + F11"},
      {0x0774, L" Ctrl + Alt + Shift + F5"},
      {0x0574, L" Alt + Shift + F5"},
      {0x0141, L" Shift + A"},
      {0x0641, L" Ctrl + Alt + A"},
      {0x00DE, L" ^"},
      {0x00BA, L" :"},
      {0x00BB, L" ;"},
      {0x00DC, L" \\"},
      {0x00E2, L" \\"},
      {0x072C, L" Ctrl + Alt + Shift + PrintScreen"},
      {0xF831, L" 1"},  // bits above Alt ignored
      {0x0800 | 0x007B, L" F12"},
      {0x0000, nullptr},
      {0x0200, nullptr},  // Ctrl without a key
      {0x0700, nullptr},
      {0x0014, nullptr},  // Caps Lock
      {0x0010, nullptr},  // Shift itself
      {0x0210, nullptr},
      {0xF800, nullptr},
  };
  KeyNameFormatter formatter;
  for (const FormatCase& test : cases) {
    SCOPED_TRACE(test.code);
    const wchar_t* text = formatter.formatKeyName(test.code);
    if (test.text == nullptr) {
      EXPECT_EQ(text, nullptr);
    } else {
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, test.text);
    }
  }
}

TEST(FormatKeyName, LongestTextFitsTheBufferUncut) {
  KeyNameFormatter formatter;
  const std::wstring longest = formatter.formatKeyName(0x072C);
  EXPECT_EQ(longest.size(), 33u);
  EXPECT_LT(longest.size(), kKeyNameBufferSize);
}

TEST(FormatKeyName, SecondCallOverwritesTheFirstText) {
  KeyNameFormatter formatter;
  const wchar_t* first = formatter.formatKeyName(0x0774);
  const wchar_t* second = formatter.formatKeyName(0x0031);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, L" 1");
  EXPECT_EQ(formatter.formatKeyName(0x0014), nullptr);
  EXPECT_STREQ(first, L"");  // no text leaves an empty buffer
}

}  // namespace
}  // namespace murvane
