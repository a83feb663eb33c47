#include "bindings/key_layout.h"

#include <algorithm>

#include "bindings/built_in_layouts.h"
#include "bindings/note_range.h"

namespace murvane {
namespace {

constexpr std::wstring_view kPitchNames[12] = {L"C",  L"Cs", L"D",  L"Ds", L"E",  L"F",
                                               L"Fs", L"G",  L"Gs", L"A",  L"As", L"B"};

constexpr int kLowestNamedNote = 12;  // C0

constexpr wchar_t foldCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

// As the platform compares section names.
bool sameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return foldCase(x) == foldCase(y); });
}

// The same six characters [KeyBinds] takes; anything else is no key.
KeyCode layoutValue(std::wstring_view text) {
  std::uint32_t value = 0;
  if (text.size() != 6 || !parseHexValue(text, value)) return 0;
  return static_cast<KeyCode>(value & kLayoutKeyMask);
}

std::wstring sectionOf(std::wstring_view name) {
  std::wstring section(kLayoutSectionPrefix);
  section += name;
  return section;
}

}  // namespace

int KeyLayout::keyCount() const {
  int count = 0;
  for (int note = 0; note < 128; ++note) count += hasKey(note) ? 1 : 0;
  return count;
}

int KeyLayout::lowest() const {
  for (int note = 0; note < 128; ++note) {
    if (hasKey(note)) return note;
  }
  return -1;
}

int KeyLayout::highest() const {
  for (int note = 127; note >= 0; --note) {
    if (hasKey(note)) return note;
  }
  return -1;
}

std::bitset<128> KeyLayout::keyedNotes() const {
  std::bitset<128> keyed;
  for (int note = 0; note < 128; ++note) keyed[static_cast<std::size_t>(note)] = hasKey(note);
  return keyed;
}

std::array<std::uint8_t, 128> KeyLayout::physicalKeys() const {
  std::array<std::uint8_t, 128> physical{};
  std::array<int, 256> firstNoteOfKey;
  firstNoteOfKey.fill(-1);
  for (int note = 0; note < 128; ++note) {
    physical[static_cast<std::size_t>(note)] = static_cast<std::uint8_t>(note);
    if (!hasKey(note)) continue;
    int& first = firstNoteOfKey[virtualKeyOf(keys[static_cast<std::size_t>(note)])];
    if (first < 0) first = note;
    physical[static_cast<std::size_t>(note)] = static_cast<std::uint8_t>(first);
  }
  return physical;
}

KeyLayout defaultLayout(const BindingTable& bindings) {
  KeyLayout layout;
  for (int note = kLowestKeyNote; note <= kHighestKeyNote; ++note) {
    layout.keys[static_cast<std::size_t>(note)] =
        virtualKeyOf(bindings.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
  }
  return layout;
}

std::wstring layoutNoteKey(int note) {
  if (note < kLowestNamedNote || note > 127) return {};
  std::wstring key(kPitchNames[note % 12]);
  key += static_cast<wchar_t>(L'0' + note / 12 - 1);
  return key;
}

std::optional<KeyLayout> readIniLayout(IniStore& store, std::wstring_view name) {
  const std::wstring section = sectionOf(name);
  const std::vector<std::wstring> sections = store.sectionNames();
  if (std::none_of(sections.begin(), sections.end(), [&](const std::wstring& found) { return sameName(found, section); })) {
    return std::nullopt;
  }
  KeyLayout layout;
  for (int note = kLowestNamedNote; note < 128; ++note) {
    layout.keys[static_cast<std::size_t>(note)] = layoutValue(store.read(section, layoutNoteKey(note)));
  }
  layout.sustain = static_cast<KeyCode>(layoutValue(store.read(section, kSustainKey)));
  return layout;
}

std::vector<std::wstring> iniLayoutNames(IniStore& store) {
  std::vector<std::wstring> names;
  for (const std::wstring& section : store.sectionNames()) {
    if (section.size() > kLayoutSectionPrefix.size() &&
        sameName(std::wstring_view(section).substr(0, kLayoutSectionPrefix.size()), kLayoutSectionPrefix)) {
      names.push_back(section.substr(kLayoutSectionPrefix.size()));
    }
  }
  return names;
}

ChosenLayout chooseLayout(IniStore& store, const BindingTable& bindings, std::wstring_view name) {
  if (!name.empty()) {
    if (std::optional<KeyLayout> own = readIniLayout(store, name)) return ChosenLayout{*own, false};
    if (std::optional<KeyLayout> builtIn = builtInLayout(name)) return ChosenLayout{*builtIn, false};
  }
  return ChosenLayout{defaultLayout(bindings), !name.empty()};
}

std::vector<LayoutListing> listLayouts(IniStore* store) {
  std::vector<LayoutListing> listing;
  for (std::wstring_view name : builtInLayoutNames()) listing.push_back({std::wstring(name), *builtInLayout(name)});
  if (store == nullptr) return listing;
  for (const std::wstring& name : iniLayoutNames(*store)) {
    const std::optional<KeyLayout> own = readIniLayout(*store, name);
    if (!own) continue;
    const auto same = std::find_if(listing.begin(), listing.end(),
                                   [&](const LayoutListing& entry) { return sameName(entry.name, name); });
    if (same != listing.end()) {
      same->layout = *own;
    } else {
      listing.push_back({name, *own});
    }
  }
  return listing;
}

}  // namespace murvane
