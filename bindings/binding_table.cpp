#include "bindings/binding_table.h"


namespace murvane {

namespace {

struct BindingEntry {
  std::wstring_view iniKey;
  KeyCode defaultCode;
};

// Twelve notes per keyboard row of a Japanese (JIS) layout, F11/F10/F12 for
// the hotkeys.
constexpr BindingEntry kEntries[kBindingCount] = {
    {L"C3", 0x0031},         {L"Cs3", 0x0032},           {L"D3", 0x0033},
    {L"Ds3", 0x0034},        {L"E3", 0x0035},            {L"F3", 0x0036},
    {L"Fs3", 0x0037},        {L"G3", 0x0038},            {L"Gs3", 0x0039},
    {L"A3", 0x0030},         {L"As3", 0x00bd},           {L"B3", 0x00de},
    {L"C4", 0x0051},         {L"Cs4", 0x0057},           {L"D4", 0x0045},
    {L"Ds4", 0x0052},        {L"E4", 0x0054},            {L"F4", 0x0059},
    {L"Fs4", 0x0055},        {L"G4", 0x0049},            {L"Gs4", 0x004f},
    {L"A4", 0x0050},         {L"As4", 0x00c0},           {L"B4", 0x00db},
    {L"C5", 0x0041},         {L"Cs5", 0x0053},           {L"D5", 0x0044},
    {L"Ds5", 0x0046},        {L"E5", 0x0047},            {L"F5", 0x0048},
    {L"Fs5", 0x004a},        {L"G5", 0x004b},            {L"Gs5", 0x004c},
    {L"A5", 0x00bb},         {L"As5", 0x00ba},           {L"B5", 0x00dd},
    {L"C6", 0x005a},         {L"HotkeyPlay", 0x007a},    {L"HotkeyMidiInput", 0x0079},
    {L"HotkeyAllStop", 0x007b},
};

constexpr std::wstring_view kControlIniKeys[kControlHotkeyCount] = {
    L"HotkeyPause", L"HotkeySeekBack", L"HotkeySeekForward", L"HotkeySlower", L"HotkeyFaster",
    L"HotkeyNext",  L"HotkeyPrevious"};

constexpr bool validIndex(int index) { return index >= 0 && index < kBindingCount; }

constexpr std::size_t at(int index) { return static_cast<std::size_t>(index); }

// The six blanks of the C locale; the same on every platform, unlike iswspace.
constexpr bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

constexpr int hexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The text the program itself writes; anything else is read only if it is
// just as long.
constexpr std::size_t kBindingValueLength = 6;

}  // namespace

std::wstring_view bindingIniKey(int index) { return validIndex(index) ? kEntries[at(index)].iniKey : std::wstring_view{}; }

KeyCode defaultBinding(int index) { return validIndex(index) ? kEntries[at(index)].defaultCode : KeyCode{0}; }

KeyCode bindingMask(int index) {
  if (!validIndex(index)) return 0;
  return index < kNoteBindingCount ? kNoteBindingMask : kHotkeyBindingMask;
}

std::wstring formatBindingValue(KeyCode value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text = L"0x0000";
  for (std::size_t i = 0; i < 4; ++i) text[5 - i] = kDigits[(value >> (4 * i)) & 0xF];
  return text;
}

bool parseHexValue(std::wstring_view text, std::uint32_t& value) {
  std::size_t pos = 0;
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
    negative = text[pos] == L'-';
    ++pos;
  }
  // "0x" counts as a prefix only when a hex digit follows; otherwise the 0 is
  // the number and the x is left over.
  if (pos + 2 < text.size() && text[pos] == L'0' && (text[pos + 1] == L'x' || text[pos + 1] == L'X') &&
      hexDigitValue(text[pos + 2]) >= 0) {
    pos += 2;
  }
  const std::size_t digitsStart = pos;
  std::uint64_t number = 0;
  bool overflow = false;
  for (; pos < text.size(); ++pos) {
    const int digit = hexDigitValue(text[pos]);
    if (digit < 0) break;
    number = number * 16 + static_cast<std::uint64_t>(digit);
    if (number > 0xFFFFFFFFu) {
      overflow = true;
      number = 0xFFFFFFFFu;
    }
  }
  if (pos == digitsStart || pos != text.size()) {
    value = 0;
    return false;
  }
  // Out of range saturates whatever the sign, as the C library does.
  std::uint32_t result = static_cast<std::uint32_t>(number);
  if (negative && !overflow) result = static_cast<std::uint32_t>(0u - result);
  value = result;
  return true;
}

