#include "app/options_form.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "res/resource.h"

namespace murvane {
namespace {

const OptionsEntry kDefaultEntry{0x0001, L"0", false, L"100", L"0"};

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

void PrintTo(const OptionsEntry& entry, std::ostream* out) {
  *out << "channels=" << entry.channels << " transpose=\"" << narrow(entry.transpose) << "\" fold=" << entry.foldOctaves
       << " speed=\"" << narrow(entry.speed) << "\" gap=\"" << narrow(entry.repressGap) << "\"";
}

void PrintTo(const PlayOptions& options, std::ostream* out) {
  *out << "channels=" << options.channels << " transpose=" << options.transpose << " fold=" << options.foldOctaves
       << " speed=" << options.speed << " gap=" << options.repressGap;
}

namespace {

TEST(OptionsForm, TheFieldsShowTheOptionsAsTheFileHoldsThem) {
  EXPECT_EQ(entryOf(PlayOptions{}), kDefaultEntry);
  EXPECT_EQ(entryOf(PlayOptions{0x8004, -12, true, 25, 200}), (OptionsEntry{0x8004, L"-12", true, L"25", L"200"}));
  const PlayOptions fitted{.pressLength = 50, .maxKeys = 3, .chordSpread = 20};
  EXPECT_EQ(readEntry(entryOf(fitted)).options, fitted);
}

// The text box of a number field.
std::wstring& textOf(OptionsEntry& entry, OptionsField field) {
  switch (field) {
    case OptionsField::kTranspose: return entry.transpose;
    case OptionsField::kSpeed: return entry.speed;
    case OptionsField::kRepressGap: return entry.repressGap;
    case OptionsField::kPressLength: return entry.pressLength;
    case OptionsField::kMaxKeys: return entry.maxKeys;
    case OptionsField::kChordSpread: return entry.chordSpread;
    default: return entry.modifierHold;
  }
}

OptionsEntry withText(OptionsField field, std::wstring_view text) {
  OptionsEntry entry = kDefaultEntry;
  textOf(entry, field) = text;
  return entry;
}

TEST(OptionsForm, AnEntryWithEveryFieldInItsRangeIsTaken) {
  const struct {
    const char* name;
    OptionsEntry entry;
    PlayOptions options;
  } cases[] = {
      {"the defaults", kDefaultEntry, PlayOptions{}},
      {"every field at an end of its range", {0xFFFF, L"-48", true, L"400", L"200"}, {0xFFFF, -48, true, 400, 200}},
      {"the other ends", {0x0002, L"48", false, L"25", L"0"}, {0x0002, 48, false, 25, 0}},
      {"blanks around the numbers and a plus sign", {0x0001, L" +12 ", false, L"\t50", L"30  "},
       {0x0001, 12, false, 50, 30}},
      {"the loop", {0x0001, L"0", false, L"100", L"0", L"", L"0", false, L"", true},
       {0x0001, 0, false, 100, 0, L"", 0, false, L"", 5, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(readEntry(c.entry).options, c.options);
  }
}

TEST(OptionsForm, ANumberOutsideItsRangeOrNoNumberIsRefusedWithItsFieldsMessage) {
  const struct {
    OptionsField field;
    std::int32_t message;
    std::vector<std::wstring_view> texts;
  } cases[] = {
      {OptionsField::kTranspose, IDS_ERROR_TRANSPOSE_RANGE, {L"49", L"", L"1 2"}},
      // The last is far too long to be a number of the range.
      {OptionsField::kSpeed, IDS_ERROR_SPEED_RANGE, {L"24", L"12.5", L"99999999999"}},
      {OptionsField::kRepressGap, IDS_ERROR_REPRESS_GAP_RANGE, {L"201", L"-1"}},
      {OptionsField::kModifierHold, IDS_ERROR_MODIFIER_HOLD_RANGE, {L"51", L"-1", L""}},
      {OptionsField::kPressLength, IDS_ERROR_PRESS_LENGTH_RANGE, {L"1001", L""}},
      {OptionsField::kMaxKeys, IDS_ERROR_MAX_KEYS_RANGE, {L"11", L"-1"}},
      {OptionsField::kChordSpread, IDS_ERROR_CHORD_SPREAD_RANGE, {L"51", L"x"}},
  };
  for (const auto& c : cases) {
    for (std::wstring_view text : c.texts) {
      SCOPED_TRACE(narrow(std::wstring(text)));
      const EntryReading reading = readEntry(withText(c.field, text));
      EXPECT_EQ(reading.options, std::nullopt);
      EXPECT_EQ(reading.refused, c.field);
      EXPECT_EQ(reading.message, c.message);
    }
  }
}

TEST(OptionsForm, WithoutAChannelOrWithSeveralBadFieldsTheFirstIsRefused) {
  const struct {
    const char* name;
    OptionsEntry entry;
    OptionsField refused;
    std::int32_t message;
  } cases[] = {
      {"no channel checked", {0x0000, L"0", false, L"100", L"0"}, OptionsField::kChannels, IDS_ERROR_NO_CHANNEL},
      {"the first of several bad fields", {0x0000, L"99", false, L"1", L"999"}, OptionsField::kChannels,
       IDS_ERROR_NO_CHANNEL},
      {"the first of two bad numbers", {0x0001, L"0", false, L"1", L"999"}, OptionsField::kSpeed,
       IDS_ERROR_SPEED_RANGE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EntryReading reading = readEntry(c.entry);
    EXPECT_EQ(reading.options, std::nullopt);
    EXPECT_EQ(reading.refused, c.refused);
    EXPECT_EQ(reading.message, c.message);
  }
}

// The range a refusal names is the one the entry is read with.
TEST(OptionsForm, RefusalsNameTheRangeTheFieldIsReadWith) {
  for (OptionsField field : {OptionsField::kTranspose, OptionsField::kSpeed, OptionsField::kRepressGap,
                             OptionsField::kModifierHold, OptionsField::kPressLength, OptionsField::kMaxKeys,
                             OptionsField::kChordSpread}) {
    const FieldRange range = rangeOf(field);
    for (int value : {range.lowest - 1, range.lowest, range.highest, range.highest + 1}) {
      const bool inside = value >= range.lowest && value <= range.highest;
      EXPECT_EQ(readEntry(withText(field, formatDecimal(value))).options.has_value(), inside) << value;
    }
  }
}

TEST(OptionsForm, SuggestChecksOnlyTheSuggestedChannelAndSetsItsShiftLeavingTheRest) {
  // A melody on channel 4 two octaves low (A3 to E5 played as A1 to E3: one
  // octave up leaves its lowest notes out), named so, a decoy on channel 1.
  NoteCounts counts;
  for (int note : {33, 35, 36, 40, 45, 52}) counts.add(3, static_cast<std::uint8_t>(note));
  counts.channels[3].trackNames = "Melody";
  counts.add(0, 60);
  const KeyedNotes keyed = defaultKeyedNotes();
  const OptionsEntry before{0x0003, L"5", true, L"80", L"30"};
  EXPECT_EQ(withSuggestion(before, suggestTrack(counts, keyed)), (OptionsEntry{0x0008, L"24", true, L"80", L"30"}));
  // Without notes: channel 1 as it stands.
  EXPECT_EQ(withSuggestion(before, suggestTrack(NoteCounts{}, keyed)), (OptionsEntry{0x0001, L"0", true, L"80", L"30"}));
  // A shift by semitones is set as it is.
  EXPECT_EQ(withSuggestion(before, TrackSuggestion{2, -3, 10, "top voice"}).transpose, L"-3");
}

TEST(OptionsForm, AChannelWithoutNotesIsOfferedOnlyWhileCheckedAndWithNoFileEveryChannelIs) {
  NoteCounts counts;
  counts.add(2, 60);
  EXPECT_TRUE(channelSelectable(&counts, 2, false));
  EXPECT_TRUE(channelSelectable(&counts, 2, true));
  EXPECT_FALSE(channelSelectable(&counts, 0, false));
  EXPECT_TRUE(channelSelectable(&counts, 0, true));
  EXPECT_FALSE(channelSelectable(&counts, 15, false));
  // No file: nothing to go by.
  for (std::uint8_t c = 0; c < kChannelCount; ++c) EXPECT_TRUE(channelSelectable(nullptr, c, false)) << int{c};
}

TEST(OptionsForm, ChannelLabelsGiveTheNumberFromOneTheNoteOnsAndThoseInRange) {
  NoteCounts counts;
  for (int i = 0; i < 390; ++i) counts.add(2, 60);
  for (int i = 0; i < 22; ++i) counts.add(2, 30);
  counts.add(15, 84);
  counts.add(15, 85);
  counts.channels[3].trackNames = "ignored: no notes";
  const ChannelLabelTexts texts{L"%1: %2 notes, %3 in range", L"%1: %2, %3 notes, %4 in range", L"%1: no notes"};
  const KeyedNotes keyed = defaultKeyedNotes();
  EXPECT_EQ(channelLabel(texts, counts, 2, L"", keyed), L"3: 412 notes, 390 in range");
  EXPECT_EQ(channelLabel(texts, counts, 15, L"", keyed), L"16: 2 notes, 1 in range");
  EXPECT_EQ(channelLabel(texts, counts, 0, L"", keyed), L"1: no notes");
  EXPECT_EQ(channelLabel(texts, counts, 3, L"Anything", keyed), L"4: no notes");
  // A translation may put the values in another order.
  EXPECT_EQ(channelLabel({L"%1: %3/%2", L"", L""}, counts, 2, L"", keyed), L"3: 390/412");
  // In range means on a key of the layout.
  KeyedNotes onlyC4;
  onlyC4[60] = true;
  EXPECT_EQ(channelLabel(texts, counts, 15, L"", onlyC4), L"16: 2 notes, 0 in range");
}

TEST(OptionsForm, ANamedChannelShowsItsTrackNameAndInstrument) {
  NoteCounts counts;
  for (int i = 0; i < 412; ++i) counts.add(2, i < 390 ? 72 : 100);
  counts.channels[2].program = 73;
  counts.add(9, 38);
  counts.add(4, 60);
  const ChannelLabelTexts texts{L"%1: %2 notes, %3 in range", L"%1: %2, %3 notes, %4 in range", L"%1: no notes"};
  const KeyedNotes keyed = defaultKeyedNotes();
  EXPECT_EQ(channelLabel(texts, counts, 2, L"Melody", keyed), L"3: Melody (Flute), 412 notes, 390 in range");
  // Channel 10 is the drum kit whatever its program; no program, no instrument.
  EXPECT_EQ(channelLabel(texts, counts, 9, L"Drums", keyed), L"10: Drums (Drum Kit), 1 notes, 0 in range");
  EXPECT_EQ(channelLabel(texts, counts, 4, L"\u30e1\u30ed", keyed), L"5: \u30e1\u30ed, 1 notes, 1 in range");
  // A long name is cut short, so that the counts still show; the instrument stays.
  const struct {
    std::wstring_view track;
    int program;
    std::wstring shown;
  } names[] = {
      {L"A very long name of a track indeed", 73, L"A very long nam\u2026 (Flute)"},
      {L"Twenty-four characters!!", -1, L"Twenty-four characters!!"},
      {L"Twenty-five characters!!!", -1, L"Twenty-five characters!\u2026"},
      {L"Accompaniment", 0, L"Accompa\u2026 (Acoustic Grand Piano)"},
      {L"Keys", 0, L"Keys (Acoustic Grand Piano)"},
  };
  for (const auto& n : names) EXPECT_EQ(channelName(n.track, 2, n.program), n.shown) << narrow(n.shown);
}

// --- The drop-down lists (keyboard layout, MIDI input device) ---

std::vector<Choice> named(std::initializer_list<const wchar_t*> names) {
  std::vector<Choice> choices;
  for (const wchar_t* name : names) choices.push_back(Choice{name, std::wstring(L"<") + name + L">"});
  return choices;
}

std::vector<std::wstring> textsOf(const ChoiceList& list) {
  std::vector<std::wstring> texts;
  for (const Choice& entry : list.entries) texts.push_back(entry.text);
  return texts;
}

TEST(OptionsForm, AChoiceListOffersTheDefaultTheNamesGivenAndAMissingNameSelected) {
  const struct {
    const char* name;
    std::vector<Choice> offered;
    std::wstring_view chosen;
    std::vector<std::wstring> texts;
    std::size_t selected;
  } cases[] = {
      {"nothing chosen: the default", named({L"JIS", L"US"}), L"", {L"Default", L"<JIS>", L"<US>"}, 0},
      {"a name offered", named({L"JIS", L"US"}), L"US", {L"Default", L"<JIS>", L"<US>"}, 2},
      {"a name not offered is added after them", named({L"JIS", L"US"}), L"Dvorak",
       {L"Default", L"<JIS>", L"<US>", L"Dvorak (missing)"}, 3},
      {"nothing offered, nothing chosen", {}, L"", {L"Default"}, 0},
      {"nothing offered, a name chosen", {}, L"UM-ONE", {L"Default", L"UM-ONE (missing)"}, 1},
      // Names are told apart as the file and the system write them.
      {"another case is another name", named({L"JIS"}), L"jis", {L"Default", L"<JIS>", L"jis (missing)"}, 2},
      {"a name offered twice is listed once", named({L"Twin", L"A", L"Twin"}), L"Twin",
       {L"Default", L"<Twin>", L"<A>"}, 1},
      // It would stand for the default, under another text.
      {"an empty name is not offered", named({L"", L"US"}), L"", {L"Default", L"<US>"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ChoiceList list = choiceList(L"Default", c.offered, L"%1 (missing)", c.chosen);
    EXPECT_EQ(textsOf(list), c.texts);
    EXPECT_EQ(list.selected, c.selected);
    // What OK takes from the list as it opened is the name the file holds.
    ASSERT_LT(list.selected, list.entries.size());
    EXPECT_EQ(list.entries[list.selected].name, c.chosen);
    EXPECT_EQ(list.entries[0].name, L"");
    for (std::size_t i = 1; i < list.entries.size(); ++i) {
      EXPECT_FALSE(list.entries[i].name.empty()) << i;
      for (std::size_t j = 0; j < i; ++j) EXPECT_NE(list.entries[i].name, list.entries[j].name) << i << " " << j;
    }
  }
}

TEST(OptionsForm, PlaceholdersAreFilledAndEveryOtherPercentSignStays) {
  const struct {
    std::wstring_view pattern;
    std::wstring expected;
  } cases[] = {
      {L"Speed must be from %1 to %2 %.", L"Speed must be from 25 to 400 %."},
      {L"%2-%1", L"400-25"},
      {L"%3 has no value", L"%3 has no value"},
      {L"%0 and %% and %x", L"%0 and %% and %x"},
      {L"ends in %", L"ends in %"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fillPlaceholders(c.pattern, {L"25", L"400"}), c.expected);
  }
}

}  // namespace
}  // namespace murvane
