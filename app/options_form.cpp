#include "app/options_form.h"

#include <algorithm>
#include <vector>

#include "options/gm_instruments.h"
#include "res/resource.h"

namespace murvane {
namespace {

constexpr std::uint8_t kDrumChannel = 9;

// Blanks around a number are how it looks in a field, not a different value.
std::wstring_view trimmed(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

EntryReading refusal(OptionsField field, std::int32_t message) { return EntryReading{std::nullopt, field, message}; }

}  // namespace

OptionsEntry entryOf(const PlayOptions& options) {
  return OptionsEntry{options.channels,           formatDecimal(options.transpose),
                      options.foldOctaves,        formatDecimal(options.speed),
                      formatDecimal(options.repressGap), options.layout,
                      formatDecimal(options.modifierHold), options.focusGuard,
                      options.midiInDevice,       options.loop,
                      formatDecimal(options.pressLength), formatDecimal(options.maxKeys),
                      formatDecimal(options.chordSpread), options.autoSuggest};
}

// The same values the INI file takes, so that what OK writes reads back so.
EntryReading readEntry(const OptionsEntry& entry) {
  PlayOptions options;
  if (entry.channels == 0) return refusal(OptionsField::kChannels, IDS_ERROR_NO_CHANNEL);
  options.channels = entry.channels;
  const std::optional<int> transpose = parseTranspose(trimmed(entry.transpose));
  if (!transpose) return refusal(OptionsField::kTranspose, IDS_ERROR_TRANSPOSE_RANGE);
  options.transpose = *transpose;
  options.foldOctaves = entry.foldOctaves;
  const std::optional<int> speed = parseSpeed(trimmed(entry.speed));
  if (!speed) return refusal(OptionsField::kSpeed, IDS_ERROR_SPEED_RANGE);
  options.speed = *speed;
  const std::optional<int> gap = parseRepressGap(trimmed(entry.repressGap));
  if (!gap) return refusal(OptionsField::kRepressGap, IDS_ERROR_REPRESS_GAP_RANGE);
  options.repressGap = *gap;
  options.layout = entry.layout;
  const std::optional<int> hold = parseModifierHold(trimmed(entry.modifierHold));
  if (!hold) return refusal(OptionsField::kModifierHold, IDS_ERROR_MODIFIER_HOLD_RANGE);
  options.modifierHold = *hold;
  options.focusGuard = entry.focusGuard;
  options.midiInDevice = entry.midiInDevice;
  options.loop = entry.loop;
  const std::optional<int> pressLength = parsePressLength(trimmed(entry.pressLength));
  if (!pressLength) return refusal(OptionsField::kPressLength, IDS_ERROR_PRESS_LENGTH_RANGE);
  options.pressLength = *pressLength;
  const std::optional<int> maxKeys = parseMaxKeys(trimmed(entry.maxKeys));
  if (!maxKeys) return refusal(OptionsField::kMaxKeys, IDS_ERROR_MAX_KEYS_RANGE);
  options.maxKeys = *maxKeys;
  const std::optional<int> chordSpread = parseChordSpread(trimmed(entry.chordSpread));
  if (!chordSpread) return refusal(OptionsField::kChordSpread, IDS_ERROR_CHORD_SPREAD_RANGE);
  options.chordSpread = *chordSpread;
  options.autoSuggest = entry.autoSuggest;
  return EntryReading{options, OptionsField::kChannels, 0};
}

FieldRange rangeOf(OptionsField field) {
  switch (field) {
    case OptionsField::kChannels: return {1, kChannelCount};
    case OptionsField::kTranspose: return {-kTransposeLimit, kTransposeLimit};
    case OptionsField::kSpeed: return {kSlowestSpeed, kFastestSpeed};
    case OptionsField::kRepressGap: return {0, kLongestRepressGap};
    case OptionsField::kModifierHold: return {0, kLongestModifierHold};
    case OptionsField::kPressLength: return {0, kLongestPressLength};
    case OptionsField::kMaxKeys: return {0, kMostKeys};
    case OptionsField::kChordSpread: return {0, kWidestChordSpread};
  }
  return {0, 0};
}

OptionsEntry withSuggestion(OptionsEntry entry, const TrackSuggestion& suggestion) {
  entry.channels = static_cast<std::uint16_t>(1u << (suggestion.channel & 0x0F));
  entry.transpose = formatDecimal(suggestion.transpose);
  return entry;
}

bool channelSelectable(const NoteCounts* fileCounts, std::uint8_t channel, bool checked) {
  return checked || fileCounts == nullptr || fileCounts->notes(channel) > 0;
}

std::wstring channelLabel(const ChannelLabelTexts& texts, const NoteCounts& counts, std::uint8_t channel,
                          std::wstring_view trackName, const KeyedNotes& keyed) {
  const std::wstring number = formatDecimal(channel + 1);
  const std::uint32_t notes = counts.notes(channel);
  if (notes == 0) return fillPlaceholders(texts.withoutNotes, {number});
  const std::wstring total = std::to_wstring(notes);
  const std::wstring inside = std::to_wstring(counts.inside(channel, 0, keyed));
  if (trackName.empty()) return fillPlaceholders(texts.withNotes, {number, total, inside});
  const std::wstring name = channelName(trackName, channel, counts.channels[channel & 0x0F].program);
  return fillPlaceholders(texts.namedNotes, {number, name, total, inside});
}

std::wstring channelName(std::wstring_view trackName, std::uint8_t channel, int program) {
  const std::string_view instrument = channel == kDrumChannel ? kDrumKitName : instrumentName(program);
  const std::wstring after =
      instrument.empty() ? std::wstring() : L" (" + std::wstring(instrument.begin(), instrument.end()) + L")";
  // The instrument stays whole; the name gives way, though never below a few characters.
  const std::size_t room =
      std::max(kShortestShownName, after.size() < kLongestShownName ? kLongestShownName - after.size() : 0);
  std::wstring name(trackName.substr(0, room));
  if (trackName.size() > room) name.back() = L'\u2026';  // an ellipsis
  return name + after;
}

ChoiceList choiceList(std::wstring_view defaultText, const std::vector<Choice>& offered,
                      std::wstring_view missingPattern, std::wstring_view chosen) {
  ChoiceList list;
  list.entries.push_back(Choice{std::wstring(), std::wstring(defaultText)});
  const auto indexOf = [&list](std::wstring_view name) {
    return static_cast<std::size_t>(
        std::find_if(list.entries.begin() + 1, list.entries.end(), [&](const Choice& c) { return c.name == name; }) -
        list.entries.begin());
  };
  for (const Choice& choice : offered) {
    if (!choice.name.empty() && indexOf(choice.name) == list.entries.size()) list.entries.push_back(choice);
  }
  if (chosen.empty()) return list;
  list.selected = indexOf(chosen);
  if (list.selected == list.entries.size()) {
    list.entries.push_back(Choice{std::wstring(chosen), fillPlaceholders(missingPattern, {chosen})});
  }
  return list;
}

std::vector<Choice> layoutChoices(std::wstring_view entryPattern, const std::vector<LayoutChoice>& layouts) {
  std::vector<Choice> choices;
  for (const LayoutChoice& layout : layouts) {
    const std::wstring keys = formatDecimal(layout.keyCount);
    choices.push_back(Choice{layout.name, fillPlaceholders(entryPattern, {layout.name, keys})});
  }
  return choices;
}

std::vector<Choice> deviceChoices(const std::vector<std::wstring>& names) {
  std::vector<Choice> choices;
  for (const std::wstring& name : names) choices.push_back(Choice{name, name});
  return choices;
}

std::wstring fillPlaceholders(std::wstring_view pattern, std::initializer_list<std::wstring_view> values) {
  const std::vector<std::wstring_view> given(values);
  std::wstring text;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'%' && i + 1 < pattern.size() && pattern[i + 1] >= L'1' && pattern[i + 1] <= L'9') {
      const auto index = static_cast<std::size_t>(pattern[i + 1] - L'1');
      if (index < given.size()) {
        text += given[index];
        ++i;
        continue;
      }
    }
    text += pattern[i];
  }
  return text;
}

}  // namespace murvane
