#include "options/track_suggestion.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "bindings/note_range.h"
#include "options/gm_instruments.h"

namespace murvane {
namespace {

struct Notes {
  std::uint8_t channel;  // 0-based
  std::uint8_t note;
  int times;
};

NoteCounts countsOf(const std::vector<Notes>& notes) {
  NoteCounts counts;
  for (const Notes& n : notes) {
    for (int i = 0; i < n.times; ++i) counts.add(n.channel, n.note);
  }
  return counts;
}

// The white keys from C3 to C6 (22 notes), as a diatonic layout has them.
KeyedNotes whiteKeys() {
  KeyedNotes keyed;
  for (int note = 48; note <= 84; ++note) {
    const int step = note % 12;
    keyed[static_cast<std::size_t>(note)] = step == 0 || step == 2 || step == 4 || step == 5 || step == 7 ||
                                           step == 9 || step == 11;
  }
  return keyed;
}

TEST(TrackSuggestionTest, TheDefaultKeysAreC3ToC6) {
  const KeyedNotes keyed = defaultKeyedNotes();
  for (int note = 0; note < 128; ++note) EXPECT_EQ(keyed[static_cast<std::size_t>(note)], isKeyNote(note)) << note;
}

// On the default keys every shift that fits is a whole octave when one fits
// as well: the choices the octave-only rule made before.
TEST(TrackSuggestionTest, OnTheDefaultKeysTheShiftIsTheOctaveThatPutsTheMostNotesOnKeys) {
  const struct {
    const char* name;
    std::vector<Notes> notes;
    ShiftChoice expected;
  } cases[] = {
      {"inside as it stands", {{0, 60, 5}}, {0, 5}},
      {"an octave low", {{0, 40, 4}, {0, 45, 3}}, {12, 7}},
      {"a tie between shifts goes to the smaller", {{0, 40, 2}}, {12, 2}},
      {"a tie between an upward and a downward shift goes upward", {{0, 30, 2}, {0, 100, 2}}, {24, 2}},
      {"far above: four octaves down", {{0, 127, 3}, {0, 125, 2}}, {-48, 5}},
      {"far below: four octaves up", {{0, 0, 3}, {0, 2, 1}}, {48, 4}},
      {"no notes: unshifted", {}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(bestShift(countsOf(c.notes), 0, defaultKeyedNotes()), c.expected);
  }
}

TEST(TrackSuggestionTest, ASemitoneShiftWinsOnlyWhenItPutsMoreThanOnePercentMoreNotesOnKeys) {
  // 200 notes over 39 semitones, many on the lowest two: unshifted loses 22
  // of them, 2 up only the top two, 3 up (within 1 % of that) three.
  NoteCounts wide;
  for (int note = 46; note <= 84; ++note) wide.add(0, static_cast<std::uint8_t>(note));
  for (int i = 0; i < 10; ++i) {
    wide.add(0, 46);
    wide.add(0, 47);
  }
  for (int i = 0; i < 141; ++i) wide.add(0, 70);
  EXPECT_EQ(bestShift(wide, 0, defaultKeyedNotes()), (ShiftChoice{2, 198}));
  // One note in 200 lost to the octave is within 1 %: the song keeps its key.
  NoteCounts nearly;
  for (int i = 0; i < 199; ++i) nearly.add(0, 60);
  nearly.add(0, 85);
  EXPECT_EQ(bestShift(nearly, 0, defaultKeyedNotes()), (ShiftChoice{0, 199}));
}

TEST(TrackSuggestionTest, OnAWhiteKeyLayoutTheShiftFindsTheKeyOfTheSong) {
  const std::vector<int> dMajor = {62, 64, 66, 67, 69, 71, 73, 74};
  const std::vector<int> eFlatMajor = {63, 65, 67, 68, 70, 72, 74, 75};
  for (const auto& [scale, shift] : {std::pair{dMajor, -2}, std::pair{eFlatMajor, -3}}) {
    NoteCounts counts;
    for (int note : scale) counts.add(0, static_cast<std::uint8_t>(note));
    EXPECT_EQ(bestShift(counts, 0, whiteKeys()), (ShiftChoice{shift, 8})) << shift;
  }
  // Already in C: unshifted, not moved by an octave.
  NoteCounts cMajor;
  for (int note : {60, 62, 64, 65, 67, 69, 71, 72}) cMajor.add(0, static_cast<std::uint8_t>(note));
  EXPECT_EQ(bestShift(cMajor, 0, whiteKeys()), (ShiftChoice{0, 8}));
}

TEST(TrackSuggestionTest, InsideCountsTheNotesThatLandOnKeys) {
  const NoteCounts counts = countsOf({{0, 47, 1}, {0, 48, 1}, {0, 84, 1}, {0, 85, 1}, {0, 0, 1}, {0, 127, 1}});
  const KeyedNotes keyed = defaultKeyedNotes();
  EXPECT_EQ(counts.notes(0), 6u);
  EXPECT_EQ(counts.inside(0, 0, keyed), 2u);
  EXPECT_EQ(counts.inside(0, 1, keyed), 2u);    // 47 and 48 come inside, 84 leaves
  EXPECT_EQ(counts.inside(0, 48, keyed), 1u);   // only 0
  EXPECT_EQ(counts.inside(0, -48, keyed), 1u);  // only 127
  EXPECT_EQ(counts.inside(0, 0, whiteKeys()), 2u);  // 48 and 84 are white, 47 too low
}

// A channel as the loader would see it: `notes` note-ons at `pitch`, and the
// shares of them that are top, single and steps, sounding `beats` of the
// song's 100; on top at `surface` of the song's moments, and with `outside`
// of its notes outside the others' harmony.
struct Part {
  std::uint8_t channel;
  std::uint8_t pitch;
  std::uint32_t notes;
  double top;
  double single;
  double steps;
  int beats;
  int program = -1;
  const char* name = "";
  double surface = 0;
  double outside = 0;
};

Part against(Part part, double surface, double outside) {
  part.surface = surface;
  part.outside = outside;
  return part;
}

NoteCounts songOf(const std::vector<Part>& parts) {
  NoteCounts counts;
  counts.songTicks = 100;
  counts.moments = 1000;
  for (const Part& part : parts) {
    for (std::uint32_t i = 0; i < part.notes; ++i) counts.add(part.channel, part.pitch);
    ChannelInfo& info = counts.channels[part.channel];
    info.topNotes = static_cast<std::uint32_t>(part.top * part.notes);
    info.singleNotes = static_cast<std::uint32_t>(part.single * part.notes);
    info.stepNotes = static_cast<std::uint32_t>(part.steps * part.notes);
    info.soundingTicks = static_cast<std::uint64_t>(part.beats);
    info.topOnsets = static_cast<std::uint32_t>(part.surface * counts.moments);
    info.heardNotes = part.notes;
    info.chordNotes = static_cast<std::uint32_t>((1 - part.outside) * part.notes);
    info.program = part.program;
    info.trackNames = part.name;
  }
  return counts;
}

// The parts of a typical arrangement, on their own channels.
const Part kTune = against({3, 72, 300, 0.8, 1.0, 0.5, 80}, 0.6, 0.4);
const Part kChords = against({0, 60, 900, 0.3, 0.0, 0.0, 100}, 0.2, 0.0);
const Part kBass = against({1, 36, 400, 0.0, 1.0, 0.1, 100}, 0.0, 0.2);
const Part kArpeggio = against({2, 64, 1200, 0.2, 1.0, 0.0, 100}, 0.1, 0.05);
const Part kDrums{9, 38, 2000, 1.0, 1.0, 0.0, 100};

TEST(TrackSuggestionTest, TheTuneIsChosenOverChordsBassBrokenChordsAndDrums) {
  const TrackSuggestion suggestion = suggestTrack(songOf({kTune, kChords, kBass, kArpeggio, kDrums}), defaultKeyedNotes());
  EXPECT_EQ(suggestion.channel, 3);
  EXPECT_EQ(suggestion.transpose, 0);
  EXPECT_EQ(suggestion.inside, 300u);
  EXPECT_EQ(suggestion.reason, "top voice, mostly single notes, moves by steps");
}

TEST(TrackSuggestionTest, ANameOrAnInstrumentTipsTheBalanceBetweenTwoLikelyLines) {
  // A counter-line as likely as the tune by its music alone.
  Part counter = kTune;
  counter.channel = 5;
  Part tune = kTune;
  const NoteCounts unnamed = songOf({tune, counter, kChords});
  EXPECT_EQ(suggestTrack(unnamed, defaultKeyedNotes()).channel, 3) << "a tie goes to the lower channel";

  Part named = counter;
  named.name = "Melody";
  const TrackSuggestion byName = suggestTrack(songOf({tune, named, kChords}), defaultKeyedNotes());
  EXPECT_EQ(byName.channel, 5);
  EXPECT_EQ(byName.reason.rfind("named as the melody, ", 0), 0u) << byName.reason;

  Part flute = counter;
  flute.program = 73;
  const TrackSuggestion byInstrument = suggestTrack(songOf({tune, flute, kChords}), defaultKeyedNotes());
  EXPECT_EQ(byInstrument.channel, 5);
  EXPECT_EQ(byInstrument.reason, "top voice, mostly single notes, moves by steps, flute");

  Part bassName = counter;
  bassName.name = "Bass";
  tune.channel = 7;
  EXPECT_EQ(suggestTrack(songOf({tune, bassName, kChords}), defaultKeyedNotes()).channel, 7);
}

TEST(TrackSuggestionTest, ANameAloneDoesNotMakeAPadTheTune) {
  Part pad = kChords;
  pad.name = "Lead";
  pad.program = 89;
  EXPECT_EQ(suggestTrack(songOf({kTune, pad, kBass}), defaultKeyedNotes()).channel, 3);
}

TEST(TrackSuggestionTest, ChannelTenAndChannelsWithoutNotesAreNeverChosen) {
  EXPECT_EQ(suggestTrack(songOf({kDrums, kBass}), defaultKeyedNotes()).channel, 1);
  EXPECT_EQ(suggestTrack(songOf({kDrums}), defaultKeyedNotes()), (TrackSuggestion{0, 0, 0, "no notes"}));
  EXPECT_EQ(suggestTrack(NoteCounts{}, defaultKeyedNotes()), (TrackSuggestion{0, 0, 0, "no notes"}));
}

TEST(TrackSuggestionTest, TheChosenTuneIsShiftedOntoTheKeys) {
  Part low = kTune;
  low.pitch = 40;
  const TrackSuggestion suggestion = suggestTrack(songOf({low, kBass}), defaultKeyedNotes());
  EXPECT_EQ(suggestion.channel, 3);
  EXPECT_EQ(suggestion.transpose, 12);
  EXPECT_EQ(suggestion.inside, 300u);
}

TEST(TrackSuggestionTest, TrackNamesThatSayMelodyOrAccompanimentInEnglishOrJapanese) {
  const struct {
    std::string name;
    NameHint hint;
  } cases[] = {
      {"Melody", NameHint::kMelody},
      {"LEAD VOX", NameHint::kMelody},
      {"Vocal", NameHint::kMelody},
      {"Solo Violin", NameHint::kMelody},
      {"M\xC3\xA9lodie", NameHint::kMelody},
      {"\xE3\x83\xA1\xE3\x83\xAD\xE3\x83\x87\xE3\x82\xA3", NameHint::kMelody},  // メロディ in UTF-8
      {"\x83\x81\x83\x8D\x83\x66\x83\x42", NameHint::kMelody},                  // メロディ in Shift_JIS
      {"\xE4\xB8\xBB\xE6\x97\x8B\xE5\xBE\x8B", NameHint::kMelody},              // 主旋律
      {"\xE3\x83\x9C\xE3\x83\xBC\xE3\x82\xAB\xE3\x83\xAB", NameHint::kMelody},  // ボーカル
      {"\x89\xCC", NameHint::kMelody},                                          // 歌 in Shift_JIS
      {"Bass / Melody", NameHint::kMelody},  // a channel of two tracks: the tune is on it
      {"Fretless Bass", NameHint::kAccompaniment},
      {"Drums", NameHint::kAccompaniment},
      {"Chords", NameHint::kAccompaniment},
      {"Warm Pad", NameHint::kAccompaniment},
      {"\xE3\x83\x99\xE3\x83\xBC\xE3\x82\xB9", NameHint::kAccompaniment},  // ベース
      {"\x94\xBA\x91\x74", NameHint::kAccompaniment},                      // 伴奏 in Shift_JIS
      {"Piano", NameHint::kNone},
      {"Track 3", NameHint::kNone},
      {"", NameHint::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(nameHint(c.name), c.hint) << c.name;
}

TEST(TrackSuggestionTest, EveryGeneralMidiProgramHasItsOwnNameAndNothingElseHasOne) {
  std::set<std::string_view> names;
  for (int program = 0; program < 128; ++program) {
    EXPECT_FALSE(instrumentName(program).empty()) << program;
    names.insert(instrumentName(program));
  }
  EXPECT_EQ(names.size(), 128u);
  EXPECT_EQ(instrumentName(0), "Acoustic Grand Piano");
  EXPECT_EQ(instrumentName(73), "Flute");
  EXPECT_EQ(instrumentName(127), "Gunshot");
  EXPECT_TRUE(instrumentName(-1).empty());
  EXPECT_TRUE(instrumentName(128).empty());
}

TEST(TrackSuggestionTest, InstrumentsThatLeadGoUnderOrMayDoEither) {
  for (int program : {40, 53, 56, 65, 68, 71, 73, 80, 81, 85}) EXPECT_EQ(instrumentRole(program), InstrumentRole::kLead) << program;
  for (int program : {32, 33, 38, 43, 48, 50, 58, 70, 87, 89, 95, 118}) {
    EXPECT_EQ(instrumentRole(program), InstrumentRole::kBelow) << program;
  }
  for (int program : {-1, 0, 4, 16, 24, 26, 11, 60, 128}) {
    EXPECT_EQ(instrumentRole(program), InstrumentRole::kEither) << program;
  }
}

}  // namespace
}  // namespace murvane
