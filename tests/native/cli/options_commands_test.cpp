// Runs the real murvane-cli keys with an Options section, and murvane-cli
// tracks, on small files and compares their exact output.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::smfImage;
using test::TrackBytes;

struct CliRun {
  int status;
  std::string out;
};

CliRun runCli(const std::string& arguments) {
  const std::string command = std::string(MURVANE_CLI) + " " + arguments + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {-1, ""};
  std::string out;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class OptionsCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::path(::testing::TempDir()) /
              ("murvane_options_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  // The first-run file, as the program writes it, followed by `more`.
  std::string iniWith(const std::string& more) {
    const std::string ini = path("Murvane.ini");
    const std::string empty = write("empty.mid", smfImage(480, {}));
    if (runCli("keys " + empty + " --ini " + ini).status != 0) ADD_FAILURE() << "no first-run INI file";
    std::ofstream(ini, std::ios::binary | std::ios::app) << more;
    return ini;
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

  std::filesystem::path folder_;
};

TEST_F(OptionsCommands, KeysWithoutAnOptionsSectionAreTodays) {
  const std::string file = song();
  const CliRun plain = runCli("keys " + file);
  const CliRun withIni = runCli("keys " + file + " --ini " + iniWith("[Other]\r\nSpeed=200\r\n"));
  EXPECT_EQ(withIni.status, 0);
  EXPECT_EQ(withIni.out, plain.out);
  EXPECT_EQ(plain.out, "0 down 70 @\n1000 up 70 @\n");
}

TEST_F(OptionsCommands, KeysListTheChosenChannelTransposedAtTheTimesTheGapSendsThem) {
  const std::string ini = iniWith("[Options]\r\nChannels=0x0004\r\nTranspose=12\r\nRepressGap=30\r\n");
  const CliRun run = runCli("keys " + song() + " --ini " + ini);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "0 down 62 E\n"
            "500 up 62 E\n"
            "530 down 62 E\n"
            "750 down 65 Y\n"
            "780 up 65 Y\n"    // the second note-on on one key: up one gap after the press
            "810 down 65 Y\n"  //   and down again one gap later
            "1000 up 62 E\n"   // 65's older press ends at 1000: the key stays down
            "1500 down 48 1\n"
            "1510 up 65 Y\n"
            "1510 up 48 1\n");  // held to 1530, but the end of the file releases at once
}

TEST_F(OptionsCommands, KeysAtSpeedAndFoldedWithoutGapKeepTheOrderOfTheFile) {
  const std::string ini = iniWith("[Options]\r\nChannels=0x0005\r\nTranspose=-12\r\nFoldOctaves=1\r\nSpeed=200\r\n");
  const CliRun run = runCli("keys " + song() + " --ini " + ini);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "0 down 50 3\n"
            "0 down 58 -\n"
            "250 up 50 3\n"
            "250 down 50 3\n"
            "375 down 53 6\n"
            "375 down 53 6\n"
            "500 up 50 3\n"
            "500 up 53 6\n"
            "500 up 58 -\n"
            "750 down 48 1\n"
            "750 up 48 1\n"
            "755 up 53 6\n");  // channel 10 is not chosen
}

TEST_F(OptionsCommands, TracksCountsEachChannelAndSuggestsTheBestChannelAndShift) {
  const std::string ini = path("never-written.ini");
  const CliRun run = runCli("tracks " + song() + " --ini " + ini);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "channel=1 notes=1 lowest=70 highest=70 inside=1\n"
            "channel=3 notes=5 lowest=36 highest=53 inside=4\n"
            "channel=10 notes=1 lowest=60 highest=60 inside=1\n"
            "suggest Channels=0x0004 Transpose=12 inside=5\n");
  EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(OptionsCommands, TracksOfAFileWithoutNotesSuggestsTheFirstChannel) {
  const CliRun run = runCli("tracks " + write("empty.mid", smfImage(480, {TrackBytes().tempo(0, 400000)})));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "suggest Channels=0x0001 Transpose=0 inside=0\n");
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

}  // namespace
}  // namespace murvane
