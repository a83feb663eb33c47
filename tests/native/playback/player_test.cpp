#include "playback/player.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "playback/load_song.h"
#include "tests/support/player_fixture.h"
#include "tests/support/temp_folder.h"

namespace murvane::test {
namespace {

using PlayerTest = PlayerFixture;

TEST_F(PlayerTest, NotesAreSentAtTheirDueTimesThenTheOutputIsClosedAndTheEndReportedOnce) {
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60).noteOn(0, 62).noteOff(240, 62)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "500 off 60", "500 on 62", "750 off 62", "750 close",
                                "750 ended"}));
  EXPECT_FALSE(player->playing());
  EXPECT_EQ(player->output(), &synth);
}

TEST_F(PlayerTest, AThousandSingleTicksEndAtTheExactTimeWithoutDrift) {
  TrackBytes track;
  for (int i = 0; i < 999; ++i) track.event(1, {0xFF, 0x01, 0x00});  // empty text events
  track.noteOn(1, 60);
  load({track});
  startAndSettle(synth);
  // 1000 x 1041.67 us = 1,041,666 us: due at 1042 ms, not the 1041 that dropping the fractions gives.
  EXPECT_EQ(log.lines(), (Lines{"0 open", "1042 on 60", "1042 close", "1042 ended"}));
}

TEST_F(PlayerTest, TempoChangeSpacesTheEventsReadAfterIt) {
  load({TrackBytes().noteOn(0, 60).tempo(480, 1000000).noteOff(0, 60).noteOn(480, 62).tempo(0, 0).noteOff(960, 62)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "500 off 60", "1500 on 62", "1500 off 62", "1500 close",
                                "1500 ended"}));
}

TEST_F(PlayerTest, TempoIsBackToTheDefaultAtEveryStart) {
  load({TrackBytes().tempo(0, 1000000).noteOn(480, 60)});
  startAndSettle(synth);
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "1000 on 60", "1000 close", "1000 ended", "1000 open", "2000 on 60",
                                "2000 close", "2000 ended"}));
}

TEST_F(PlayerTest, TracksAreMergedInTimeOrder) {
  load({TrackBytes().noteOn(0, 60).noteOn(480, 64), TrackBytes().noteOn(240, 62).noteOn(480, 65)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "250 on 62", "500 on 64", "750 on 65", "750 close",
                                "750 ended"}));
}

TEST_F(PlayerTest, OtherChannelsAreTimedButNeverSent) {
  load({TrackBytes().noteOn(0, 60, 100, 1).noteOn(480, 61, 100, 15).noteOn(480, 62).noteOff(0, 60, 3)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "1000 on 62", "1000 close", "1000 ended"}));
}

TEST_F(PlayerTest, VelocityZeroReleasesAndKeyPressurePlaysNothing) {
  load({TrackBytes()
            .noteOn(0, 60)
            .event(10, {0xA0, 60, 90})
            .event(10, {0xA0, 61, 0})
            .noteOn(10, 60, 0)
            .noteOff(10, 61)
            .event(10, {0xB0, 64, 127})});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "31 off 60", "42 off 61", "52 close", "52 ended"}));
}

TEST_F(PlayerTest, ShortSetTempoIsIgnored) {
  load({TrackBytes().event(0, {0xFF, 0x51, 0x02, 0x00, 0x01}).noteOn(480, 60)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "500 on 60", "500 close", "500 ended"}));
}

TEST_F(PlayerTest, TempoZeroSendsTheRestAtOnce) {
  load({TrackBytes().noteOn(0, 60).tempo(480, 0).noteOff(100000, 60).noteOn(0x0FFFFFFF, 62)});
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "500 off 60", "500 on 62", "500 close", "500 ended"}));
}

