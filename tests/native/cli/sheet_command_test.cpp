// Runs the real murvane-cli sheet and compares it with the test's own
// reading of the notes: whole moments by tick, 4/4 bars, a rest when every
// note has ended a beat or more before the next.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/smf_bytes.h"

namespace murvane::test {
namespace {

struct Note {
  std::uint64_t tick, length;
  int note;
};

// `key(note)` is what a note is written as; bars of `barTicks`.
template <typename KeyOf>
std::string sheetOf(const std::vector<Note>& notes, std::uint64_t beatTicks, std::uint64_t barTicks, KeyOf key) {
  std::map<std::uint64_t, std::map<int, std::string>> moments;
  for (const Note& n : notes) moments[n.tick][n.note] = key(n.note);
  std::string sheet;
  std::uint64_t previous = 0;
  for (const auto& [tick, keys] : moments) {
    if (!sheet.empty()) {
      std::uint64_t end = 0;
      for (const Note& n : notes) end = n.tick < tick ? std::max(end, n.tick + n.length) : end;
      if (tick >= end + beatTicks) sheet += " |";
      sheet += tick / (4 * barTicks) != previous / (4 * barTicks) ? "\n" : " ";
    }
    std::string chord;
    for (const auto& entry : keys) chord += entry.second;
    sheet += keys.size() > 1 ? "[" + chord + "]" : chord;
    previous = tick;
  }
  return sheet + "\n";
}

TEST(SheetCommand, TheExampleSongIsItsNotesOnTheDefaultKeys) {
  const std::filesystem::path song = std::filesystem::path(MURVANE_SOURCE_DIR) / "examples/ode-to-joy.mid";
  std::unique_ptr<FileReader> reader = makePlatformFileReader();
  SmfFile file;
  ASSERT_EQ(loadFile(file, *reader, song), LoadResult::kOk);
  std::vector<Note> notes;
  std::map<int, std::size_t> sounding;
  std::uint64_t tick = 0;
  MidiEvent event;
  for (file.rewind(); file.readEvent(event);) {
    tick += event.delta;
    if (event.kind == kEventMeta && event.eventType == 0x58) {
      EXPECT_EQ(event.data[0] * 10 + event.data[1], 42);  // 4/4
    }
    if (event.kind != kEventChannel || event.channel != 0 || (event.eventType & 0xE0) != 0x80) continue;
    if (event.eventType == 0x90 && event.data2 > 0) {
      sounding[event.data1] = notes.size();
      notes.push_back(Note{tick, 0, event.data1});
    } else {
      notes[sounding[event.data1]].length = tick - notes[sounding[event.data1]].tick;
    }
  }
  // C3-C6 of the first-run keys, as a US keyboard types them.
  const std::string keys = "1234567890-'qwertyuiop`[asdfghjkl=;]z";
  const CliRun run = runCli("sheet " + song.string());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, sheetOf(notes, file.division(), 4 * file.division(), [&](int note) {
              return std::string(1, keys.at(static_cast<std::size_t>(note - 48)));
            }));
}

// piano88: Shift for sharps, Ctrl below C2, a note beyond it left out; in
// 3/4, so the last note is in the fifth bar (in 4/4 it would be the fourth).
TEST_F(CliScratch, SheetWritesChordsShiftCtrlAndRestsOfTheChosenLayout) {
  const std::vector<Note> notes = {
      {0, 240, 60},    {240, 240, 61},  {480, 480, 60},  {480, 480, 64}, {480, 480, 67},  // t T [tuo]
      {1440, 240, 22}, {1680, 240, 61}, {1680, 240, 64},                                  // | ^2 [Tu]
      {1920, 240, 47}, {2400, 240, 120}, {3840, 240, 72}, {5760, 240, 53}};               // 7, none, | s, | q
  TrackBytes tune = TrackBytes().event(0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08});   // 3/4
  std::vector<std::pair<std::uint64_t, std::pair<int, bool>>> events;
  for (const Note& n : notes) {
    events.push_back({n.tick, {n.note, true}});
    events.push_back({n.tick + n.length, {n.note, false}});
  }
  std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : !a.second.second && b.second.second;
  });
  std::uint64_t at = 0;
  for (const auto& [tick, change] : events) {
    const auto delta = static_cast<std::uint32_t>(tick - at);
    const auto note = static_cast<std::uint8_t>(change.first);
    if (change.second) tune.noteOn(delta, note); else tune.noteOff(delta, note);
    at = tick;
  }
  const std::string ini = path("Murvane.ini");
  std::ofstream(ini, std::ios::binary) << "[Options]\r\nLayout=piano88\r\n";
  const CliRun run = runCli("sheet " + write("song.mid", smfImage(480, {tune})) + " --ini " + ini, path("err"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "t T [tuo] | ^2 [Tu] 7 | s |\nq\n");
  std::ifstream error(path("err"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(error), {}), "murvane-cli: 1 note without a key left out\n");
}

}  // namespace
}  // namespace murvane::test
