// Runs the real murvane-cli keys with an Options section, and murvane-cli
// tracks, on small files and compares their exact output.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"
#include "tests/support/smf_bytes.h"

namespace murvane::test {
namespace {

class OptionsCommands : public CliScratch {
 protected:
  // The first-run file, as the program writes it, followed by `more`.
  std::string iniWith(const std::string& more) {
    const std::string ini = path("Murvane.ini");
    const std::string empty = write("empty.mid", smfImage(480, {}));
    if (runCli("keys " + empty + " --ini " + ini).status != 0) ADD_FAILURE() << "no first-run INI file";
    std::ofstream(ini, std::ios::binary | std::ios::app) << more;
    return ini;
  }

  // What `keys` prints for the song with an Options section of `options`;
  // a failing status fails the test.
  std::string keysWithOptions(const std::string& options) {
    const CliRun run = runCli("keys " + song() + " --ini " + iniWith("[Options]\r\n" + options));
    EXPECT_EQ(run.status, 0);
    return run.out;
  }

  // Channel 3 (and others that are not chosen), 480 ticks a half second.
  std::string song() {
    return write("song.mid", smfImage(480, {TrackBytes()
                                                .noteOn(0, 50, 100, 2)
                                                .noteOn(0, 70)          // channel 1
                                                .noteOff(480, 50, 2)
                                                .noteOn(0, 50, 100, 2)  // repeated at once
                                                .noteOn(240, 53, 100, 2)
                                                .noteOn(0, 53, 100, 2)  // twice on one key
                                                .noteOff(240, 50, 2)
                                                .noteOff(0, 53, 2)      // the older press
                                                .noteOff(0, 70)
                                                .noteOn(480, 36, 100, 2)
                                                .noteOff(0, 36, 2)
                                                .noteOff(10, 53, 2)
                                                .noteOn(0, 60, 100, 9)}));
  }
};

TEST_F(OptionsCommands, KeysWithoutAnOptionsSectionAreTodays) {
  const std::string file = song();
  const CliRun plain = runCli("keys " + file);
  const CliRun withIni = runCli("keys " + file + " --ini " + iniWith("[Other]\r\nSpeed=200\r\n"));
  EXPECT_EQ(withIni.status, 0);
  EXPECT_EQ(withIni.out, plain.out);
  EXPECT_EQ(plain.out, "0 down 70 @\n1000 up 70 @\n");
}

// The device is live input's alone: a file types the same keys.
TEST_F(OptionsCommands, KeysWithAMidiInputDeviceAreTodays) {
  EXPECT_EQ(keysWithOptions("MidiInDevice=UM-ONE\r\n"), runCli("keys " + song()).out);
}

TEST_F(OptionsCommands, KeysListTheChosenChannelTransposedAtTheTimesTheGapSendsThem) {
  EXPECT_EQ(keysWithOptions("Channels=0x0004\r\nTranspose=12\r\nRepressGap=30\r\n"),
            "0 down 62 E\n"
            "470 up 62 E\n"   // one gap early, so that the press again keeps its time
            "500 down 62 E\n"
            "750 down 65 Y\n"  // two note-ons of one key in one millisecond: one press
            "1000 up 62 E\n"
            "1500 down 48 1\n"
            "1510 up 65 Y\n"
            "1530 up 48 1\n");  // the end of the file still lets it sound for the gap
}

TEST_F(OptionsCommands, KeysAtSpeedAndFoldedWithoutGapKeepTheOrderOfTheFile) {
  EXPECT_EQ(keysWithOptions("Channels=0x0005\r\nTranspose=-12\r\nFoldOctaves=1\r\nSpeed=200\r\n"),
            "0 down 50 3\n"
            "0 down 58 -\n"
            "250 up 50 3\n"
            "250 down 50 3\n"
            "375 down 53 6\n"  // an octave pair folded onto one key: one press,
            "500 up 50 3\n"
            "500 up 58 -\n"
            "750 down 48 1\n"
            "750 up 48 1\n"
            "755 up 53 6\n");  // up when the last of the two ends; channel 10 is not chosen
}

// The long note of channel 1 sounds above channel 3's low line all along:
// it is taken for the tune, where counting notes alone took channel 3.
TEST_F(OptionsCommands, TracksCountsEachChannelAndSuggestsTheBestChannelAndShift) {
  const std::string ini = path("never-written.ini");
  const CliRun run = runCli("tracks " + song() + " --ini " + ini);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "channel=1 notes=1 lowest=70 highest=70 inside=1 program=-1 instrument=\"\" track=\"\"\n"
            "channel=3 notes=5 lowest=36 highest=53 inside=4 program=-1 instrument=\"\" track=\"\"\n"
            "channel=10 notes=1 lowest=60 highest=60 inside=1 program=-1 instrument=\"Drum Kit\" track=\"\"\n"
            "suggest Channels=0x0001 Transpose=0 inside=1 "
            "reason=\"top voice, mostly single notes, sounds through most of the song\"\n");
  EXPECT_FALSE(std::filesystem::exists(ini));
}

// A tune an octave low under a bass line, with drums; names with a quote,
// control characters and Japanese in Shift_JIS (printed as UTF-8).
TEST_F(OptionsCommands, TracksNamesEachChannelAndItsInstrumentAndSaysWhyItSuggestsOne) {
  TrackBytes tune = TrackBytes().name(0, "Lead \"Vox\"\t1").program(0, 73, 1);
  for (int pitch : {43, 45, 47, 48, 50, 48, 47, 45}) {
    const auto note = static_cast<std::uint8_t>(pitch);
    tune.noteOn(0, note, 100, 1).noteOff(240, note, 1);
  }
  TrackBytes bass = TrackBytes().name(0, "\x83\x78\x81\x5B\x83\x58").program(0, 33, 4);  // ベース
  for (int bar = 0; bar < 2; ++bar) bass.noteOn(0, 36, 100, 4).noteOff(960, 36, 4);
  TrackBytes drums = TrackBytes().program(0, 0, 9);
  for (int beat = 0; beat < 8; ++beat) drums.noteOn(0, 36, 100, 9).noteOff(240, 36, 9);
  const CliRun run = runCli("tracks " + write("named.mid", smfImage(480, {TrackBytes().name(0, "Song"), tune, bass, drums})));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "channel=2 notes=8 lowest=43 highest=50 inside=3 program=73 instrument=\"Flute\" track=\"Lead \"\"Vox\"\" 1\"\n"
            "channel=5 notes=2 lowest=36 highest=36 inside=0 program=33 instrument=\"Electric Bass (finger)\" "
            "track=\"\xE3\x83\x99\xE3\x83\xBC\xE3\x82\xB9\"\n"
            "channel=10 notes=8 lowest=36 highest=36 inside=0 program=0 instrument=\"Drum Kit\" track=\"\"\n"
            "suggest Channels=0x0002 Transpose=12 inside=8 "
            "reason=\"named as the melody, top voice, mostly single notes, flute\"\n");
}