TEST_F(PlayerTest, FileWithoutEventsEndsAtOnce) {
  for (const auto& tracks : {std::vector<TrackBytes>{}, std::vector<TrackBytes>{TrackBytes(), TrackBytes()}}) {
    std::vector<std::uint8_t> image = tracks.empty() ? smfImage(480, {}) : smfImage(480, {tracks[0], tracks[1]});
    ASSERT_EQ(player->loadFile(image), LoadResult::kOk);
    time.awaitBlocked();
    startAndSettle(synth);
    EXPECT_EQ(log.take(), (Lines{"0 open", "0 close", "0 ended"}));
  }
}

TEST_F(PlayerTest, NothingIsReportedBeforeTheFirstStart) {
  load({TrackBytes().noteOn(0, 60)});
  player->stop();
  time.awaitBlocked();
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(player->output(), nullptr);
}

TEST_F(PlayerTest, StopDuringALongRestReleasesAtOnceAndNeverSendsTheWaitingEvent) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(4800, 60)});
  startAndSettle(synth);
  EXPECT_EQ(time.awaitBlocked(), 5000u);
  time.advance(1200);
  EXPECT_EQ(time.awaitBlocked(), 3800u);
  player->stop();
  EXPECT_FALSE(player->playing());
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "1200 close", "1200 ended"}));
  time.advance(10000);
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  EXPECT_EQ(log.lines().size(), 4u);
}

TEST_F(PlayerTest, AnEarlyWakeDoesNotSendTheWaitingEventEarly) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(480, 60)});
  startAndSettle(synth);
  time.advance(100);
  time.signal();  // as a start would leave behind when the worker was not waiting
  EXPECT_EQ(time.awaitBlocked(), 400u);
  EXPECT_EQ(log.lines(), (Lines{"0 open"}));
  time.advance(400);
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "500 on 60", "500 close", "500 ended"}));
}

TEST_F(PlayerTest, LateEventsGoOutAtOnceUntilPlaybackHasCaughtUp) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOn(480, 61).noteOn(480, 62).noteOn(480, 63)});
  startAndSettle(synth);
  time.advance(1200);  // the worker was held up: 61 and 62 are late
  EXPECT_EQ(time.awaitBlocked(), 300u);
  time.advance(300);
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "1200 on 61", "1200 on 62", "1500 on 63", "1500 close",
                                "1500 ended"}));
}

TEST_F(PlayerTest, DueTimesBeyondTheClockWrapAreMet) {
  // 0xFFFFFF us per quarter, one tick per quarter: 0x0FFFFFFF ticks are 142 years.
  load({TrackBytes().tempo(0, 0xFFFFFF).noteOn(0x0FFFFFFF, 60)}, 1);
  startAndSettle(synth);
  const std::uint64_t due = (0xFFFFFFull * 0x0FFFFFFF + 500) / 1000;
  const std::string at = std::to_string(due);
  EXPECT_EQ(log.lines(), (Lines{"0 open", at + " on 60", at + " close", at + " ended"}));
}

TEST_F(PlayerTest, StartWhilePlayingReleasesWhatItHeldAndStartsOverOnTheSameOutput) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  startAndSettle(synth);
  time.advance(300);
  startAndSettle(synth);
  EXPECT_EQ(time.awaitBlocked(), 500u);
  time.advance(500);
  time.awaitBlocked();
  // Opened again, never closed in between; the off at 500 of the first run is
  // never sent, so its notes are ended by the restart.
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "300 open", "300 all off", "300 on 60", "800 off 60",
                                "800 close", "800 ended"}));
}

TEST_F(PlayerTest, StartWhilePlayingOpensTheNewOutputBeforeClosingTheOld) {
  time.setAutoAdvance(false);
  RecordingSynthesizer other{log.sink(), "B "};
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  startAndSettle(synth);
  startAndSettle(other);
  EXPECT_EQ(player->output(), &other);
  time.advance(500);
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 B open", "0 close", "0 B on 60", "500 B off 60",
                                "500 B close", "500 ended"}));
}

