#include "bindings/built_in_layouts.h"

#include <array>
#include <initializer_list>
#include <span>
#include <string_view>

namespace murvane {
namespace {

constexpr KeyCode kSpaceKey = 0x20;

// The virtual key a US keyboard gives the character's key: letters and
// digits are their own codes, punctuation the OEM keys.
constexpr KeyCode usKey(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<KeyCode>(c - 'a' + 'A');
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<KeyCode>(c);
  switch (c) {
    case ';': return 0xBA;
    case '=': return 0xBB;
    case ',': return 0xBC;
    case '-': return 0xBD;
    case '.': return 0xBE;
    case '/': return 0xBF;
    case '[': return 0xDB;
    case ']': return 0xDD;
    default: return 0;
  }
}

// Binds the keys of `row`, one character each, to the notes in order.
void bindRow(KeyLayout& layout, std::string_view row, std::span<const int> notes, KeyCode modifiers = 0) {
  for (std::size_t i = 0; i < row.size() && i < notes.size(); ++i) {
    layout.keys[static_cast<std::size_t>(notes[i])] = static_cast<KeyCode>(usKey(row[i]) | modifiers);
  }
}

struct Row {
  std::string_view keys;
  std::span<const int> notes;
  KeyCode modifiers = 0;
};

// `layout` with each row bound in turn.
KeyLayout withRows(std::initializer_list<Row> rows, KeyLayout layout = {}) {
  for (const Row& row : rows) bindRow(layout, row.keys, row.notes, row.modifiers);
  return layout;
}

// Notes lowest to highest from `first`, `count` of them.
template <std::size_t N>
constexpr std::array<int, N> chromatic(int first) {
  std::array<int, N> notes{};
  for (std::size_t i = 0; i < N; ++i) notes[i] = first + static_cast<int>(i);
  return notes;
}

constexpr bool isNatural(int note) {
  const int pitch = note % 12;
  return pitch != 1 && pitch != 3 && pitch != 6 && pitch != 8 && pitch != 10;
}

// The first `count` naturals (white keys) from the natural `first`.
template <std::size_t N>
constexpr std::array<int, N> naturals(int first) {
  std::array<int, N> notes{};
  int note = first;
  for (std::size_t i = 0; i < N; ++i, ++note) {
    while (!isNatural(note)) ++note;
    notes[i] = note;
  }
  return notes;
}

KeyLayout lyre21() {
  return withRows({{"ZXCVBNM", naturals<7>(48)}, {"ASDFGHJ", naturals<7>(60)}, {"QWERTYU", naturals<7>(72)}});
}

KeyLayout sky15() {
  KeyLayout layout;
  bindRow(layout, "YUIOPHJKL;NM,./", naturals<15>(60));
  return layout;
}

// A sharp is Shift with the key of the natural below it.
KeyLayout piano61() {
  KeyLayout layout;
  const auto whites = naturals<36>(36);
  bindRow(layout, "1234567890QWERTYUIOPASDFGHJKLZXCVBNM", whites);
  for (int note = 37; note < 96; ++note) {
    if (!isNatural(note)) {
      layout.keys[static_cast<std::size_t>(note)] =
          static_cast<KeyCode>(layout.keys[static_cast<std::size_t>(note - 1)] | kShiftBit);
    }
  }
  layout.sustain = kSpaceKey;
  return layout;
}

KeyLayout piano88() {
  return withRows({{"1234567890QWERT", chromatic<15>(21), kCtrlBit}, {"YUIOPASDFGHJ", chromatic<12>(97), kCtrlBit}},
                  piano61());
}

// C#, F# and G# are Shift with the natural below; E-flat and B-flat Ctrl
// with the natural above.
KeyLayout lyre36() {
  KeyLayout layout = lyre21();
  for (int octave = 48; octave <= 72; octave += 12) {
    const auto at = [&](int pitch) -> KeyCode& { return layout.keys[static_cast<std::size_t>(octave + pitch)]; };
    at(1) = static_cast<KeyCode>(at(0) | kShiftBit);
    at(6) = static_cast<KeyCode>(at(5) | kShiftBit);
    at(8) = static_cast<KeyCode>(at(7) | kShiftBit);
    at(3) = static_cast<KeyCode>(at(4) | kCtrlBit);
    at(10) = static_cast<KeyCode>(at(11) | kCtrlBit);
  }
  return layout;
}

KeyLayout chromatic37() {
  return withRows({{"ZSXDCVGBHNJM", chromatic<12>(60)},
                   {",L.;/O0P-[=]", chromatic<12>(48)},
                   {"Q2W3ER5T6Y7UI", chromatic<13>(72)}});
}

struct BuiltIn {
  std::wstring_view name;
  KeyLayout (*make)();
};

constexpr BuiltIn kBuiltIns[] = {
    {L"lyre21", lyre21}, {L"sky15", sky15},   {L"piano61", piano61},
    {L"piano88", piano88}, {L"lyre36", lyre36}, {L"chromatic37", chromatic37},
};

constexpr std::array<std::wstring_view, std::size(kBuiltIns)> kNames = [] {
  std::array<std::wstring_view, std::size(kBuiltIns)> names{};
  for (std::size_t i = 0; i < names.size(); ++i) names[i] = kBuiltIns[i].name;
  return names;
}();

}  // namespace

std::span<const std::wstring_view> builtInLayoutNames() { return kNames; }

std::optional<KeyLayout> builtInLayout(std::wstring_view name) {
  for (const BuiltIn& builtIn : kBuiltIns) {
    if (builtIn.name == name) return builtIn.make();
  }
  return std::nullopt;
}

}  // namespace murvane
