#include "smf/smf_note_counts.h"

#include <gtest/gtest.h>

#include <memory>

#include "smf/playback_player.h"
#include "tests/support/playback_doubles.h"
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

TEST(NoteCountsTest, ThePlayerCountsEveryFileItLoadsAndStillPlaysItFromTheStart) {
  test::FakeTime time;
  test::EventLog log{time};
  test::FakeClock clock{time};
  test::LoggingNotifier notifier{log};
  test::RecordingSynthesizer synth{log.sink()};
  Player player(notifier, clock, std::make_unique<test::FakeWake>(time));
  EXPECT_EQ(player.noteCounts().notes(0), 0u);

  ASSERT_EQ(player.loadFile(smfImage(480, {TrackBytes().noteOn(0, 36, 100, 3).noteOff(480, 36, 3).noteOn(0, 60)})),
            LoadResult::kOk);
  EXPECT_EQ(player.noteCounts().byChannel[3][36], 1u);
  EXPECT_EQ(player.noteCounts().notes(0), 1u);
  time.awaitBlocked();
  ASSERT_TRUE(player.start(synth));
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"0 open", "500 on 60", "500 close", "500 ended"}));

  EXPECT_EQ(player.loadFile({'M', 'T', 'h', 'd'}), LoadResult::kIllegal);
  EXPECT_EQ(player.noteCounts().notes(0), 0u);
  EXPECT_EQ(player.noteCounts().notes(3), 0u);
}

}  // namespace
}  // namespace murvane
