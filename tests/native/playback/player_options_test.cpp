#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "tests/support/gap_rules.h"
#include "tests/support/player_fixture.h"

namespace murvane::test {
namespace {

class OptionsPlaybackTest : public PlayerFixture {
 protected:
  static PlayOptions gapOf(int millis) {
    PlayOptions options;
    options.repressGap = millis;
    return options;
  }
};

TEST_F(OptionsPlaybackTest, DefaultOptionsPlayAsWithoutAny) {
  const auto song = {TrackBytes().noteOn(0, 60).noteOn(0, 60).noteOff(10, 60).noteOff(0, 60).noteOn(0, 62, 100, 2)
                         .noteOff(0, 70).noteOn(240, 30)};
  load(song);
  startAndSettle(synth);
  const Lines without = log.take();
  play(PlayOptions{});
  Lines with = log.take();
  const std::uint64_t second = std::stoull(with.at(0));
  for (std::string& line : with) line = std::to_string(std::stoull(line) - second) + line.substr(line.find(' '));
  EXPECT_EQ(with, without);
  EXPECT_EQ(without, (Lines{"0 open", "0 on 60", "0 on 60", "10 off 60", "10 off 60", "10 off 70", "260 on 30",
                            "260 close", "260 ended"}));
}

TEST_F(OptionsPlaybackTest, ThousandEventsAtHalfAndDoubleSpeedEndWithoutDrift) {
  // 1000 events one tick apart at 1041.67 us per tick: dropping the fraction
  // of each interval would lose up to a millisecond per thousand.
  for (int speed : {50, 100, 200, 400, 25, 33}) {
    SCOPED_TRACE("speed " + std::to_string(speed));
    // Each note on a key of its own for a while, so that no two note-ons of
    // one key fall in one millisecond and become one press.
    TrackBytes track;
    for (int i = 0; i < 500; ++i) {
      const auto note = static_cast<std::uint8_t>(30 + i % 60);
      track.noteOn(1, note).noteOff(1, note);
    }
    load({track});
    PlayOptions options;
    options.speed = speed;
    play(options);
    const Lines lines = log.take();
    ASSERT_EQ(lines.size(), 1000u + 3);
    const auto dueOf = [speed](std::uint64_t ticks) {
      // ticks x 500000 / 480 microseconds, x 100 / speed, exactly, then to the nearest millisecond.
      const std::uint64_t micros = ticks * 500000 * 100 / (480 * static_cast<std::uint64_t>(speed));
      return (micros + 500) / 1000;
    };
    const std::uint64_t start = std::stoull(lines[0]);
    for (std::size_t i = 1; i <= 1000; ++i) {
      EXPECT_EQ(std::stoull(lines[i]) - start, dueOf(i)) << lines[i];
    }
  }
}

TEST_F(OptionsPlaybackTest, OnlyTheChosenChannelsPlayTransposedAndFolded) {
  load({TrackBytes()
            .noteOn(0, 60)                 // channel 1: not chosen
            .noteOn(0, 50, 100, 2)         // channel 3: 50 + 12
            .noteOn(0, 80, 100, 15)        // channel 16: 92 folds down to 80
            .noteOff(480, 50, 2)
            .noteOn(0, 120, 100, 2)        // beyond MIDI after transposing: folded to 84
            .noteOn(0, 60, 100, 9)});      // channel 10: not chosen
  PlayOptions options;
  options.channels = 0x8004;
  options.transpose = 12;
  options.foldOctaves = true;
  play(options);
  // The notes the song never ends come up with its last event.
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 62", "0 on 80", "500 off 62", "500 off 80", "500 on 84",
                                "500 off 84", "500 close", "500 ended"}));
}

TEST_F(OptionsPlaybackTest, NotesTransposedBeyondMidiPlayNothingWithoutFolding) {
  load({TrackBytes().noteOn(0, 120).noteOn(0, 100).noteOff(10, 120).noteOff(0, 100)});
  PlayOptions options;
  options.transpose = 20;
  play(options);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 120", "10 off 120", "10 close", "10 ended"}));
}

TEST_F(OptionsPlaybackTest, ARepeatedNoteKeepsItsTimeAndTheNoteBeforeEndsOneGapEarlier) {
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60).noteOn(0, 60).noteOff(480, 60).noteOn(480, 62)});
  play(gapOf(30));
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "470 off 60", "500 on 60", "1000 off 60", "1500 on 62",
                                "1530 off 62", "1530 close", "1530 ended"}));
}

TEST_F(OptionsPlaybackTest, OverlappingNotesOfOnePitchHoldTheKeyUntilTheLastEnds) {
  load({TrackBytes().noteOn(0, 60).noteOn(240, 60).noteOff(240, 60).noteOff(240, 60).noteOn(240, 62)});
  play(gapOf(30));
  // The older note's off at 500 releases nothing.
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "220 off 60", "250 on 60", "750 off 60", "1000 on 62",
                                "1030 off 62", "1030 close", "1030 ended"}));
}