// Nothing named: a flute holds a note a bar above a tune that passes through
// notes outside the strings' chord. The flute is the top voice at each of
// its notes and leads by its instrument, but tops few of the song's moments
// and never leaves the chord: the tune is chosen.
TEST_F(OptionsCommands, TracksFindsAnUnnamedTuneUnderALineHeldAboveIt) {
  TrackBytes flute = TrackBytes().program(0, 73, 0);
  TrackBytes tune;
  TrackBytes strings = TrackBytes().program(0, 48, 2);
  const int phrases[][4] = {{74, 76, 77, 76}, {74, 72, 71, 72}, {74, 76, 77, 79}, {77, 76, 74, 72}};
  for (int bar = 0; bar < 8; ++bar) {
    const auto held = static_cast<std::uint8_t>(bar % 2 == 0 ? 79 : 84);
    flute.noteOn(0, held, 100, 0).noteOff(4 * 480, held, 0);
    strings.noteOn(0, 60, 100, 2).noteOn(0, 64, 100, 2).noteOn(0, 67, 100, 2);
    strings.noteOff(4 * 480, 60, 2).noteOff(0, 64, 2).noteOff(0, 67, 2);
    for (int pitch : phrases[bar % 4]) {
      const auto note = static_cast<std::uint8_t>(pitch);
      tune.noteOn(0, note, 100, 1).noteOff(480, note, 1);
    }
  }
  const CliRun run = runCli("tracks " + write("unnamed.mid", smfImage(480, {flute, tune, strings})));
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("\nsuggest Channels=0x0002 Transpose=0 inside=32 "), std::string::npos) << run.out;
}

