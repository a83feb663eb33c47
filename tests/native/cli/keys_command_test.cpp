// Runs the real murvane-cli keys on small files and compares its exact output.

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

CliRun runKeys(const std::string& arguments) { return runCli("keys " + arguments); }

class KeysCommand : public CliScratch {
 protected:
  std::string song() {
    return write("song.mid",
                 smfImage(480, {TrackBytes()
                                    .noteOn(0, 60)
                                    .noteOn(0, 47)
                                    .noteOn(0, 64, 100, 1)         // second channel: never typed
                                    .event(240, {0xA0, 60, 100})   // key pressure: nothing
                                    .noteOn(240, 84, 0)            // velocity 0: a release
                                    .noteOff(1, 60)                // 500 + 1.04 ms
                                    .event(0, {0xFF, 0x51, 0x02, 0x00, 0x01})  // short tempo: ignored
                                    .tempo(0, 1000000)
                                    .noteOn(480, 58)
                                    .noteOn(0, 59)
                                    .noteOff(1, 58)
                                    .noteOn(0, 85),
                                TrackBytes().noteOff(481, 47).noteOff(0, 81)}));
  }
};

// Notes outside C3-C6 (47, 85) have no key and are not listed; A#3 is on
// the key named "-".
TEST_F(KeysCommand, PrintsEveryKeyEventWithItsDueTimeAndDefaultKey) {
  const CliRun run = runKeys(song());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "0 down 60 Q\n"
            "500 up 84 Z\n"
            "501 up 60 Q\n"
            "501 up 81 ;\n"
            "1501 down 58 -\n"
            "1501 down 59 ^\n"
            "1503 up 58 -\n");
}

TEST_F(KeysCommand, TakesBindingsFromTheIniFile) {
  const std::string ini = write("keys.ini",
                                {'[', 'K', 'e', 'y', 'B', 'i', 'n', 'd', 's', ']', '\r', '\n',  //
                                 'C', '4', '=', '0', 'x', '0', '2', '7', 'a', '\r', '\n',       // Ctrl+F11: F11
                                 'B', '3', '=', '0', 'x', '0', '0', '1', '0', '\r', '\n'});     // Shift: no name
  const std::string file = write("notes.mid", smfImage(480, {TrackBytes().noteOn(0, 60).noteOn(0, 59).noteOn(0, 72)}));
  const CliRun run = runKeys(file + " --ini " + ini);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "0 down 60 F11\n0 down 59 0x10\n") << "C5 is unbound there";
}

TEST_F(KeysCommand, AMissingIniFileIsCreatedWithTheDefaults) {
  const std::string ini = path("new.ini");
  const std::string file = write("notes.mid", smfImage(480, {TrackBytes().noteOn(0, 84)}));
  const CliRun run = runKeys("--ini " + ini + " " + file);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "0 down 84 Z\n");
  std::ifstream in(ini);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("C6=0x005a"), std::string::npos) << text.str();
}

TEST_F(KeysCommand, ExitStatusIsTheLoadResult) {
  EXPECT_EQ(runKeys(path("missing.mid")).status, 1);
  EXPECT_EQ(runKeys(write("short.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6})).status, 4);
  std::vector<std::uint8_t> format2 = smfImage(480, {});
  format2[9] = 2;
  const CliRun run = runKeys(write("format2.mid", format2));
  EXPECT_EQ(run.status, 5);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(runKeys("").status, 64);
  EXPECT_EQ(runKeys(song() + " --ini").status, 64);
}

}  // namespace
}  // namespace murvane::test
