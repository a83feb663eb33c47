// Runs the real murvane-cli list on a queue of small songs, and keys and
// tracks with a song's own section and AutoSuggest.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "smf/name_text.h"
#include "options/song_options.h"
#include "tests/support/cli_run.h"
#include "tests/support/smf_bytes.h"

namespace murvane::test {
namespace {

class ListCommand : public CliScratch {
 protected:
  std::string write(const std::string& name, std::string_view bytes) {
    std::filesystem::create_directories(folder_.file(name).parent_path());
    return folder_.write(name, bytes).string();
  }
  std::string write(const std::string& name, const Bytes& bytes) {
    return write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  // 61 s: a melody on channel 3 an octave below the keys, a long note on 1.
  std::string melody(const std::string& name, std::uint8_t first) {
    TrackBytes notes;
    for (std::uint8_t i = 0; i < 8; ++i) notes.noteOn(i == 0 ? 0 : 240, static_cast<std::uint8_t>(first + i), 100, 2).noteOff(240, static_cast<std::uint8_t>(first + i), 2);
    notes.noteOn(0, 40, 100, 0).noteOff(58560 - 3600, 40, 0);
    return write(name, smfImage(480, {notes}));
  }
  std::string hashOf(const std::string& file) {
    const std::string bytes = readBytes(file);
    return utf8OfWide(songHashOf(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  }
  std::string ini(const std::string& text) {
    const std::string name = path("Murvane" + std::to_string(++inis_) + ".ini");
    runCli("keys " + write("empty.mid", smfImage(480, {})) + " --ini " + name);
    std::ofstream(name, std::ios::binary | std::ios::app) << text;
    return name;
  }
  int inis_ = 0;
  std::string list(const std::string& arguments) {
    const CliRun run = runCli("list " + arguments);
    EXPECT_EQ(run.status, 0);
    return run.out;
  }
};

TEST_F(ListCommand, ListsTheQueueADropMakesWithWhatEachSongPlays) {
  const std::string a = melody("songs/a.mid", 36);
  const std::string b = melody("songs/B.mid", 38);
  write("songs/notes.txt", "not a song");
  write("songs/sub/deep.mid", "MThd");
  write("bad.mid", "MThd but not a Standard MIDI File");
  const std::string playlist = write("list.m3u8", "\xEF\xBB\xBF#EXTM3U\r\nsongs/B.mid\r\nbad.mid\r\nmissing.mid\r\n");
  const std::string line = " length=1:01 channels=0x0001 transpose=0 own=0 result=OK\n";
  const std::string expected = "file=\"" + a + "\"" + line + "file=\"" + b + "\"" + line + "file=\"" + b + "\"" + line +
                               "file=\"" + path("bad.mid") + "\" length=0:00 channels=0x0001 transpose=0 own=0 result=Illegal\n"
                               "file=\"" + path("missing.mid") + "\" length=0:00 channels=0x0001 transpose=0 own=0 result=OpenFailed\n";
  EXPECT_EQ(list(path("songs") + " " + playlist), expected);
  // An INI file without the new keys changes nothing.
  EXPECT_EQ(list(path("songs") + " " + playlist + " --ini " + ini("[Options]\r\nSpeed=100\r\n")), expected);
  EXPECT_NE(runCli("list").status, 0);
}

// [Options] under the song's own keys, AutoSuggest for a song without its
// own channel and shift; keys and tracks read them the same way.
TEST_F(ListCommand, ASongsOwnSectionAndAutoSuggestPlayAlikeInListKeysAndTracks) {
  const std::string a = melody("a.mid", 36);
  const std::string b = melody("b.mid", 38);
  const std::string settings = ini("[Options]\r\nTranspose=2\r\nSpeed=50\r\nAutoSuggest=1\r\n[Song " + hashOf(a) +
                                   "]\r\nChannels=0x0001\r\nSpeed=default\r\n");
  EXPECT_EQ(list(a + " " + b + " --ini " + settings),
            "file=\"" + a + "\" length=1:01 channels=0x0001 transpose=2 own=1 result=OK\n"
            "file=\"" + b + "\" length=2:02 channels=0x0004 transpose=12 own=0 result=OK\n");
  const auto keys = [&](const std::string& song, const std::string& options) {
    return runCli("keys " + song + " --ini " + ini("[Options]\r\n" + options)).out;
  };
  EXPECT_EQ(runCli("keys " + a + " --ini " + settings).out, keys(a, "Transpose=2\r\n"));
  EXPECT_EQ(runCli("keys " + b + " --ini " + settings).out, keys(b, "Channels=0x0004\r\nTranspose=12\r\nSpeed=50\r\n"));
  // tracks counts on the song's own layout.
  const std::string piano = ini("[Song " + hashOf(a) + "]\r\nLayout=piano61\r\n");
  EXPECT_EQ(runCli("tracks " + a + " --ini " + piano).out, runCli("tracks " + a + " --ini " + ini("[Options]\r\nLayout=piano61\r\n")).out);
  EXPECT_NE(runCli("tracks " + a + " --ini " + piano).out, runCli("tracks " + a).out);
}

}  // namespace
}  // namespace murvane::test
