#include "smf/smf_note_counts.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::smfImage;
using test::TrackBytes;

TEST(NoteCountsTest, EveryNoteOnIsCountedByChannelAndNoteAndNothingElse) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(96, {TrackBytes()
                                        .noteOn(0, 60)
                                        .noteOff(96, 60)
                                        .noteOn(0, 60)
                                        .event(0, {64, 90})  // running status: a note-on of 64
                                        .noteOn(0, 60, 0)    // velocity 0 ends a note
                                        .event(0, {0xA0, 64, 30}),  // key pressure
                                    TrackBytes().noteOn(10, 40, 100, 3).noteOn(0, 40, 100, 3).noteOn(0, 90, 1, 15)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  EXPECT_EQ(counts.byChannel[0][60], 2u);
  EXPECT_EQ(counts.byChannel[0][64], 1u);
  EXPECT_EQ(counts.notes(0), 3u);
  EXPECT_EQ(counts.byChannel[3][40], 2u);
  EXPECT_EQ(counts.notes(3), 2u);
  EXPECT_EQ(counts.byChannel[15][90], 1u);
  std::uint32_t total = 0;
  for (std::uint8_t channel = 0; channel < 16; ++channel) total += counts.notes(channel);
  EXPECT_EQ(total, 6u);
  // From the beginning again, whatever was read before.
  EXPECT_EQ(countNoteOns(file).byChannel, counts.byChannel);
}

TEST(NoteCountsTest, AFileThatIsNotLoadedHasNoNotes) {
  SmfFile file;
  EXPECT_EQ(countNoteOns(file).byChannel, NoteCounts{}.byChannel);
  EXPECT_EQ(file.load({'M', 'T', 'h', 'd'}), LoadResult::kIllegal);
  EXPECT_EQ(countNoteOns(file).byChannel, NoteCounts{}.byChannel);
}

TEST(NoteCountsTest, EachChannelIsNamedByTheTracksThatPlayOnItAndHasItsFirstProgram) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(96, {TrackBytes().name(0, "Song title").tempo(0, 400000),
                                    TrackBytes().name(0, "Melody").program(0, 73, 3).program(0, 40, 3)
                                        .noteOn(0, 72, 100, 3).noteOff(96, 72, 3),
                                    TrackBytes().name(0, "Piano").noteOn(0, 48).noteOn(0, 60, 100, 1)
                                        .noteOff(96, 48).noteOff(0, 60, 1),
                                    TrackBytes().name(0, "Piano 2").noteOn(0, 61, 100, 1).noteOff(96, 61, 1),
                                    TrackBytes().name(0, "Piano").noteOn(0, 62, 100, 1).noteOff(96, 62, 1),
                                    TrackBytes().name(0, "Strings \"A\"").noteOn(0, 55, 100, 1).noteOff(96, 55, 1),
                                    TrackBytes().noteOn(0, 40, 100, 4).noteOff(96, 40, 4).name(0, "Late"),
                                    TrackBytes().noteOn(0, 41, 100, 5).noteOff(96, 41, 5),
                                    TrackBytes().name(0, "Silent").program(0, 33, 6)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  const struct {
    std::uint8_t channel;
    const char* names;
    int program;
  } cases[] = {
      {3, "Melody", 73},  // the first program change, not the last
      {0, "Piano", -1},
      {1, "Piano / Piano 2 / Strings \"A\"", -1},  // each name once
      {4, "Late", -1},  // a name after the notes still names the track
      {5, "", -1},
      {6, "", 33},  // a track without notes names no channel
      {7, "", -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(counts.channels[c.channel].trackNames, c.names) << int{c.channel};
    EXPECT_EQ(counts.channels[c.channel].program, c.program) << int{c.channel};
  }
}

TEST(NoteCountsTest, TheOneNameOfAFormatZeroFileIsTheSongsAndNamesNoChannel) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(96, {TrackBytes().name(0, "Melody").noteOn(0, 60).noteOff(96, 60)})), LoadResult::kOk);
  ASSERT_EQ(file.format(), 0);
  EXPECT_EQ(countNoteOns(file).channels[0].trackNames, "");
}

