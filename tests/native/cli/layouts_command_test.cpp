// murvane-cli layouts, and murvane-cli keys with a layout: what each layout
// types, named as the key configuration window names keys.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "tests/support/cli_run.h"
#include "tests/support/smf_bytes.h"
#include "tests/support/temp_folder.h"

namespace murvane::test {
namespace {

std::string narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class LayoutsCommand : public CliScratch {
 protected:
  std::string ini(const std::string& text) { return write("Murvane.ini", std::vector<std::uint8_t>(text.begin(), text.end())); }

  // Every MIDI note 0-127 once, one after another.
  std::string everyNote() {
    TrackBytes track;
    for (int note = 0; note < 128; ++note) track.noteOn(0, static_cast<std::uint8_t>(note)).noteOff(48, static_cast<std::uint8_t>(note));
    return write("every-note.mid", smfImage(480, {track}));
  }
};

TEST_F(LayoutsCommand, ListsEveryBuiltInLayoutWithItsKeysAndRange) {
  const CliRun run = runCli("layouts");
  ASSERT_EQ(run.status, 0);
  std::vector<std::string> wanted;
  for (std::wstring_view name : builtInLayoutNames()) {
    const KeyLayout layout = builtInLayout(name).value();
    wanted.push_back("layout=" + narrow(name) + " keys=" + std::to_string(layout.keyCount()) +
                     " lowest=" + std::to_string(layout.lowest()) + " highest=" + std::to_string(layout.highest()));
  }
  EXPECT_EQ(linesOf(run.out), wanted);
}

TEST_F(LayoutsCommand, APrintedLayoutReadsBackAsTheSameLayoutUnderANameOfItsOwn) {
  for (std::wstring_view name : builtInLayoutNames()) {
    SCOPED_TRACE(narrow(name));
    const CliRun printed = runCli("layouts " + narrow(name));
    ASSERT_EQ(printed.status, 0);
    std::string section = printed.out;
    const std::string header = "[Layout " + narrow(name) + "]\n";
    ASSERT_EQ(section.rfind(header, 0), 0u);
    section.replace(0, header.size(), "[Layout mine]\n");
    const std::string file = ini(section);
    const CliRun again = runCli("layouts mine --ini " + file);
    EXPECT_EQ(again.out, section);
    const std::string keysOfBuiltIn = runCli("keys " + everyNote() + " --ini " + ini("[Options]\nLayout=" + narrow(name) + "\n")).out;
    const std::string keysOfOwn = runCli("keys " + everyNote() + " --ini " + ini(section + "[Options]\nLayout=mine\n")).out;
    EXPECT_EQ(keysOfOwn, keysOfBuiltIn);
  }
}

TEST_F(LayoutsCommand, KeysListsExactlyTheNotesALayoutHasKeysForWithTheirModifiers) {
  const std::string song = everyNote();
  for (std::wstring_view name : builtInLayoutNames()) {
    SCOPED_TRACE(narrow(name));
    const KeyLayout layout = builtInLayout(name).value();
    const CliRun run = runCli("keys " + song + " --ini " + ini("[Options]\nLayout=" + narrow(name) + "\n"));
    ASSERT_EQ(run.status, 0);
    std::set<int> listed;
    for (const std::string& line : linesOf(run.out)) {
      std::istringstream fields(line);
      std::uint64_t at = 0;
      std::string direction;
      std::string note;
      fields >> at >> direction >> note;
      if (note == "-") continue;  // the sustain key, which no note of this song presses
      listed.insert(std::stoi(note));
    }
    for (int note = 0; note < 128; ++note) EXPECT_EQ(listed.count(note) == 1, layout.hasKey(note)) << note;
  }
  // The key configuration window names the OEM keys as a Japanese keyboard
  // labels them: the US ";" key (0xBA) is ":" there.
  const struct {
    const char* layout;
    const char* line;
  } names[] = {{"piano61", "down 37 Shift + 1"}, {"piano88", "down 21 Ctrl + 1"},  {"lyre36", "down 51 Ctrl + C"},
               {"lyre36", "down 49 Shift + Z"},  {"sky15", "down 76 :"},          {"chromatic37", "down 48 ,"}};
  for (const auto& c : names) {
    const CliRun run = runCli("keys " + song + " --ini " + ini(std::string("[Options]\nLayout=") + c.layout + "\n"));
    EXPECT_NE(run.out.find(c.line), std::string::npos) << c.layout << ": " << c.line;
  }
}

TEST_F(LayoutsCommand, AnUnknownLayoutPlaysTheKeyConfigurationAndSaysSo) {
  const std::string song = everyNote();
  const std::string errors = path("errors.txt");
  const CliRun unknown = runCli("keys " + song + " --ini " + ini("[Options]\nLayout=harp99\n"), errors);
  EXPECT_EQ(unknown.status, 0);
  EXPECT_EQ(readBytes(errors), "murvane-cli: no layout \"harp99\": playing the key configuration's keys\n");
  EXPECT_EQ(unknown.out, runCli("keys " + song + " --ini " + ini("[Options]\nSpeed=100\n")).out)
      << "the same keys as without a layout";
  EXPECT_EQ(runCli("layouts harp99").status, 1);
}

TEST_F(LayoutsCommand, TracksCountsAgainstTheChosenLayoutAndFindsTheSongsKeyOnADiatonicOne) {
  // A D major scale: F#4 and C#5 have no key on the lyre's white keys.
  TrackBytes track;
  for (int note : {62, 64, 66, 67, 69, 71, 73, 74}) {
    track.noteOn(0, static_cast<std::uint8_t>(note)).noteOff(240, static_cast<std::uint8_t>(note));
  }
  const std::string song = write("d-major.mid", smfImage(480, {track}));
  const CliRun lyre = runCli("tracks " + song + " --ini " + ini("[Options]\nLayout=lyre21\n"));
  ASSERT_EQ(lyre.status, 0);
  EXPECT_NE(lyre.out.find("channel=1 notes=8 lowest=62 highest=74 inside=6 "), std::string::npos) << lyre.out;
  EXPECT_NE(lyre.out.find("suggest Channels=0x0001 Transpose=-2 inside=8 "), std::string::npos) << lyre.out;
  const CliRun plain = runCli("tracks " + song);
  EXPECT_NE(plain.out.find("suggest Channels=0x0001 Transpose=0 inside=8 "), std::string::npos) << plain.out;
  EXPECT_FALSE(std::filesystem::exists(path("none.ini")));
  runCli("tracks " + song + " --ini " + path("none.ini"));
  EXPECT_FALSE(std::filesystem::exists(path("none.ini"))) << "tracks writes no file";
}

}  // namespace
}  // namespace murvane::test