std::wstring_view controlHotkeyIniKey(int slot) {
  return slot >= 0 && slot < kControlHotkeyCount ? kControlIniKeys[at(slot)] : std::wstring_view{};
}

KeyCode controlHotkeyOf(const BindingTable& table, int slot) {
  if (slot < 0 || slot >= kControlHotkeyCount) return 0;
  const KeyCode value = table.controls[at(slot)];
  if (value == 0) return 0;
  for (KeyCode key : table.keys) {
    if (key == value) return 0;
  }
  for (int other = 0; other < slot; ++other) {
    if (table.controls[at(other)] == value) return 0;
  }
  return value;
}

namespace {

// Missing, 0x0000 or anything unreadable leaves the hotkey unbound; so does
// a value that a note or an earlier hotkey holds, which keeps it.
void loadControlHotkeys(IniStore& store, BindingTable& table) {
  for (int slot = 0; slot < kControlHotkeyCount; ++slot) {
    const std::wstring text = store.read(kBindingSection, controlHotkeyIniKey(slot));
    std::uint32_t number = 0;
    if (text.size() != kBindingValueLength || !parseHexValue(text, number)) continue;
    table.controls[at(slot)] = static_cast<KeyCode>(number & kHotkeyBindingMask);
    table.controls[at(slot)] = controlHotkeyOf(table, slot);
  }
}

}  // namespace

std::unique_ptr<BindingTable> loadBindings(IniStore& store) {
  auto table = std::make_unique<BindingTable>();
  if (!store.exists()) {
    for (int i = 0; i < kBindingCount; ++i) {
      table->keys[at(i)] = defaultBinding(i);
      writeBinding(store, i, table->keys[at(i)]);
    }
    return table;
  }
  for (int i = 0; i < kBindingCount; ++i) {
    const std::wstring text = store.read(kBindingSection, bindingIniKey(i));
    std::uint32_t number = 0;
    if (text.size() != kBindingValueLength || !parseHexValue(text, number)) {
      table->keys[at(i)] = 0;
      continue;
    }
    const auto value = static_cast<KeyCode>(number & bindingMask(i));
    // A value read again later in the file wins: the earlier holder lets go.
    for (KeyCode& key : table->keys) {
      if (key == value) key = 0;
    }
    table->keys[at(i)] = value;
  }
  loadControlHotkeys(store, *table);
  return table;
}

bool assignBinding(BindingTable& table, IniStore& store, int index, KeyCode code) {
  if (!validIndex(index)) return true;
  const auto value = static_cast<KeyCode>(code & bindingMask(index));
  bool saved = true;
  // Unbinding must not touch the other unbound entries: they all "hold" 0.
  if (value != 0) {
    for (int j = 0; j < kBindingCount; ++j) {
      if (table.keys[at(j)] == value) {
        table.keys[at(j)] = 0;
        saved = writeBinding(store, j, 0) && saved;
      }
    }
  }
  table.keys[at(index)] = value;
  return writeBinding(store, index, value) && saved;
}

bool writeBinding(IniStore& store, int index, KeyCode value) {
  if (!validIndex(index)) return true;
  return store.write(kBindingSection, bindingIniKey(index), formatBindingValue(value));
}

}  // namespace murvane
