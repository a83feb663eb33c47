#include "smf/smf_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/smf_bytes.h"

namespace murvane {
namespace {

using test::Bytes;
using test::header;
using test::join;
using test::repeated;
using test::smf;
using test::track;
using test::vlq;

// One line per event, so that a mismatch shows where the streams part.
std::string describe(const MidiEvent& event) {
  char line[64];
  switch (event.kind) {
    case kEventChannel:
      std::snprintf(line, sizeof line, "+%u %02X ch%u %u %u", event.delta, event.eventType, event.channel,
                    event.data1, event.data2);
      break;
    case kEventSysex:
      std::snprintf(line, sizeof line, "+%u sysex %02X len %u", event.delta, event.eventType, event.length);
      break;
    default:
      std::snprintf(line, sizeof line, "+%u meta %02X len %u", event.delta, event.eventType, event.length);
      break;
  }
  return line;
}

std::vector<std::string> readAll(SmfFile& file) {
  std::vector<std::string> lines;
  MidiEvent event;
  while (file.readEvent(event)) lines.push_back(describe(event));
  return lines;
}

std::vector<std::string> loadAndReadAll(const Bytes& image) {
  SmfFile file;
  EXPECT_EQ(file.load(image), LoadResult::kOk);
  file.rewind();
  return readAll(file);
}

struct LoadCase {
  const char* name;
  Bytes image;
  LoadResult expected;
};

const Bytes kNote = {0x00, 0x90, 0x3C, 0x40};

Bytes withoutLastByte(Bytes bytes) {
  bytes.pop_back();
  return bytes;
}

class LoadResultTest : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadResultTest, GivesTheResultCode) {
  SmfFile file;
  EXPECT_EQ(file.load(GetParam().image), GetParam().expected);
  EXPECT_EQ(file.loaded(), GetParam().expected == LoadResult::kOk);
}

std::string nameOfCase(const testing::TestParamInfo<LoadCase>& given) { return given.param.name; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Header, LoadResultTest, testing::Values(
    LoadCase{"NoTracksInFourteenBytes", header(0, 0, 96), LoadResult::kOk},
    LoadCase{"ThirteenBytes", withoutLastByte(header(0, 0, 96)), LoadResult::kIllegal},
    LoadCase{"Empty", {}, LoadResult::kIllegal},
    LoadCase{"WrongMagic", join({{'M', 'T', 'h', 'e', 0, 0, 0, 6}, {0, 0, 0, 0, 0, 96}}), LoadResult::kIllegal},
    LoadCase{"HeaderLengthSeven", join({{'M', 'T', 'h', 'd', 0, 0, 0, 7}, {0, 0, 0, 0, 0, 96, 0}}), LoadResult::kIllegal},
    LoadCase{"FormatTwo", header(2, 0, 96), LoadResult::kUnsupported},
    LoadCase{"FormatAboveTwo", header(0x0100, 0, 96), LoadResult::kUnsupported},
    LoadCase{"SmpteDivision", header(1, 0, 0xE728), LoadResult::kUnsupported},
    LoadCase{"DivisionZero", header(1, 0, 0), LoadResult::kIllegal},
    LoadCase{"FormatCheckedBeforeDivision", header(2, 0, 0), LoadResult::kUnsupported}),
    nameOfCase);

INSTANTIATE_TEST_SUITE_P(Chunks, LoadResultTest, testing::Values(
    LoadCase{"FewerChunksThanCounted", join({header(1, 2, 96), track(kNote)}), LoadResult::kIllegal},
    LoadCase{"ShortChunkHeader", join({header(1, 1, 96), {'M', 'T', 'r', 'k', 0, 0, 0}}), LoadResult::kIllegal},
    LoadCase{"OtherChunkTypeAmongTracks", join({header(1, 2, 96), track(kNote), {'X', 'Y', 'Z', 'W', 0, 0, 0, 0}, track(kNote)}), LoadResult::kIllegal},
    LoadCase{"ChunkLengthPastTheFile", join({header(0, 1, 96), {'M', 'T', 'r', 'k', 0, 0, 0, 5}, kNote}), LoadResult::kIllegal},
    LoadCase{"ChunkLengthNearFourGiB", join({header(0, 1, 96), {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF}, kNote}), LoadResult::kIllegal},
    LoadCase{"BytesAfterTheCountedChunksIgnored", join({smf(0, 96, {kNote}), {'X', 'Y', 'Z', 'W', 0, 0, 0, 1, 0xF4, 0x01}}), LoadResult::kOk},
    LoadCase{"EmptyTrack", smf(1, 96, {{}, kNote}), LoadResult::kOk},
    LoadCase{"TrackWithOnlyADeltaTime", smf(1, 96, {{0x83, 0x60}}), LoadResult::kOk}),
    nameOfCase);

INSTANTIATE_TEST_SUITE_P(Events, LoadResultTest, testing::Values(
    LoadCase{"FirstEventWithoutStatus", smf(0, 96, {{0x00, 0x3C, 0x40}}), LoadResult::kIllegal},
    LoadCase{"RunningStatusAfterMetaOnly", smf(0, 96, {{0x00, 0xFF, 0x2F, 0x00, 0x00, 0x3C, 0x40}}), LoadResult::kIllegal},
    LoadCase{"StatusF1", smf(0, 96, {{0x00, 0xF1, 0x00}}), LoadResult::kIllegal},
    LoadCase{"StatusF6", smf(0, 96, {{0x00, 0xF6}}), LoadResult::kIllegal},
    LoadCase{"StatusF8", smf(0, 96, {{0x00, 0xF8}}), LoadResult::kIllegal},
    LoadCase{"StatusFE", smf(0, 96, {{0x00, 0xFE}}), LoadResult::kIllegal},
    LoadCase{"NoteCutShort", smf(0, 96, {{0x00, 0x90, 0x3C}}), LoadResult::kIllegal},
    LoadCase{"ProgramChangeCutShort", smf(0, 96, {{0x00, 0xC0}}), LoadResult::kIllegal},
    LoadCase{"FourByteDeltaTime", smf(0, 96, {{0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40}}), LoadResult::kOk},
    LoadCase{"FiveByteDeltaTime", smf(0, 96, {{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x40}}), LoadResult::kIllegal},
    LoadCase{"FiveByteLaterDeltaTime", smf(0, 96, {join({kNote, {0x81, 0x81, 0x81, 0x81, 0x00, 0x80, 0x3C, 0x40}})}), LoadResult::kIllegal},
    LoadCase{"FirstDeltaTimeRunsIntoTheEnd", smf(0, 96, {{0x81, 0x81}}), LoadResult::kIllegal},
    LoadCase{"LaterDeltaTimeRunsIntoTheEnd", smf(0, 96, {join({kNote, {0x81}})}), LoadResult::kIllegal},
    LoadCase{"TrailingDeltaTimeWithoutEvent", smf(0, 96, {join({kNote, {0x10}})}), LoadResult::kOk},
    LoadCase{"MetaTypeMissing", smf(0, 96, {{0x00, 0xFF}}), LoadResult::kIllegal},
    LoadCase{"MetaLengthMissing", smf(0, 96, {{0x00, 0xFF, 0x01}}), LoadResult::kIllegal},
    LoadCase{"MetaLengthRunsIntoTheEnd", smf(0, 96, {{0x00, 0xFF, 0x01, 0x81}}), LoadResult::kIllegal},
    LoadCase{"MetaLengthOfFiveBytes", smf(0, 96, {{0x00, 0xFF, 0x01, 0x80, 0x80, 0x80, 0x80, 0x00}}), LoadResult::kIllegal},
    LoadCase{"MetaDataPastTheChunk", smf(0, 96, {join({{0x00, 0xFF, 0x01, 0x81, 0x00}, repeated(127, 'a')})}), LoadResult::kIllegal},
    LoadCase{"MetaDataPastTheChunkIntoTheNext", join({header(1, 2, 96), track({0x00, 0xFF, 0x01, 0x08}), track(kNote)}), LoadResult::kIllegal},
    LoadCase{"MetaDataFillsTheChunk", smf(0, 96, {join({{0x00, 0xFF, 0x01, 0x81, 0x00}, repeated(128, 'a')})}), LoadResult::kOk},
    LoadCase{"MetaLengthNearFourGiB", smf(0, 96, {{0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}}), LoadResult::kIllegal},
    LoadCase{"SysexLengthMissing", smf(0, 96, {{0x00, 0xF0}}), LoadResult::kIllegal},
    LoadCase{"SysexDataPastTheChunk", smf(0, 96, {{0x00, 0xF7, 0x03, 0x01, 0x02}}), LoadResult::kIllegal}),
    nameOfCase);
// clang-format on

TEST(SmfLoad, ReportsHeaderFieldsAndCountsEvents) {
  SmfFile file;
  ASSERT_EQ(file.load(smf(1, 480, {{0x00, 0xFF, 0x2F, 0x00}, join({kNote, kNote, {0x00, 0xF0, 0x01, 0xF7}})})),
            LoadResult::kOk);
  EXPECT_EQ(file.format(), 1);
  EXPECT_EQ(file.trackCount(), 2);
  EXPECT_EQ(file.division(), 480);
  EXPECT_EQ(file.eventCount(), 4u);
}

TEST(SmfLoad, FailedLoadDiscardsThePreviousFile) {
  SmfFile file;
  ASSERT_EQ(file.load(smf(0, 96, {kNote})), LoadResult::kOk);
  EXPECT_EQ(file.load(header(2, 0, 96)), LoadResult::kUnsupported);
  EXPECT_FALSE(file.loaded());
  file.rewind();
  MidiEvent event;
  EXPECT_FALSE(file.readEvent(event));
}

TEST(SmfRead, NothingIsReadBeforeRewind) {
  SmfFile file;
  ASSERT_EQ(file.load(smf(0, 96, {kNote})), LoadResult::kOk);
  MidiEvent event;
  EXPECT_FALSE(file.readEvent(event));
}

TEST(SmfRead, FileWithoutTracksYieldsNothing) {
  EXPECT_TRUE(loadAndReadAll(header(0, 0, 96)).empty());
}

TEST(SmfRead, EmptyTracksYieldNothing) {
  EXPECT_TRUE(loadAndReadAll(smf(1, 96, {{}, {0x60}})).empty());
}

// Track 0: events at 0, 10, 20; track 1: at 0 and 15.
TEST(SmfRead, MergesTracksInTimeOrder) {
  const Bytes image = smf(1, 96, {
                                     {0x00, 0x90, 0x3C, 0x40, 0x0A, 0x90, 0x3E, 0x40, 0x0A, 0x90, 0x40, 0x40},
                                     {0x00, 0x91, 0x30, 0x40, 0x0F, 0x91, 0x32, 0x40},
                                 });
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{
                                       "+0 90 ch0 60 64",
                                       "+0 90 ch1 48 64",
                                       "+10 90 ch0 62 64",
                                       "+5 90 ch1 50 64",
                                       "+5 90 ch0 64 64",
                                   }));
}