TEST_F(OptionsPlaybackTest, TheWaitEndsForAHeldBackKeyWithoutDelayingOthers) {
  time.setAutoAdvance(false);
  // One tick a millisecond. 60 lasts 10 ms and must stay down 30; 62 comes
  // at 19 and is not held up by 60.
  load({TrackBytes().noteOn(0, 60).event(10, {0x80, 60, 0}).noteOn(9, 62).noteOff(460, 62)}, 500);
  player->setOptions(gapOf(30));
  ASSERT_TRUE(player->start(synth));
  EXPECT_EQ(time.awaitBlocked(), 19u);  // the next key event is 62's press, before 60's release
  time.advance(19);
  EXPECT_EQ(time.awaitBlocked(), 11u);  // now the held release
  time.advance(11);
  EXPECT_EQ(time.awaitBlocked(), 479u - 30);
  time.advance(479 - 30);
  time.awaitBlocked();
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "19 on 62", "30 off 60", "479 off 62", "479 close",
                                "479 ended"}));
}

TEST_F(OptionsPlaybackTest, StopBetweenAReleaseAndItsPressAgainLeavesNothingDown) {
  time.setAutoAdvance(false);
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60).noteOn(0, 60).noteOff(4800, 60)});
  player->setOptions(gapOf(30));
  ASSERT_TRUE(player->start(synth));
  EXPECT_EQ(time.awaitBlocked(), 470u);
  time.advance(470);
  EXPECT_EQ(time.awaitBlocked(), 30u);  // the press again, due at 500
  time.advance(10);
  EXPECT_EQ(time.awaitBlocked(), 20u);
  player->stop();
  EXPECT_EQ(time.awaitBlocked(), WakeEvent::kInfinite);
  time.advance(10000);
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "470 off 60", "480 close", "480 ended"}));
}

TEST_F(OptionsPlaybackTest, TheEndOfTheFileLetsWhatTheGapHoldsBackGoOutFirst) {
  load({TrackBytes().noteOn(0, 60).noteOff(5, 60)});
  play(gapOf(30));
  EXPECT_EQ(log.lines(), (Lines{"0 open", "0 on 60", "30 off 60", "30 close", "30 ended"}));
}

TEST_F(OptionsPlaybackTest, ADenseSongPlayedWithAGapKeepsEveryRuleToItsEnd) {
  std::mt19937 random(7);
  const std::vector<NoteChange> notes = randomDenseSong(random);
  TrackBytes track;  // one tick a millisecond
  std::uint64_t now = 0;
  for (const NoteChange& note : notes) {
    const auto delta = static_cast<std::uint32_t>(note.atMillis - now);
    now = note.atMillis;
    if (note.down) {
      track.noteOn(delta, note.key);
    } else {
      track.noteOff(delta, note.key);
    }
  }
  load({track}, 500);
  play(gapOf(60));
  std::vector<KeyChange> sent;
  for (const std::string& line : log.lines()) {
    std::istringstream fields(line);
    std::uint64_t at = 0;
    std::string what;
    int key = 0;
    if (fields >> at >> what >> key) sent.push_back(KeyChange{static_cast<std::uint8_t>(key), what == "on", at});
  }
  expectGapRules(notes, 60, sent, std::nullopt);
}

TEST_F(OptionsPlaybackTest, OptionsAreTakenAtTheNextStart) {
  load({TrackBytes().noteOn(0, 60).noteOff(480, 60)});
  play(PlayOptions{});
  PlayOptions options;
  options.transpose = -12;
  options.speed = 200;
  player->setOptions(options);
  EXPECT_EQ(log.take(), (Lines{"0 open", "0 on 60", "500 off 60", "500 close", "500 ended"}));
  startAndSettle(synth);
  EXPECT_EQ(log.take(), (Lines{"500 open", "500 on 48", "750 off 48", "750 close", "750 ended"}));
}

TEST_F(OptionsPlaybackTest, ALayoutTypesItsModifiersAndSustainAroundTheKeysThatNeedThem) {
  const KeyLayout piano = builtInLayout(L"piano61").value();
  load({TrackBytes()
            .noteOn(480, 38)                // D2 on "2"
            .noteOn(0, 37)                  // C#2 on Shift+1
            .noteOn(0, 36)                  // C2 on "1", the same key: one press
            .event(0, {0xB0, 64, 127})      // sustain down
            .noteOn(0, 20)                  // no key
            .noteOff(480, 38)
            .noteOff(0, 37)
            .noteOff(0, 36)
            .noteOff(0, 20)
            .event(0, {0xB0, 64, 0})});
  PlayOptions options;
  options.layout = L"piano61";
  options.modifierHold = 10;
  player->setOptions(options, &piano);
  startAndSettle(synth);
  EXPECT_EQ(log.take(), (Lines{"0 open", "490 hold sustain down", "490 on 38", "490 hold shift down", "500 on 37",
                               "510 hold shift up", "1000 hold sustain up", "1000 off 37", "1000 off 38",
                               "1000 close", "1000 ended"}));
}

TEST_F(OptionsPlaybackTest, TheSustainPedalIsDownFrom64AndUpFrom63) {
  const KeyLayout piano = builtInLayout(L"piano61").value();
  load({TrackBytes()
            .event(0, {0xB0, 64, 64})
            .noteOn(0, 38)
            .event(480, {0xB0, 64, 65})  // still down: no new press
            .event(0, {0xB0, 64, 63})
            .noteOff(480, 38)});
  PlayOptions options;
  options.layout = L"piano61";
  player->setOptions(options, &piano);
  startAndSettle(synth);
  EXPECT_EQ(log.take(), (Lines{"0 open", "0 hold sustain down", "0 on 38", "500 hold sustain up", "1000 off 38",
                               "1000 close", "1000 ended"}));
}

}  // namespace
}  // namespace murvane::test
