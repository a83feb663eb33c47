#include "options/track_suggestion.h"

#include <gtest/gtest.h>

#include <vector>

namespace murvane {
namespace {

struct Notes {
  std::uint8_t channel;  // 0-based
  std::uint8_t note;
  int times;
};

struct SuggestionCase {
  const char* name;
  std::vector<Notes> notes;
  TrackSuggestion expected;
};

TEST(TrackSuggestionTest, TheChannelAndOctaveShiftThatPutTheMostNotesInsideWin) {
  const std::vector<SuggestionCase> cases = {
      {"no notes at all: channel 1 as it stands", {}, {0, 0, 0}},
      {"the first channel inside as it stands", {{0, 60, 5}}, {0, 0, 5}},
      {"a melody on channel 3 an octave low", {{0, 60, 1}, {2, 40, 4}, {2, 45, 3}}, {2, 12, 7}},
      {"the drums of channel 10 are never suggested", {{9, 60, 50}, {1, 60, 1}}, {1, 0, 1}},
      {"a tie between channels goes to the lower", {{5, 60, 3}, {3, 70, 3}}, {3, 0, 3}},
      {"a tie between shifts goes to the smaller", {{0, 40, 2}}, {0, 12, 2}},
      {"unshifted wins every tie", {{0, 60, 2}}, {0, 0, 2}},
      {"a tie between an upward and a downward shift goes upward", {{0, 30, 2}, {0, 100, 2}}, {0, 24, 2}},
      {"far above: four octaves down", {{4, 127, 3}, {4, 125, 2}}, {4, -48, 5}},
      {"far below: four octaves up", {{0, 0, 3}, {0, 2, 1}}, {0, 48, 4}},
  };
  for (const SuggestionCase& c : cases) {
    SCOPED_TRACE(c.name);
    NoteCounts counts;
    for (const Notes& notes : c.notes) {
      for (int i = 0; i < notes.times; ++i) counts.add(notes.channel, notes.note);
    }
    EXPECT_EQ(suggestTrack(counts), c.expected);
  }
}

TEST(TrackSuggestionTest, InsideCountsTheNotesThatLandInC3ToC6) {
  NoteCounts counts;
  for (int note : {47, 48, 84, 85, 0, 127}) counts.add(0, static_cast<std::uint8_t>(note));
  EXPECT_EQ(counts.notes(0), 6u);
  EXPECT_EQ(counts.inside(0, 0), 2u);
  EXPECT_EQ(counts.inside(0, 1), 2u);    // 47 and 48 come inside, 84 leaves
  EXPECT_EQ(counts.inside(0, 48), 1u);   // only 0
  EXPECT_EQ(counts.inside(0, -48), 1u);  // only 127
}

}  // namespace
}  // namespace murvane
