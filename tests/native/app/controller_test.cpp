#include "app/controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace murvane {
namespace {

using enum Step;

constexpr ControllerView kIdle{};
constexpr ControllerView kPlayingToKeys{.playing = true};
constexpr ControllerView kTestPlaying{.playing = true, .outputIsMidiOut = true};
constexpr ControllerView kMidiInput{.midiInputOpen = true};
// Stopped after a test: the player still names the MIDI synthesizer.
constexpr ControllerView kIdleAfterTest{.outputIsMidiOut = true};

std::vector<Step> steps(const Plan& plan) { return {plan.begin(), plan.end()}; }

struct TextCase {
  const char* name;
  ControllerView view;
  ControllerState state;
  std::int32_t status;
  std::int32_t testButton;
};

class StatusTextsTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(StatusTextsTest, EachStateShowsItsTwoTexts) {
  const TextCase& c = GetParam();
  EXPECT_EQ(stateOf(c.view), c.state);
  const StatusTexts texts = statusTextsOf(c.view);
  EXPECT_EQ(texts.status, c.status);
  EXPECT_EQ(texts.testButton, c.testButton);
  EXPECT_EQ(texts.speed, c.status == IDS_PLAYING_SPEED ? c.view.changedSpeed : 0);
}

INSTANTIATE_TEST_SUITE_P(
    States, StatusTextsTest,
    ::testing::Values(
        TextCase{"Idle", kIdle, ControllerState::kIdle, IDS_STOPPED, IDS_TEST_MIDI_FILE},
        TextCase{"IdleAfterTest", kIdleAfterTest, ControllerState::kIdle, IDS_STOPPED, IDS_TEST_MIDI_FILE},
        TextCase{"PlayingToKeys", kPlayingToKeys, ControllerState::kPlayingToKeys, IDS_PLAYING, IDS_TEST_MIDI_FILE},
        TextCase{"TestPlaying", kTestPlaying, ControllerState::kTestPlaying, IDS_TEST_PLAYING, IDS_STOP},
        TextCase{"MidiInput", kMidiInput, ControllerState::kMidiInput, IDS_MIDI_INPUT_ACTIVE, IDS_TEST_MIDI_FILE},
        TextCase{"MidiInputAfterTest", {.outputIsMidiOut = true, .midiInputOpen = true}, ControllerState::kMidiInput,
                 IDS_MIDI_INPUT_ACTIVE, IDS_TEST_MIDI_FILE},
        // Never left so by the handlers; the playing flag decides.
        TextCase{"PlayingWinsOverMidiInput", {.playing = true, .midiInputOpen = true}, ControllerState::kPlayingToKeys,
                 IDS_PLAYING, IDS_TEST_MIDI_FILE},
        // Keys blocked by an elevated target change only the two states that type keys.
        TextCase{"PlayingToKeysBlocked", {.playing = true, .keysBlocked = true}, ControllerState::kPlayingToKeys,
                 IDS_PLAYING_KEYS_BLOCKED, IDS_TEST_MIDI_FILE},
        TextCase{"MidiInputBlocked", {.midiInputOpen = true, .keysBlocked = true}, ControllerState::kMidiInput,
                 IDS_MIDI_INPUT_KEYS_BLOCKED, IDS_TEST_MIDI_FILE},
        TextCase{"TestPlayingLeftBlocked", {.playing = true, .outputIsMidiOut = true, .keysBlocked = true},
                 ControllerState::kTestPlaying, IDS_TEST_PLAYING, IDS_STOP},
        TextCase{"IdleLeftBlocked", {.keysBlocked = true}, ControllerState::kIdle, IDS_STOPPED, IDS_TEST_MIDI_FILE},
        // The focus guard holding keys back: no key goes out, blocked or not.
        TextCase{"PlayingToKeysPaused", {.playing = true, .keysBlocked = true, .paused = true},
                 ControllerState::kPlayingToKeys, IDS_PAUSED_OTHER_WINDOW, IDS_TEST_MIDI_FILE},
        TextCase{"MidiInputPaused", {.midiInputOpen = true, .paused = true}, ControllerState::kMidiInput,
                 IDS_MIDI_INPUT_PAUSED_OTHER_WINDOW, IDS_TEST_MIDI_FILE},
        TextCase{"TestPlayingLeftPaused", {.playing = true, .outputIsMidiOut = true, .paused = true},
                 ControllerState::kTestPlaying, IDS_TEST_PLAYING, IDS_STOP},
        TextCase{"IdleLeftPaused", {.paused = true}, ControllerState::kIdle, IDS_STOPPED, IDS_TEST_MIDI_FILE},
        // The user's pause outranks the guard's; a changed speed shows only while playing to keys freely.
        TextCase{"PausedByUser", {.playing = true, .paused = true, .pausedByUser = true, .changedSpeed = 120},
                 ControllerState::kPlayingToKeys, IDS_PAUSED, IDS_TEST_MIDI_FILE},
        TextCase{"TestPausedByUser", {.playing = true, .outputIsMidiOut = true, .paused = true, .pausedByUser = true},
                 ControllerState::kTestPlaying, IDS_PAUSED, IDS_STOP},
        TextCase{"PlayingAtAChangedSpeed", {.playing = true, .changedSpeed = 120}, ControllerState::kPlayingToKeys,
                 IDS_PLAYING_SPEED, IDS_TEST_MIDI_FILE},
        TextCase{"TestAtAChangedSpeed", {.playing = true, .outputIsMidiOut = true, .changedSpeed = 80},
                 ControllerState::kTestPlaying, IDS_TEST_PLAYING, IDS_STOP},
        TextCase{"KeysWaitForModifiers", {.playing = true, .waitingForModifiers = true},
                 ControllerState::kPlayingToKeys, IDS_WAITING_MODIFIER_KEYS, IDS_TEST_MIDI_FILE},
        TextCase{"MidiInputWaitsForModifiers", {.midiInputOpen = true, .waitingForModifiers = true},
                 ControllerState::kMidiInput, IDS_WAITING_MODIFIER_KEYS, IDS_TEST_MIDI_FILE}),
    [](const auto& param) { return std::string(param.param.name); });

struct PlanCase {
  const char* name;
  Event event;
  ControllerView view;
  std::vector<Step> steps;
};

class StateTableTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(StateTableTest, EventTakesTheStepsOfItsCell) {
  const PlanCase& c = GetParam();
  EXPECT_EQ(steps(planFor(c.event, c.view)), c.steps);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, StateTableTest,
    ::testing::Values(
        PlanCase{"PlayStopInIdlePlaysToKeys", Event::kPlayStopHotkey, kIdle, {kPlayToKeyboard, kRefreshStatus}},
        PlanCase{"PlayStopAfterTestPlaysToKeys", Event::kPlayStopHotkey, kIdleAfterTest,
                 {kPlayToKeyboard, kRefreshStatus}},
        PlanCase{"PlayStopWhilePlayingStops", Event::kPlayStopHotkey, kPlayingToKeys, {kStopPlayer, kRefreshStatus}},
        PlanCase{"PlayStopWhileTestingRestartsOnKeys", Event::kPlayStopHotkey, kTestPlaying,
                 {kPlayToKeyboard, kRefreshStatus}},
        PlanCase{"PlayStopInMidiInputClosesItThenPlays", Event::kPlayStopHotkey, kMidiInput,
                 {kCloseMidiInput, kPlayToKeyboard, kRefreshStatus}},

        PlanCase{"TestInIdlePlaysToMidiOut", Event::kTestButton, kIdle, {kPlayToMidiOut, kRefreshStatus}},
        PlanCase{"TestWhilePlayingRestartsOnMidiOut", Event::kTestButton, kPlayingToKeys,
                 {kPlayToMidiOut, kRefreshStatus}},
        PlanCase{"TestWhileTestingStops", Event::kTestButton, kTestPlaying, {kStopPlayer, kRefreshStatus}},
        PlanCase{"TestInMidiInputClosesItThenPlays", Event::kTestButton, kMidiInput,
                 {kCloseMidiInput, kPlayToMidiOut, kRefreshStatus}},

        PlanCase{"MidiInputInIdleOpensIt", Event::kMidiInputHotkey, kIdle, {kOpenMidiInput, kRefreshStatus}},
        PlanCase{"MidiInputWhilePlayingStopsThenOpens", Event::kMidiInputHotkey, kPlayingToKeys,
                 {kStopPlayer, kOpenMidiInput, kRefreshStatus}},
        PlanCase{"MidiInputWhileTestingStopsThenOpens", Event::kMidiInputHotkey, kTestPlaying,
                 {kStopPlayer, kOpenMidiInput, kRefreshStatus}},
        PlanCase{"MidiInputInMidiInputClosesIt", Event::kMidiInputHotkey, kMidiInput,
                 {kCloseMidiInput, kRefreshStatus}},

        PlanCase{"AllStopInIdleDoesNothingAtAll", Event::kAllStopHotkey, kIdle, {}},
        PlanCase{"AllStopWhilePlayingStops", Event::kAllStopHotkey, kPlayingToKeys, {kStopPlayer, kRefreshStatus}},
        PlanCase{"AllStopWhileTestingStops", Event::kAllStopHotkey, kTestPlaying, {kStopPlayer, kRefreshStatus}},
        PlanCase{"AllStopInMidiInputClosesIt", Event::kAllStopHotkey, kMidiInput, {kCloseMidiInput, kRefreshStatus}},

        PlanCase{"KeyConfigInIdleRefreshesBeforeOpening", Event::kKeyConfigButton, kIdle,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenKeyConfig}},
        PlanCase{"KeyConfigWhilePlayingStopsFirst", Event::kKeyConfigButton, kPlayingToKeys,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenKeyConfig}},
        PlanCase{"KeyConfigWhileTestingStopsFirst", Event::kKeyConfigButton, kTestPlaying,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenKeyConfig}},
        PlanCase{"KeyConfigInMidiInputClosesItFirst", Event::kKeyConfigButton, kMidiInput,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenKeyConfig}},

        PlanCase{"OptionsInIdleRefreshesBeforeOpening", Event::kOptionsMenu, kIdle,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenOptions}},
        PlanCase{"OptionsWhilePlayingStopsFirst", Event::kOptionsMenu, kPlayingToKeys,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenOptions}},
        PlanCase{"OptionsWhileTestingStopsFirst", Event::kOptionsMenu, kTestPlaying,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenOptions}},
        PlanCase{"OptionsInMidiInputClosesItFirst", Event::kOptionsMenu, kMidiInput,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenOptions}},

        PlanCase{"DropInIdleRefreshesBeforeLoading", Event::kFileDropped, kIdle,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kLoadDroppedFile}},
        PlanCase{"DropWhilePlayingStopsFirst", Event::kFileDropped, kPlayingToKeys,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kLoadDroppedFile}},
        PlanCase{"DropWhileTestingStopsFirst", Event::kFileDropped, kTestPlaying,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kLoadDroppedFile}},
        PlanCase{"DropInMidiInputClosesItFirst", Event::kFileDropped, kMidiInput,
                 {kStopPlayer, kCloseMidiInput, kRefreshStatus, kLoadDroppedFile}},

        PlanCase{"PlaybackEndedInIdleRefreshes", Event::kPlaybackEnded, kIdle, {kRefreshStatus}},
        PlanCase{"PlaybackEndedWhilePlayingRefreshes", Event::kPlaybackEnded, kPlayingToKeys, {kRefreshStatus}},
        PlanCase{"PlaybackEndedWhileTestingRefreshes", Event::kPlaybackEnded, kTestPlaying, {kRefreshStatus}},
        PlanCase{"PlaybackEndedInMidiInputRefreshes", Event::kPlaybackEnded, kMidiInput, {kRefreshStatus}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(StateTable, NoStepEverPlaysWhileMidiInputStaysOpen) {
  for (ControllerView view : {kIdle, kPlayingToKeys, kTestPlaying, kMidiInput, kIdleAfterTest}) {
    for (Event event : {Event::kPlayStopHotkey, Event::kMidiInputHotkey, Event::kAllStopHotkey, Event::kTestButton,
                        Event::kKeyConfigButton, Event::kOptionsMenu, Event::kFileDropped,
                        Event::kPlaybackEnded}) {
      bool open = view.midiInputOpen;
      bool playing = view.playing;
      for (Step step : planFor(event, view)) {
        if (step == kCloseMidiInput) open = false;
        if (step == kOpenMidiInput) {
          EXPECT_FALSE(playing) << "opened while playing";
          open = true;
        }
        if (step == kStopPlayer) playing = false;
        if (step == kPlayToKeyboard || step == kPlayToMidiOut) {
          EXPECT_FALSE(open) << "played while MIDI input was open";
          playing = true;
        }
      }
    }
  }
}

// F11, F10 and F12 (and everything else) do while paused what they did before.
TEST(StateTable, PausedByTheFocusGuardEveryEventTakesTheSameSteps) {
  for (ControllerView view : {kPlayingToKeys, kMidiInput}) {
    ControllerView paused = view;
    paused.paused = true;
    for (Event event : {Event::kPlayStopHotkey, Event::kMidiInputHotkey, Event::kAllStopHotkey, Event::kTestButton,
                        Event::kKeyConfigButton, Event::kOptionsMenu, Event::kFileDropped, Event::kPlaybackEnded}) {
      EXPECT_EQ(steps(planFor(event, paused)), steps(planFor(event, view)));
    }
  }
}

// Each control hotkey takes its one step while a song plays and nothing
// else, in MIDI input, idle or a start still waiting for the modifier keys
// nothing at all.
TEST(StateTable, ControlHotkeysControlOnlyAPlayingSong) {
  const std::pair<Event, Step> controls[] = {{Event::kPauseHotkey, kTogglePause}, {Event::kSeekBackHotkey, kSeekBack},
      {Event::kSeekForwardHotkey, kSeekForward}, {Event::kSlowerHotkey, kSlower}, {Event::kFasterHotkey, kFaster}};
  for (const auto& [event, step] : controls) {
    for (ControllerView view : {kPlayingToKeys, kTestPlaying, ControllerView{.playing = true, .paused = true}}) {
      EXPECT_EQ(steps(planFor(event, view)), (std::vector<Step>{step, kRefreshStatus}));
    }
    for (ControllerView view : {kIdle, kMidiInput, kIdleAfterTest,
                                ControllerView{.playing = true, .waitingForModifiers = true}}) {
      EXPECT_TRUE(planFor(event, view).empty());
    }
  }
  // The queue's move even when stopped, never in MIDI input.
  for (const auto& [event, step] : {std::pair{Event::kNextHotkey, kNextSong}, {Event::kPreviousHotkey, kPreviousSong}}) {
    for (ControllerView view : {kPlayingToKeys, kTestPlaying, kIdle, kIdleAfterTest}) {
      EXPECT_EQ(steps(planFor(event, view)), (std::vector<Step>{step, kRefreshStatus}));
    }
    EXPECT_TRUE(planFor(event, kMidiInput).empty());
  }
}

TEST(StateTable, EveryInputBeforeThePlayerExistsIsIgnored) {
  for (Event event : {Event::kPlayStopHotkey, Event::kMidiInputHotkey, Event::kAllStopHotkey, Event::kTestButton,
                      Event::kKeyConfigButton, Event::kOptionsMenu, Event::kFileDropped, Event::kPlaybackEnded}) {
    EXPECT_TRUE(planFor(event, kIdle, /*playerExists=*/false).empty());
  }
}

// A value outside the names (a code no loader returns) shows nothing either.
LoadResult unnamedLoadResult(int code) { return static_cast<LoadResult>(code); }

TEST(FailureMessages, EveryFailedLoadHasItsMessageSuccessAndOthersNone) {
  const std::vector<std::pair<LoadResult, std::int32_t>> cases = {
      {unnamedLoadResult(-1), 0},
      {LoadResult::kOk, 0},
      {LoadResult::kOpenFailed, IDS_ERROR_OPEN_FILE},
      {LoadResult::kTooLarge, IDS_ERROR_FILE_TOO_LARGE},
      {LoadResult::kReadFailed, IDS_ERROR_READ_FILE},
      {LoadResult::kIllegal, IDS_ERROR_ILLEGAL_SMF},
      {LoadResult::kUnsupported, IDS_ERROR_UNSUPPORTED_SMF},
      {unnamedLoadResult(6), 0}};
  for (auto [code, message] : cases) {
    EXPECT_EQ(loadFailureMessage(code), message) << "load result " << static_cast<int>(code);
  }
}

TEST(FailureMessages, EveryFailedMidiInputOpenHasItsMessageSuccessAndOthersNone) {
  EXPECT_EQ(midiInputFailureMessage(MidiInputResult::kOk), 0);
  EXPECT_EQ(midiInputFailureMessage(MidiInputResult::kNoDevice), IDS_ERROR_MIDI_INPUT_NOT_FOUND);
  EXPECT_EQ(midiInputFailureMessage(MidiInputResult::kError), IDS_ERROR_MIDI_INPUT);
  EXPECT_EQ(midiInputFailureMessage(static_cast<MidiInputResult>(3)), 0);
}

TEST(FileName, FolderAndDriveAreTakenOff) {
  const std::vector<std::pair<std::wstring_view, std::wstring_view>> cases = {
      {L"C:\\Music\\Ode to Joy.mid", L"Ode to Joy.mid"},
      {L"C:/Music/song.mid", L"song.mid"},
      {L"\\\\server\\share\\a\\b.mid", L"b.mid"},
      {L"C:song.mid", L"song.mid"},
      {L"song.mid", L"song.mid"},
      {L"C:\\Music\\", L""},
      {L"", L""},
  };
  for (auto [path, name] : cases) EXPECT_EQ(fileNameWithoutFolder(path), name);
}

}  // namespace
}  // namespace murvane
