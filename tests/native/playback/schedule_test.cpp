#include "playback/schedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace murvane {
namespace {

struct TimingCase {
  const char* name;
  std::uint32_t tempo;
  std::uint16_t division;
  std::uint32_t delta;
  int repeat;
  std::uint64_t elapsedMicros;
  std::uint64_t dueMillis;
};

class ScheduleTiming : public ::testing::TestWithParam<TimingCase> {};

TEST_P(ScheduleTiming, ElapsedTimeIsExactTimeRoundedDownAndDueIsRoundedToNearest) {
  const TimingCase& c = GetParam();
  Schedule schedule;
  schedule.restart(c.division);
  schedule.play(MidiEvent{});  // a channel event: the tempo stays
  if (c.tempo != kDefaultTempo) {
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(c.tempo >> 16), static_cast<std::uint8_t>(c.tempo >> 8),
                                  static_cast<std::uint8_t>(c.tempo)};
    MidiEvent tempo{.kind = kEventMeta, .eventType = kMetaSetTempo, .length = 3, .data = bytes};
    schedule.play(tempo);
  }
  for (int i = 0; i < c.repeat; ++i) schedule.advance(c.delta);
  EXPECT_EQ(schedule.elapsedMicros(), c.elapsedMicros);
  EXPECT_EQ(schedule.dueMillis(), c.dueMillis);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScheduleTiming,
    ::testing::Values(
        TimingCase{"QuarterNoteAtDefaultTempo", kDefaultTempo, 480, 480, 1, 500000, 500},
        // Truncating every interval would give 1,041,000 us and 1041 ms.
        TimingCase{"ThousandSingleTicksDoNotDrift", kDefaultTempo, 480, 1, 1000, 1041666, 1042},
        TimingCase{"OneTickRoundsDown", kDefaultTempo, 480, 1, 1, 1041, 1},
        TimingCase{"BelowHalfAMillisecondRoundsDown", 1499, 1, 1, 1, 1499, 1},
        TimingCase{"HalfAMillisecondRoundsUp", 1500, 1, 1, 1, 1500, 2},
        TimingCase{"ThirdsAddUpToAWholeMicrosecond", 1, 3, 1, 3, 1, 0},
        TimingCase{"LongestTempoAndDeltaFitIn64Bits", 0xFFFFFF, 1, 0x0FFFFFFF, 2,
                   2ull * 0xFFFFFF * 0x0FFFFFFF, (2ull * 0xFFFFFF * 0x0FFFFFFF + 500) / 1000},
        TimingCase{"TempoZeroStopsTime", 0, 480, 480, 5, 0, 0},
        TimingCase{"DivisionZeroIsNeverDividedBy", kDefaultTempo, 0, 480, 3, 0, 0}),
    [](const ::testing::TestParamInfo<TimingCase>& param) { return param.param.name; });

MidiEvent setTempo(const std::vector<std::uint8_t>& bytes) {
  return MidiEvent{.kind = kEventMeta,
                   .eventType = kMetaSetTempo,
                   .length = static_cast<std::uint32_t>(bytes.size()),
                   .data = bytes.data()};
}

TEST(Schedule, AdvanceTellsWhetherTheEventFallsLaterThanTheOneBefore) {
  Schedule schedule;
  schedule.restart(3);
  const std::vector<std::uint8_t> oneMicro = {0, 0, 1};
  schedule.play(setTempo(oneMicro));
  EXPECT_FALSE(schedule.advance(0));
  EXPECT_FALSE(schedule.advance(1));  // 1/3 us
  EXPECT_FALSE(schedule.advance(1));  // 2/3 us
  EXPECT_TRUE(schedule.advance(1));   // 1 us
  EXPECT_EQ(schedule.elapsedMicros(), 1u);
}

TEST(Schedule, TempoChangeAppliesToTheIntervalsAfterIt) {
  Schedule schedule;
  schedule.restart(480);
  schedule.advance(480);
  const std::vector<std::uint8_t> quarterSecond = {0x03, 0xD0, 0x90};  // 250000
  EXPECT_EQ(schedule.play(setTempo(quarterSecond)), NoteAction::kNone);
  EXPECT_EQ(schedule.tempo(), 250000u);
  schedule.advance(480);
  EXPECT_EQ(schedule.elapsedMicros(), 750000u);
}

