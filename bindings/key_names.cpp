#include "bindings/key_names.h"

#include <string_view>

namespace murvane {

namespace {

struct NamedKey {
  std::size_t code;
  const wchar_t* name;
};

// The keys named one by one, by virtual-key code. The punctuation keys carry
// the unshifted characters of a Japanese (JIS) layout: 0xBA is ":" and 0xBB
// is ";", and two keys show a backslash.
constexpr NamedKey kSingleKeys[] = {
    {0x08, L"Backspace"}, {0x09, L"Tab"}, {0x0D, L"Enter"}, {0x13, L"Pause"}, {0x1B, L"Esc"}, {0x20, L"Space"},
    {0x21, L"PageUp"}, {0x22, L"PageDown"}, {0x23, L"End"}, {0x24, L"Home"}, {0x25, L"Left"}, {0x26, L"Up"},
    {0x27, L"Right"}, {0x28, L"Down"}, {0x2C, L"PrintScreen"}, {0x2D, L"Insert"}, {0x2E, L"Delete"},
    {0x6A, L"Num*"}, {0x6B, L"Num+"}, {0x6D, L"Num-"}, {0x6E, L"Num."}, {0x6F, L"Num/"}, {0x91, L"ScrollLock"},
    {0xBA, L":"}, {0xBB, L";"}, {0xBC, L","}, {0xBD, L"-"}, {0xBE, L"."}, {0xBF, L"/"}, {0xC0, L"@"},
    {0xDB, L"["}, {0xDC, L"\\"}, {0xDD, L"]"}, {0xDE, L"^"}, {0xE2, L"\\"},
};

constexpr std::array<const wchar_t*, 256> makeKeyNames() {
  std::array<const wchar_t*, 256> names{};
  for (const NamedKey& key : kSingleKeys) names[key.code] = key.name;

  constexpr const wchar_t* kDigits[] = {L"0", L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
  constexpr const wchar_t* kNumpad[] = {L"Num0", L"Num1", L"Num2", L"Num3", L"Num4",
                                        L"Num5", L"Num6", L"Num7", L"Num8", L"Num9"};
  for (std::size_t i = 0; i < 10; ++i) {
    names[0x30 + i] = kDigits[i];
    names[0x60 + i] = kNumpad[i];
  }
  constexpr const wchar_t* kLetters[] = {L"A", L"B", L"C", L"D", L"E", L"F", L"G", L"H", L"I",
                                         L"J", L"K", L"L", L"M", L"N", L"O", L"P", L"Q", L"R",
                                         L"S", L"T", L"U", L"V", L"W", L"X", L"Y", L"Z"};
  for (std::size_t i = 0; i < 26; ++i) names[0x41 + i] = kLetters[i];

  constexpr const wchar_t* kFunction[] = {L"F1", L"F2", L"F3", L"F4",  L"F5",  L"F6",
                                          L"F7", L"F8", L"F9", L"F10", L"F11", L"F12"};
  for (std::size_t i = 0; i < 12; ++i) names[0x70 + i] = kFunction[i];
  return names;
}

constexpr int countNames(const std::array<const wchar_t*, 256>& names) {
  int count = 0;
  for (const wchar_t* name : names) count += name != nullptr ? 1 : 0;
  return count;
}

constexpr std::array<const wchar_t*, 256> kKeyNames = makeKeyNames();
static_assert(countNames(kKeyNames) == kNamedKeyCount);

// Appends within the room left in the buffer; returns the new length.
std::size_t appendLimited(wchar_t* buffer, std::size_t length, std::wstring_view text) {
  const std::size_t room = kKeyNameBufferSize - 1 - length;
  const std::size_t count = text.size() < room ? text.size() : room;
  text.copy(buffer + length, count);
  buffer[length + count] = L'\0';
  return length + count;
}

}  // namespace

const std::array<const wchar_t*, 256> keyNames = kKeyNames;

const wchar_t* keyNameOf(std::uint8_t vk) { return kKeyNames[vk]; }

const wchar_t* KeyNameFormatter::formatKeyName(KeyCode code) {
  const wchar_t* name = keyNameOf(virtualKeyOf(code));
  if (code == 0 || name == nullptr) {
    buffer_[0] = L'\0';
    return nullptr;
  }
  std::size_t length = appendLimited(buffer_, 0, L" ");
  if ((code & kCtrlBit) != 0) length = appendLimited(buffer_, length, L"Ctrl + ");
  if ((code & kAltBit) != 0) length = appendLimited(buffer_, length, L"Alt + ");
  if ((code & kShiftBit) != 0) length = appendLimited(buffer_, length, L"Shift + ");
  appendLimited(buffer_, length, name);
  return buffer_;
}

}  // namespace murvane