TEST_F(PlayerTest, StopThenStartBeforeTheWorkerNoticesEndsTheNotesButGivesNeitherCloseNorNotice) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  startAndSettle(synth);
  time.hold();
  player->stop();
  player->start(synth);
  time.release();
  time.awaitBlocked();
  time.advance(500);
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 open", "0 all off", "0 on 60", "500 off 60",
                                "500 close", "500 ended"}));
}

TEST_F(PlayerTest, StartFailsWithoutChangingAnythingWhenNoFileIsLoadedOrTheOutputDoesNotOpen) {
  EXPECT_FALSE(player->start(synth));  // nothing loaded: the output is not even opened
  EXPECT_EQ(player->loadFile({'M', 'T', 'h', 'd'}), LoadResult::kIllegal);
  EXPECT_FALSE(player->start(synth));
  EXPECT_TRUE(log.lines().empty());

  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  startAndSettle(synth);
  RecordingSynthesizer broken{log.sink(), "B "};
  broken.openSucceeds = false;
  EXPECT_FALSE(player->start(broken));
  EXPECT_TRUE(player->playing());
  EXPECT_EQ(player->output(), &synth);
  time.advance(500);
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 B open failed", "500 off 60", "500 close", "500 ended"}));
}

TEST_F(PlayerTest, LoadingWhilePlayingEndsThatPlaybackFirst) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).tempo(480, 1000000)});
  startAndSettle(synth);
  load({TrackBytes().noteOn(0, 70)});
  EXPECT_FALSE(player->playing());
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "0 close", "0 ended", "0 open", "0 on 70", "0 close",
                                "0 ended"}));
}

TEST_F(PlayerTest, LoadSongReadsFromDiskAndCountsTheNotesOfWhatItLoaded) {
  const TempFolder folder;
  const std::filesystem::path path =
      folder.write("player_load_file.mid", smfImage(96, {TrackBytes().noteOn(0, 60).noteOff(96, 60).noteOn(0, 36, 100, 3)}));
  const std::unique_ptr<FileReader> reader = makePlatformFileReader();
  NoteCounts counts;
  EXPECT_EQ(loadSong(*player, *reader, path, counts), LoadResult::kOk);
  EXPECT_EQ(counts.notes(0), 1u);
  EXPECT_EQ(counts.byChannel[3][36], 1u);
  EXPECT_EQ(loadSong(*player, *reader, path.string() + ".missing", counts), LoadResult::kOpenFailed);
  EXPECT_EQ(counts.notes(0) + counts.notes(3), 0u);
  EXPECT_FALSE(player->start(synth));
  EXPECT_EQ(loadSong(*player, *reader, path, counts), LoadResult::kOk);
  startAndSettle(synth);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "500 off 60", "500 close", "500 ended"}));
}

TEST_F(PlayerTest, TeardownWhilePlayingEndsTheWorkerAtOnceWithoutClosingTheOutput) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  startAndSettle(synth);
  player.reset();
  EXPECT_EQ(time.sinceOrigin(), 0u);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60"}));
}

TEST_F(PlayerTest, TeardownWhileTheWorkerWaitsWithoutLimitEndsItAtOnce) {
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  player.reset();
  EXPECT_EQ(time.sinceOrigin(), 0u);
  EXPECT_TRUE(log.lines().empty());
}

TEST(PlayerWithoutWakeEvent, NeverStarts) {
  FakeTime time;
  EventLog log{time};
  FakeClock clock{time};
  LoggingNotifier notifier{log};
  RecordingSynthesizer synth{log.sink()};
  Player player(notifier, clock, nullptr);
  EXPECT_EQ(player.loadFile(smfImage(480, {TrackBytes().noteOn(0, 60)})), LoadResult::kOk);
  EXPECT_FALSE(player.start(synth));
  EXPECT_FALSE(player.playing());
  player.stop();
  EXPECT_TRUE(log.lines().empty());
}

}  // namespace
}  // namespace murvane::test