// Each name on a channel of its own; what `tracks` prints is UTF-8 whatever
// the file's bytes were.
TEST_F(OptionsCommands, TracksPrintsNamesOfEveryEncodingAsUtf8) {
  const struct {
    std::string_view bytes, text;
  } names[] = {
      {"Fl\xC3\xB6te \xE6\x97\x8B\xE5\xBE\x8B", "Fl\xC3\xB6te \xE6\x97\x8B\xE5\xBE\x8B"},  // UTF-8 as it is
      {"Fl\xF6te", "Fl\xC3\xB6te"},                                              // Latin-1
      {"Sp\xE5mer", "Sp\xE8\x9A\x93" "er"},                                       // Latin-1 that is Shift_JIS too
      {"\x93Lead\x94 \x80", "\xE2\x80\x9CLead\xE2\x80\x9D \xE2\x82\xAC"},          // Windows-1252
      {"\x83\x81\x83\x8D\x81\x5F\xB1", "\xE3\x83\xA1\xE3\x83\xAD\xEF\xBC\xBC\xEF\xBD\xB1"},  // Shift_JIS
      {"Caf\xE9", "Caf\xC3\xA9"},                                                // a lead byte without its trail
      {"\xC0\xAF \xED\xA0\x80", "\xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // overlong, surrogate
      {"\x88\x9F / Fl\xF6te", "\xE4\xBA\x9C / Fl\xC3\xB6te"},                   // joined: each on its own
  };
  std::vector<TrackBytes> tracks;
  std::string expected;
  std::uint8_t channel = 0;
  for (const auto& name : names) {
    tracks.push_back(TrackBytes().name(0, name.bytes).noteOn(0, 60, 100, channel).noteOff(480, 60, channel));
    expected += "channel=" + std::to_string(channel + 1) + " notes=1 lowest=60 highest=60 inside=1 program=-1 "
                "instrument=\"\" track=\"" + std::string(name.text) + "\"\n";
    channel = static_cast<std::uint8_t>(channel + (channel == 8 ? 2 : 1));
  }
  Bytes image = header(1, static_cast<std::uint16_t>(tracks.size()), 480);
  for (const TrackBytes& data : tracks) {
    const Bytes chunk = track(data.bytes());
    image.insert(image.end(), chunk.begin(), chunk.end());
  }
  const CliRun run = runCli("tracks " + write("names.mid", image));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.substr(0, run.out.find("suggest")), expected);
}

TEST_F(OptionsCommands, TracksOfAFileWithoutNotesSuggestsTheFirstChannel) {
  const CliRun run = runCli("tracks " + write("empty.mid", smfImage(480, {TrackBytes().tempo(0, 400000)})));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "suggest Channels=0x0001 Transpose=0 inside=0 reason=\"no notes\"\n");
}

TEST_F(OptionsCommands, TracksExitStatusAndFailureLineAreThoseOfCheck) {
  const CliRun missing = runCli("tracks " + path("missing.mid"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "1 Failed open file.\n");
  const CliRun illegal = runCli("tracks " + write("short.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6}));
  EXPECT_EQ(illegal.status, 4);
  EXPECT_EQ(illegal.out, "4 Illegal SMF file.\n");
  EXPECT_EQ(runCli("tracks").status, 64);
  EXPECT_EQ(runCli("tracks " + song() + " --ini").status, 64);
}

// A chord of three notes on channel 1, held half a second.
TEST_F(OptionsCommands, KeysFitAChordToTheGameAndSayHowManyPressesMaxKeysDropped) {
  const std::string chord = write("chord.mid", smfImage(480, {TrackBytes().noteOn(0, 60).noteOn(0, 64).noteOn(0, 67)
                                                                   .noteOff(480, 60).noteOff(0, 64).noteOff(0, 67)}));
  const std::string errors = path("errors.txt");
  const auto keys = [&](const std::string& options) {
    return runCli("keys " + chord + " --ini " + iniWith("[Options]\r\n" + options), errors);
  };
  const auto errorText = [&] { return (std::stringstream() << std::ifstream(errors).rdbuf()).str(); };
  // Spread highest first; tapped; the inner voice gives way to the bass.
  const CliRun fitted = keys("ChordSpread=10\r\nPressLength=100\r\nMaxKeys=2\r\n");
  EXPECT_EQ(fitted.status, 0);
  EXPECT_EQ(fitted.out, "0 down 67 I\n10 down 64 T\n20 up 64 T\n20 down 60 Q\n100 up 67 I\n120 up 60 Q\n");
  EXPECT_EQ(errorText(), "");
  std::filesystem::remove(path("Murvane.ini"));
  const CliRun melody = keys("MaxKeys=1\r\n");
  EXPECT_EQ(melody.out, "0 down 67 I\n500 up 67 I\n");
  EXPECT_EQ(errorText(), "murvane-cli: MaxKeys=1 dropped 2 presses\n");
}

}  // namespace
}  // namespace murvane::test
