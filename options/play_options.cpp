#include "options/play_options.h"

#include "bindings/binding_table.h"

namespace murvane {
namespace {

// The store cuts a value to kIniValueMaxLength characters; a text of that
// length may be the beginning of a longer one, so it is never taken.
constexpr std::size_t kLongestValue = kIniValueMaxLength - 1;

std::optional<int> parseDecimal(std::wstring_view text, int lowest, int highest) {
  if (text.empty() || text.size() > kLongestValue) return std::nullopt;
  std::size_t pos = 0;
  bool negative = false;
  if (text[0] == L'+' || text[0] == L'-') {
    negative = text[0] == L'-';
    pos = 1;
  }
  if (pos == text.size()) return std::nullopt;
  int value = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < L'0' || text[pos] > L'9') return std::nullopt;
    value = value * 10 + (text[pos] - L'0');  // at most six digits: no overflow
  }
  if (negative) value = -value;
  if (value < lowest || value > highest) return std::nullopt;
  return value;
}

}  // namespace

std::wstring formatChannels(std::uint16_t channels) { return formatBindingValue(channels); }

std::wstring formatDecimal(int value) {
  const std::string narrow = std::to_string(value);
  return std::wstring(narrow.begin(), narrow.end());
}

// The same form as a key binding: six characters that convert completely.
std::optional<std::uint16_t> parseChannels(std::wstring_view text) {
  std::uint32_t value = 0;
  if (text.size() != 6 || !parseHexValue(text, value)) return std::nullopt;
  if (value == 0 || value > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::optional<int> parseTranspose(std::wstring_view text) {
  return parseDecimal(text, -kTransposeLimit, kTransposeLimit);
}

std::optional<bool> parseFoldOctaves(std::wstring_view text) {
  if (text == L"0") return false;
  if (text == L"1") return true;
  return std::nullopt;
}

std::optional<int> parseSpeed(std::wstring_view text) { return parseDecimal(text, kSlowestSpeed, kFastestSpeed); }

std::optional<int> parseRepressGap(std::wstring_view text) { return parseDecimal(text, 0, kLongestRepressGap); }

std::optional<int> parseModifierHold(std::wstring_view text) { return parseDecimal(text, 0, kLongestModifierHold); }

std::optional<bool> parseFocusGuard(std::wstring_view text) { return parseFoldOctaves(text); }

std::optional<int> parseSeekStep(std::wstring_view text) {
  return parseDecimal(text, kShortestSeekStep, kLongestSeekStep);
}

std::optional<bool> parseLoop(std::wstring_view text) { return parseFoldOctaves(text); }

std::optional<int> parseSongGap(std::wstring_view text) { return parseDecimal(text, 0, kLongestSongGap); }

std::optional<bool> parseAutoSuggest(std::wstring_view text) { return parseFoldOctaves(text); }

PlayOptions planningPart(const PlayOptions& options) {
  PlayOptions planning = options;
  const PlayOptions defaults;
  planning.seekStep = defaults.seekStep;
  planning.loop = defaults.loop;
  planning.songGap = defaults.songGap;
  planning.autoSuggest = defaults.autoSuggest;
  return planning;
}
std::optional<int> parsePressLength(std::wstring_view text) { return parseDecimal(text, 0, kLongestPressLength); }

std::optional<int> parseMaxKeys(std::wstring_view text) { return parseDecimal(text, 0, kMostKeys); }

std::optional<int> parseChordSpread(std::wstring_view text) { return parseDecimal(text, 0, kWidestChordSpread); }

bool shapesKeys(const PlayOptions& options) {
  PlayOptions keyShaping = planningPart(options);
  keyShaping.focusGuard = false;
  keyShaping.midiInDevice.clear();
  return keyShaping != PlayOptions{};
}

PlayOptions readPlayOptions(IniStore& store) {
  PlayOptions options;
  const auto read = [&store](std::wstring_view key) { return store.read(kOptionsSection, key); };
  options.channels = parseChannels(read(kChannelsKey)).value_or(options.channels);
  options.transpose = parseTranspose(read(kTransposeKey)).value_or(options.transpose);
  options.foldOctaves = parseFoldOctaves(read(kFoldOctavesKey)).value_or(options.foldOctaves);
  options.speed = parseSpeed(read(kSpeedKey)).value_or(options.speed);
  options.repressGap = parseRepressGap(read(kRepressGapKey)).value_or(options.repressGap);
  options.layout = store.readText(kOptionsSection, kLayoutKey);
  options.modifierHold = parseModifierHold(read(kModifierHoldKey)).value_or(options.modifierHold);
  options.focusGuard = parseFocusGuard(read(kFocusGuardKey)).value_or(options.focusGuard);
  options.midiInDevice = store.readText(kOptionsSection, kMidiInDeviceKey);
  options.seekStep = parseSeekStep(read(kSeekStepKey)).value_or(options.seekStep);
  options.loop = parseLoop(read(kLoopKey)).value_or(options.loop);
  options.pressLength = parsePressLength(read(kPressLengthKey)).value_or(options.pressLength);
  options.maxKeys = parseMaxKeys(read(kMaxKeysKey)).value_or(options.maxKeys);
  options.chordSpread = parseChordSpread(read(kChordSpreadKey)).value_or(options.chordSpread);
  options.songGap = parseSongGap(read(kSongGapKey)).value_or(options.songGap);
  options.autoSuggest = parseAutoSuggest(read(kAutoSuggestKey)).value_or(options.autoSuggest);
  return options;
}

namespace {

// A key is compared by the value playback reads from it, not by its text:
// "050", "+7" or a default written out are left as they are, so that keeping
// the options never touches the file (nor fails on a read-only one). After a
// change the key is read again, since a store may report success while
// another line of the key still gives the old value.
template <class Value>
bool storeOption(IniStore& store, std::wstring_view key, std::optional<Value> (*parse)(std::wstring_view),
                 Value wanted, Value fallback, const std::wstring& text) {
  const auto holdsWanted = [&] { return parse(store.read(kOptionsSection, key)).value_or(fallback) == wanted; };
  if (holdsWanted()) return true;
  const bool changed =
      wanted == fallback ? store.remove(kOptionsSection, key) : store.write(kOptionsSection, key, text);
  return changed && holdsWanted();
}

// A name is kept as written; empty is the default and is taken out.
bool storeName(IniStore& store, std::wstring_view key, const std::wstring& wanted) {
  const auto holdsWanted = [&] { return store.readText(kOptionsSection, key) == wanted; };
  if (holdsWanted()) return true;
  const bool changed = wanted.empty() ? store.remove(kOptionsSection, key) : store.write(kOptionsSection, key, wanted);
  return changed && holdsWanted();
}

}  // namespace

bool writePlayOptions(IniStore& store, const PlayOptions& options) {
  const PlayOptions defaults;
  // Every key is tried even after a failure, so that as much as can be kept is.
  bool stored = storeOption(store, kChannelsKey, parseChannels, options.channels, defaults.channels,
                            formatChannels(options.channels));
  stored &= storeOption(store, kTransposeKey, parseTranspose, options.transpose, defaults.transpose,
                        formatDecimal(options.transpose));
  stored &= storeOption(store, kFoldOctavesKey, parseFoldOctaves, options.foldOctaves, defaults.foldOctaves,
                        std::wstring(options.foldOctaves ? L"1" : L"0"));
  stored &= storeOption(store, kSpeedKey, parseSpeed, options.speed, defaults.speed, formatDecimal(options.speed));
  stored &= storeOption(store, kRepressGapKey, parseRepressGap, options.repressGap, defaults.repressGap,
                        formatDecimal(options.repressGap));
  stored &= storeName(store, kLayoutKey, options.layout);
  stored &= storeOption(store, kModifierHoldKey, parseModifierHold, options.modifierHold, defaults.modifierHold,
                        formatDecimal(options.modifierHold));
  stored &= storeOption(store, kFocusGuardKey, parseFocusGuard, options.focusGuard, defaults.focusGuard,
                        std::wstring(options.focusGuard ? L"1" : L"0"));
  stored &= storeName(store, kMidiInDeviceKey, options.midiInDevice);
  stored &= storeOption(store, kSeekStepKey, parseSeekStep, options.seekStep, defaults.seekStep,
                        formatDecimal(options.seekStep));
  stored &= storeOption(store, kLoopKey, parseLoop, options.loop, defaults.loop,
                        std::wstring(options.loop ? L"1" : L"0"));
  stored &= storeOption(store, kPressLengthKey, parsePressLength, options.pressLength, defaults.pressLength,
                        formatDecimal(options.pressLength));
  stored &= storeOption(store, kMaxKeysKey, parseMaxKeys, options.maxKeys, defaults.maxKeys,
                        formatDecimal(options.maxKeys));
  stored &= storeOption(store, kChordSpreadKey, parseChordSpread, options.chordSpread, defaults.chordSpread,
                        formatDecimal(options.chordSpread));
  stored &= storeOption(store, kSongGapKey, parseSongGap, options.songGap, defaults.songGap,
                        formatDecimal(options.songGap));
  stored &= storeOption(store, kAutoSuggestKey, parseAutoSuggest, options.autoSuggest, defaults.autoSuggest,
                        std::wstring(options.autoSuggest ? L"1" : L"0"));
  return stored;
}

int mapNote(std::uint8_t note, const PlayOptions& options) {
  return mapNote(note, options, kLowestKeyNote, kHighestKeyNote);
}

// A range of an octave or more (48-84 spans three) has exactly one octave
// shift that lands nearest inside it; a narrower one may have none, and the
// note then stays outside.
int mapNote(std::uint8_t note, const PlayOptions& options, int lowest, int highest) {
  int mapped = note + options.transpose;
  if (!options.foldOctaves || lowest < 0 || highest < lowest) return mapped;
  if (mapped < lowest) mapped += (lowest - mapped + 11) / 12 * 12;
  if (mapped > highest) mapped -= (mapped - highest + 11) / 12 * 12;
  return mapped;
}

}  // namespace murvane