TEST(SmfRead, SimultaneousEventsGoToTheLowerTrackFirst) {
  const Bytes image = smf(1, 96, {
                                     {0x20, 0x90, 0x01, 0x01},
                                     {0x10, 0x90, 0x02, 0x02, 0x10, 0x90, 0x03, 0x03},
                                     {0x20, 0x90, 0x04, 0x04},
                                 });
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{
                                       "+16 90 ch0 2 2",
                                       "+16 90 ch0 1 1",
                                       "+0 90 ch0 3 3",
                                       "+0 90 ch0 4 4",
                                   }));
}

// A melody that enters after an intro must wait for its first delta-time.
TEST(SmfRead, HonoursEachTracksFirstDeltaTime) {
  const Bytes image = smf(1, 480, {
                                      {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},
                                      {0x83, 0x60, 0x90, 0x3C, 0x40, 0x83, 0x60, 0x80, 0x3C, 0x00},
                                  });
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{
                                       "+0 meta 51 len 3",
                                       "+480 90 ch0 60 64",
                                       "+480 80 ch0 60 0",
                                   }));
  EXPECT_EQ(loadAndReadAll(smf(0, 480, {{0x83, 0x60, 0x90, 0x3C, 0x40}})),
            std::vector<std::string>{"+480 90 ch0 60 64"});
}