// A tune of crotchets on channel 1 (C5 D5 E5, rest, G5) over a chord held
// for the bar on channel 2, and a staccato note on channel 3 above both.
TEST(NoteCountsTest, TopSingleAndStepNotesAndTheBeatsEachChannelSounds) {
  constexpr std::uint32_t kBeat = 480;
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(kBeat, {TrackBytes()
                                           .noteOn(0, 72).noteOff(kBeat, 72)
                                           .noteOn(0, 74).noteOff(kBeat, 74)
                                           .noteOn(0, 76).noteOff(kBeat, 76)
                                           .noteOn(kBeat, 79).noteOff(kBeat, 79),
                                       TrackBytes()
                                           .noteOn(0, 60, 100, 1).noteOn(0, 64, 100, 1).noteOn(0, 67, 100, 1)
                                           .noteOff(5 * kBeat, 60, 1).noteOff(0, 64, 1).noteOff(0, 67, 1),
                                       TrackBytes().noteOn(3 * kBeat, 84, 100, 2).noteOff(60, 84, 2)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  EXPECT_EQ(counts.songTicks, 5 * kBeat);
  EXPECT_EQ(counts.moments, 5u);
  const struct {
    std::uint8_t channel;
    ChannelInfo expected;
  } cases[] = {
      // G5 comes a beat after the staccato C6, which holds the top until
      // then. Over the held chord only D5 is outside it; C5 is struck with it.
      {0, ChannelInfo{-1, "", 3, 4, 2, 4 * kBeat, 3, 3, 2}},
      {1, ChannelInfo{-1, "", 0, 0, 0, 5 * kBeat, 0, 0, 0}},
      {2, ChannelInfo{-1, "", 1, 1, 0, kBeat, 1, 1, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(counts.channels[c.channel], c.expected) << int{c.channel};
}

// A staccato tune keeps its place for a beat: the chord struck between its
// notes, below it, is not the top voice, though nothing else sounds then.
TEST(NoteCountsTest, AChordStruckBetweenTheNotesOfAStaccatoTuneBelowItIsNotTheTopVoice) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(480, {TrackBytes().noteOn(0, 72).noteOff(60, 72).noteOn(420, 74).noteOff(60, 74),
                                     TrackBytes().noteOn(240, 60, 100, 1).noteOn(0, 64, 100, 1)
                                         .noteOff(120, 60, 1).noteOff(0, 64, 1)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  EXPECT_EQ(counts.channels[0].topNotes, 2u);
  EXPECT_EQ(counts.channels[1].topNotes, 0u);
}

// The notes end in another order than they start: a short high note on
// channel 2, struck under a long one on channel 1, has ended and its beat
// passed when channel 3 strikes below it; the long note is still above.
TEST(NoteCountsTest, ANoteStruckAfterALongerOneStopsSoundingAtItsOwnEnd) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(96, {TrackBytes().noteOn(0, 84).noteOff(8 * 96, 84),
                                    TrackBytes().noteOn(10, 90, 100, 1).noteOff(86, 90, 1),
                                    TrackBytes().noteOn(3 * 96, 88, 100, 2).noteOff(96, 88, 2)
                                        .noteOn(0, 80, 100, 2).noteOff(96, 80, 2)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  EXPECT_EQ(counts.channels[2].topNotes, 1u);  // 88 over the long 84, 80 under it
  EXPECT_EQ(counts.channels[1].topNotes, 1u);
  EXPECT_EQ(counts.channels[0].topNotes, 1u);  // struck alone
}

// Found by fuzzing: notes of no length a beat apart made the channel sound
// for two beats of a song one beat long.
TEST(NoteCountsTest, ANoteOfNoLengthSoundsInItsBeatAndNoChannelOutlastsTheSong) {
  SmfFile file;
  ASSERT_EQ(file.load(smfImage(96, {TrackBytes().noteOn(0, 60).noteOff(0, 60).noteOn(96, 62).noteOff(0, 62)})),
            LoadResult::kOk);
  const NoteCounts counts = countNoteOns(file);
  EXPECT_EQ(counts.songTicks, 2 * 96u);
  EXPECT_EQ(counts.channels[0].soundingTicks, 2 * 96u);
}

}  // namespace
}  // namespace murvane