TEST(Schedule, RestartGoesBackToTimeZeroAndTheDefaultTempoAndDropsTheRemainder) {
  Schedule schedule;
  schedule.restart(480);
  const std::vector<std::uint8_t> slow = {0x0F, 0x42, 0x40};  // 1000000
  schedule.play(setTempo(slow));
  schedule.advance(1);  // 2083.33 us: a third of a microsecond carried
  schedule.restart(480);
  EXPECT_EQ(schedule.tempo(), kDefaultTempo);
  EXPECT_EQ(schedule.elapsedMicros(), 0u);
  schedule.advance(3);
  EXPECT_EQ(schedule.elapsedMicros(), 3125u);
}

TEST(Schedule, SetTempoReadsOnlyItsOwnBytes) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool applies;
    std::uint32_t tempo;
  };
  const Case cases[] = {
      {{0x07, 0xA1, 0x20}, true, 500000},
      {{0x00, 0x00, 0x00}, true, 0},
      {{0x0F, 0x42, 0x40, 0x99}, true, 1000000},  // extra bytes are not part of the tempo
      {{0x0F, 0x42}, false, 0},                   // short: ignored, nothing beyond is read
      {{}, false, 0},
  };
  for (const Case& c : cases) {
    std::uint32_t tempo = 12345;
    // Each vector holds exactly the event's bytes: a read beyond would show under ASan.
    EXPECT_EQ(tempoOf(setTempo(c.bytes), tempo), c.applies) << c.bytes.size() << " bytes";
    EXPECT_EQ(tempo, c.applies ? c.tempo : 12345u);
  }
  std::uint32_t tempo = 1;
  EXPECT_FALSE(tempoOf(MidiEvent{.kind = kEventMeta, .eventType = kMetaSetTempo, .length = 3, .data = nullptr}, tempo));
  const std::uint8_t bytes[] = {1, 2, 3};
  EXPECT_FALSE(tempoOf(MidiEvent{.kind = kEventSysex, .eventType = kMetaSetTempo, .length = 3, .data = bytes}, tempo));
  EXPECT_FALSE(tempoOf(MidiEvent{.kind = kEventMeta, .eventType = 0x58, .length = 3, .data = bytes}, tempo));
}

TEST(Schedule, ShortSetTempoLeavesTheTempoAlone) {
  Schedule schedule;
  schedule.restart(480);
  const std::vector<std::uint8_t> shortTempo = {0x00, 0x01};
  schedule.play(setTempo(shortTempo));
  schedule.advance(480);
  EXPECT_EQ(schedule.elapsedMicros(), 500000u);
}

TEST(NoteRules, OnlyChannelZeroNoteOnAndNoteOffPlay) {
  struct Case {
    const char* what;
    std::uint8_t kind, eventType, channel, data2;
    NoteAction action;
  };
  const Case cases[] = {
      {"note on", kEventChannel, 0x90, 0, 100, NoteAction::kDown},
      {"note on, velocity 1", kEventChannel, 0x90, 0, 1, NoteAction::kDown},
      {"note on, velocity 0", kEventChannel, 0x90, 0, 0, NoteAction::kUp},
      {"note off", kEventChannel, 0x80, 0, 64, NoteAction::kUp},
      {"note off, velocity 0", kEventChannel, 0x80, 0, 0, NoteAction::kUp},
      {"key pressure", kEventChannel, 0xA0, 0, 100, NoteAction::kNone},
      {"key pressure 0", kEventChannel, 0xA0, 0, 0, NoteAction::kNone},
      {"control change", kEventChannel, 0xB0, 0, 100, NoteAction::kNone},
      {"program change", kEventChannel, 0xC0, 0, 0, NoteAction::kNone},
      {"channel pressure", kEventChannel, 0xD0, 0, 100, NoteAction::kNone},
      {"pitch bend", kEventChannel, 0xE0, 0, 0x40, NoteAction::kNone},
      {"note on, channel 2", kEventChannel, 0x90, 1, 100, NoteAction::kNone},
      {"note off, channel 16", kEventChannel, 0x80, 15, 0, NoteAction::kNone},
      {"meta 0x90", kEventMeta, 0x90, 0, 100, NoteAction::kNone},
      {"sysex", kEventSysex, 0xF0, 0, 100, NoteAction::kNone},
  };
  for (const Case& c : cases) {
    MidiEvent event{.kind = c.kind, .eventType = c.eventType, .channel = c.channel, .data1 = 60, .data2 = c.data2};
    EXPECT_EQ(noteActionOf(event), c.action) << c.what;
    Schedule schedule;
    schedule.restart(480);
    EXPECT_EQ(schedule.play(event), c.action) << c.what;
  }
}

}  // namespace
}  // namespace murvane
