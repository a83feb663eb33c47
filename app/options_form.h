#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyplan/keyed_notes.h"
#include "options/play_options.h"
#include "options/track_suggestion.h"

namespace murvane {

// The Options window's decisions, kept apart from the window: what each
// channel's check box says and whether it may be clicked, what the fields'
// texts mean, and what Suggest changes. The window shows an OptionsEntry
// and reads one back from its controls.

inline constexpr int kChannelCount = 16;

// What the window's fields hold: the checked channels and the three texts.
struct OptionsEntry {
  std::uint16_t channels = 0;  // bit n: the box of MIDI channel n + 1 is checked
  std::wstring transpose;
  bool foldOctaves = false;
  std::wstring speed;
  std::wstring repressGap;
  std::wstring layout;  // as the INI file names it; empty for the default
  std::wstring modifierHold = L"0";
  bool focusGuard = false;
  std::wstring midiInDevice;  // empty for the first device
  bool loop = false;
  std::wstring pressLength = L"0";
  std::wstring maxKeys = L"0";
  std::wstring chordSpread = L"0";
  bool autoSuggest = false;

  bool operator==(const OptionsEntry&) const = default;
};

// The fields in the order the window reads them, which is the order it
// shows them in.
enum class OptionsField : std::uint8_t {
  kChannels,
  kTranspose,
  kSpeed,
  kRepressGap,
  kModifierHold,
  kPressLength,
  kMaxKeys,
  kChordSpread,
};

OptionsEntry entryOf(const PlayOptions& options);

// The options an entry holds, or the first field that holds none, with the
// message that says so; the window fills the message's %1 and %2 with
// rangeOf(field).
struct EntryReading {
  std::optional<PlayOptions> options;
  OptionsField refused = OptionsField::kChannels;
  std::int32_t message = 0;
};

EntryReading readEntry(const OptionsEntry& entry);

struct FieldRange {
  int lowest;
  int highest;
};

FieldRange rangeOf(OptionsField field);

// Only the suggested channel checked, and the suggested shift; the rest of
// the entry as it was.
OptionsEntry withSuggestion(OptionsEntry entry, const TrackSuggestion& suggestion);

// A channel without notes in the file is offered only while it is checked,
// so that a checked one can still be taken back. fileCounts are those of the
// loaded file, null when none is loaded: then there is nothing to go by, and
// every channel is offered, so that Channels can be widened as well.
bool channelSelectable(const NoteCounts* fileCounts, std::uint8_t channel, bool checked);

// The patterns of a channel's box, from the string table.
struct ChannelLabelTexts {
  std::wstring_view withNotes;     // %1 the channel's number from 1, %2 its note-ons, %3 those with keys
  std::wstring_view namedNotes;    // the same with %2 its name and instrument, %3 and %4 the counts
  std::wstring_view withoutNotes;  // %1 its number
};

// The text of a channel's box from its counts: namedNotes for a channel that
// has note-ons and a track name ("Melody (Flute)"; the name alone without a
// program change), withNotes for one without a name, withoutNotes for one
// without notes. trackName is the channel's track names as text; a long one
// is cut short, so that the counts still show. The notes with keys are
// counted as the file stands.
std::wstring channelLabel(const ChannelLabelTexts& texts, const NoteCounts& counts, std::uint8_t channel,
                          std::wstring_view trackName, const KeyedNotes& keyed);

// The name part of a named channel's box: the track name and the
// instrument after it in brackets, at most kLongestShownName characters
// where the instrument leaves kShortestShownName of the name; a name cut
// short ends in an ellipsis.
inline constexpr std::size_t kLongestShownName = 24;
inline constexpr std::size_t kShortestShownName = 8;
std::wstring channelName(std::wstring_view trackName, std::uint8_t channel, int program);

// A keyboard layout the window offers: its name as the INI file names it,
// and how many keys it binds.
struct LayoutChoice {
  std::wstring name;
  int keyCount = 0;
  KeyedNotes keyed;  // the notes it has keys for
};

// One entry of a drop-down list: the name the option takes when it is
// chosen (empty: the option's default) and what the list shows for it.
struct Choice {
  std::wstring name;
  std::wstring text;

  bool operator==(const Choice&) const = default;
};

struct ChoiceList {
  std::vector<Choice> entries;
  std::size_t selected = 0;  // into entries
};

// The entries of a list that sets one name, and the one selected for the
// name the file holds (chosen): the default first, then the names offered
// in their order, each once (an empty name cannot be chosen and is left
// out). A chosen name none of them has is appended as missingPattern shows
// it (%1: the name) and selected, so that keeping it keeps the name.
ChoiceList choiceList(std::wstring_view defaultText, const std::vector<Choice>& offered,
                      std::wstring_view missingPattern, std::wstring_view chosen);

// The layouts as the list shows them: entryPattern with %1 the name and %2
// the keys it binds.
std::vector<Choice> layoutChoices(std::wstring_view entryPattern, const std::vector<LayoutChoice>& layouts);

// The MIDI input devices, each by the name the system gives it.
std::vector<Choice> deviceChoices(const std::vector<std::wstring>& names);

// pattern with %1 to %9 replaced by the values given for them; any other
// text, a % before anything else and a placeholder without a value included,
// stays as it is.
std::wstring fillPlaceholders(std::wstring_view pattern, std::initializer_list<std::wstring_view> values);

}  // namespace murvane