TEST(SmfRead, RunningStatusCarriesAcrossMetaAndSysex) {
  const Bytes image = smf(0, 96, {{
                                     0x00, 0x92, 0x3C, 0x40,        // note on, channel 2
                                     0x00, 0xFF, 0x01, 0x01, 'x',   // text
                                     0x00, 0x3E, 0x41,              // running status
                                     0x00, 0xF0, 0x02, 0x7E, 0xF7,  // sysex
                                     0x05, 0x40, 0x00,              // running status again
                                 }});
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{
                                       "+0 90 ch2 60 64",
                                       "+0 meta 01 len 1",
                                       "+0 90 ch2 62 65",
                                       "+0 sysex F0 len 2",
                                       "+5 90 ch2 64 0",
                                   }));
}

TEST(SmfRead, FillsEveryKindOfChannelEvent) {
  SmfFile file;
  ASSERT_EQ(file.load(smf(0, 96, {{
                                           0x00, 0x85, 0x3C, 0x10,  // note off
                                           0x00, 0x9F, 0x3C, 0x00,  // note on, velocity 0: delivered as is
                                           0x00, 0xA1, 0x3C, 0x22,  // key pressure
                                           0x00, 0xB2, 0x07, 0x64,  // control change
                                           0x00, 0xC3, 0x05,        // program change
                                           0x00, 0xD4, 0x33,        // channel pressure
                                           0x00, 0xE5, 0x00, 0x40,  // pitch bend centre
                                           0x00, 0xE5, 0xFF, 0xFF,  // stray top bits
                                       }})),
            LoadResult::kOk);
  file.rewind();
  MidiEvent e;
  struct Expected {
    std::uint8_t type, channel, data1, data2;
    std::uint16_t value;
  };
  const Expected expected[] = {
      {0x80, 5, 0x3C, 0x10, 0x103C}, {0x90, 15, 0x3C, 0x00, 0x003C}, {0xA0, 1, 0x3C, 0x22, 0x223C},
      {0xB0, 2, 0x07, 0x64, 0x6407}, {0xC0, 3, 0x05, 0x00, 0x0005},  {0xD0, 4, 0x00, 0x33, 0x3300},
      {0xE0, 5, 0x00, 0x40, 0x2000}, {0xE0, 5, 0xFF, 0xFF, 0x3FFF},
  };
  for (const Expected& want : expected) {
    ASSERT_TRUE(file.readEvent(e));
    SCOPED_TRACE(describe(e));
    EXPECT_EQ(e.kind, kEventChannel);
    EXPECT_EQ(e.eventType, want.type);
    EXPECT_EQ(e.channel, want.channel);
    EXPECT_EQ(e.data1, want.data1);
    EXPECT_EQ(e.data2, want.data2);
    EXPECT_EQ(e.value, want.value);
  }
  EXPECT_FALSE(file.readEvent(e));
}

// Controller 127 (poly mode on) is an ordinary three-byte control change,
// whatever omni mode controllers came before it.
TEST(SmfRead, ControllerOneTwentySevenIsThreeBytes) {
  for (const std::uint8_t omni : {std::uint8_t{0x7C}, std::uint8_t{0x7D}}) {
    SCOPED_TRACE(omni);
    const Bytes image = smf(0, 96, {{
                                       0x00, 0xB0, omni, 0x00,  //
                                       0x00, 0xB0, 0x7F, 0x00,  //
                                       0x00, 0x90, 0x3C, 0x40,  //
                                   }});
    EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{
                                         "+0 B0 ch0 " + std::to_string(omni) + " 0",
                                         "+0 B0 ch0 127 0",
                                         "+0 90 ch0 60 64",
                                     }));
  }
}

TEST(SmfRead, LongTextAndSysexLengthsAreVariableLengthQuantities) {
  const Bytes text = repeated(200, 'T');
  const Bytes sysex = join({{0x43}, repeated(298, 0x11), {0xF7}});
  const Bytes image = smf(1, 96, {
                                     join({{0x00, 0xFF, 0x01}, vlq(200), text, {0x00, 0xFF, 0x2F, 0x00}}),
                                     join({{0x00, 0xF0}, vlq(300), sysex, {0x10, 0x90, 0x3C, 0x40}}),
                                 });
  ASSERT_EQ(vlq(200), (Bytes{0x81, 0x48}));
  SmfFile file;
  ASSERT_EQ(file.load(image), LoadResult::kOk);
  file.rewind();
  MidiEvent e;
  ASSERT_TRUE(file.readEvent(e));
  EXPECT_EQ(describe(e), "+0 meta 01 len 200");
  EXPECT_EQ(e.value, 200);
  EXPECT_EQ(Bytes(e.data, e.data + e.length), text);
  ASSERT_TRUE(file.readEvent(e));
  EXPECT_EQ(describe(e), "+0 meta 2F len 0");
  ASSERT_TRUE(file.readEvent(e));
  EXPECT_EQ(describe(e), "+0 sysex F0 len 300");
  EXPECT_EQ(Bytes(e.data, e.data + e.length), sysex);
  ASSERT_TRUE(file.readEvent(e));
  EXPECT_EQ(describe(e), "+16 90 ch0 60 64");
  EXPECT_FALSE(file.readEvent(e));
}

TEST(SmfRead, LengthBeyondSixteenBitsSaturatesValue) {
  const Bytes image = smf(0, 96, {join({{0x00, 0xFF, 0x7F}, vlq(70000), repeated(70000, 0)})});
  SmfFile file;
  ASSERT_EQ(file.load(image), LoadResult::kOk);
  file.rewind();
  MidiEvent e;
  ASSERT_TRUE(file.readEvent(e));
  EXPECT_EQ(e.length, 70000u);
  EXPECT_EQ(e.value, 0xFFFF);
}

TEST(SmfRead, EndOfTrackEndsNothing) {
  const Bytes image = smf(0, 96, {{0x00, 0xFF, 0x2F, 0x00, 0x08, 0x90, 0x3C, 0x40}});
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{"+0 meta 2F len 0", "+8 90 ch0 60 64"}));
}

// Found by fuzzing: the reader went on past a delta-time that ends a chunk.
TEST(SmfRead, TrailingDeltaTimeEndsTheTrack) {
  const Bytes image = smf(1, 96, {{0x00, 0xC0, 0x4E, 0x4E, 0x4E, 0x4E}, {0x7F, 0xC1, 0x01}});
  EXPECT_EQ(loadAndReadAll(image), (std::vector<std::string>{"+0 C0 ch0 78 0", "+78 C0 ch0 78 0", "+49 C0 ch1 1 0"}));
}

TEST(SmfRead, StaysExhaustedUntilRewound) {
  SmfFile file;
  ASSERT_EQ(file.load(smf(1, 96, {{0x00, 0xC0, 0x01}, {0x05, 0xC1, 0x02}})), LoadResult::kOk);
  file.rewind();
  const std::vector<std::string> first = readAll(file);
  MidiEvent untouched;
  untouched.delta = 1234;
  EXPECT_FALSE(file.readEvent(untouched));
  EXPECT_FALSE(file.readEvent(untouched));
  EXPECT_EQ(untouched.delta, 1234u);
  file.rewind();
  EXPECT_EQ(readAll(file), first);
  EXPECT_EQ(first.size(), 2u);
}

// Over 2^48 ticks in all: the reader's queue counts ticks from a base that
// must move forward without changing order or deltas.
TEST(SmfRead, KeepsOrderAndDeltasOverAVeryLongTime) {
  constexpr std::uint32_t kLongest = 0x0FFFFFFF;
  constexpr std::uint32_t kEvents = (1u << 20) + 16;
  const Bytes gap = vlq(kLongest);
  Bytes first = join({gap, {0xC0, 0x01}});
  Bytes second = join({gap, {0xC1, 0x02}});
  for (std::uint32_t i = 1; i < kEvents; ++i) {
    first.insert(first.end(), gap.begin(), gap.end());
    first.push_back(0x01);
    second.insert(second.end(), gap.begin(), gap.end());
    second.push_back(0x02);
  }
  SmfFile file;
  ASSERT_EQ(file.load(join({header(1, 2, 96), track(first), track(second)})), LoadResult::kOk);
  file.rewind();
  MidiEvent e;
  std::uint32_t read = 0;
  while (file.readEvent(e)) {
    const bool lower = read % 2 == 0;
    if (e.delta != (lower ? kLongest : 0) || e.channel != (lower ? 0 : 1)) {
      FAIL() << "event " << read << ": " << describe(e);
    }
    ++read;
  }
  EXPECT_EQ(read, 2 * kEvents);
}

// A random file with many tracks against a plain merge: sort every event by
// absolute time, ties by track, and compare the delivered streams.
TEST(SmfRead, MatchesAPlainMergeOfManyTracks) {
  std::minstd_rand random(20240607);
  constexpr int kTracks = 37;
  struct Placed {
    std::uint64_t time;
    int track;
    int index;
    std::uint8_t note;
  };
  std::vector<Placed> all;
  Bytes image = header(1, kTracks, 96);
  for (int t = 0; t < kTracks; ++t) {
    Bytes data;
    std::uint64_t time = 0;
    const int events = static_cast<int>(random() % 40);
    for (int i = 0; i < events; ++i) {
      // Small deltas make ties common; an occasional long one crosses others.
      const auto delta = static_cast<std::uint32_t>(random() % 8 == 0 ? random() % 5000 : random() % 3);
      time += delta;
      const auto note = static_cast<std::uint8_t>(random() % 128);
      data = join({data, vlq(delta), {static_cast<std::uint8_t>(0x90 | (t % 16)), note, 0x40}});
      all.push_back({time, t, i, note});
    }
    image = join({image, track(data)});
  }
  std::stable_sort(all.begin(), all.end(), [](const Placed& a, const Placed& b) {
    return a.time < b.time || (a.time == b.time && a.track < b.track);
  });
  std::vector<std::string> expected;
  std::uint64_t now = 0;
  for (const Placed& p : all) {
    expected.push_back("+" + std::to_string(p.time - now) + " 90 ch" + std::to_string(p.track % 16) + " " +
                       std::to_string(p.note) + " 64");
    now = p.time;
  }

  SmfFile file;
  ASSERT_EQ(file.load(image), LoadResult::kOk);
  EXPECT_EQ(file.eventCount(), all.size());
  file.rewind();
  EXPECT_EQ(readAll(file), expected);
}

}  // namespace
}  // namespace murvane
