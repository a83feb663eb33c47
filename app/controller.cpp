#include "app/controller.h"

namespace murvane {

ControllerState stateOf(const ControllerView& view) {
  if (view.playing) return view.outputIsMidiOut ? ControllerState::kTestPlaying : ControllerState::kPlayingToKeys;
  return view.midiInputOpen ? ControllerState::kMidiInput : ControllerState::kIdle;
}

StatusTexts statusTextsOf(const ControllerView& view) {
  if (view.waitingForModifiers) return {IDS_WAITING_MODIFIER_KEYS, IDS_TEST_MIDI_FILE};
  switch (stateOf(view)) {
    case ControllerState::kPlayingToKeys:
      if (view.pausedByUser) return {IDS_PAUSED, IDS_TEST_MIDI_FILE};
      if (view.paused) return {IDS_PAUSED_OTHER_WINDOW, IDS_TEST_MIDI_FILE};
      if (view.keysBlocked) return {IDS_PLAYING_KEYS_BLOCKED, IDS_TEST_MIDI_FILE};
      if (view.changedSpeed != 0) return {IDS_PLAYING_SPEED, IDS_TEST_MIDI_FILE, view.changedSpeed};
      return {IDS_PLAYING, IDS_TEST_MIDI_FILE};
    case ControllerState::kTestPlaying:
      if (view.pausedByUser) return {IDS_PAUSED, IDS_STOP};
      return {IDS_TEST_PLAYING, IDS_STOP};
    case ControllerState::kMidiInput:
      if (view.paused) return {IDS_MIDI_INPUT_PAUSED_OTHER_WINDOW, IDS_TEST_MIDI_FILE};
      return {view.keysBlocked ? IDS_MIDI_INPUT_KEYS_BLOCKED : IDS_MIDI_INPUT_ACTIVE, IDS_TEST_MIDI_FILE};
    case ControllerState::kIdle:
      break;
  }
  return {IDS_STOPPED, IDS_TEST_MIDI_FILE};
}

Plan planFor(Event event, const ControllerView& view, bool playerExists) {
  using enum Step;
  if (!playerExists) return {};
  const ControllerState state = stateOf(view);
  switch (event) {
    case Event::kPlayStopHotkey:
      switch (state) {
        case ControllerState::kIdle: return {kPlayToKeyboard, kRefreshStatus};
        case ControllerState::kPlayingToKeys: return {kStopPlayer, kRefreshStatus};
        case ControllerState::kTestPlaying: return {kPlayToKeyboard, kRefreshStatus};
        case ControllerState::kMidiInput: return {kCloseMidiInput, kPlayToKeyboard, kRefreshStatus};
      }
      break;
    case Event::kTestButton:
      switch (state) {
        case ControllerState::kIdle: return {kPlayToMidiOut, kRefreshStatus};
        case ControllerState::kPlayingToKeys: return {kPlayToMidiOut, kRefreshStatus};
        case ControllerState::kTestPlaying: return {kStopPlayer, kRefreshStatus};
        case ControllerState::kMidiInput: return {kCloseMidiInput, kPlayToMidiOut, kRefreshStatus};
      }
      break;
    case Event::kMidiInputHotkey:
      switch (state) {
        case ControllerState::kIdle: return {kOpenMidiInput, kRefreshStatus};
        case ControllerState::kPlayingToKeys:
        case ControllerState::kTestPlaying: return {kStopPlayer, kOpenMidiInput, kRefreshStatus};
        case ControllerState::kMidiInput: return {kCloseMidiInput, kRefreshStatus};
      }
      break;
    case Event::kAllStopHotkey:
      switch (state) {
        case ControllerState::kIdle: return {};
        case ControllerState::kPlayingToKeys:
        case ControllerState::kTestPlaying: return {kStopPlayer, kRefreshStatus};
        case ControllerState::kMidiInput: return {kCloseMidiInput, kRefreshStatus};
      }
      break;
    // All three refresh before the window opens or the load begins, never after:
    // the load shows its own outcome in the file label.
    case Event::kKeyConfigButton:
      return {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenKeyConfig};
    case Event::kOptionsMenu:
      return {kStopPlayer, kCloseMidiInput, kRefreshStatus, kOpenOptions};
    case Event::kFileDropped:
      return {kStopPlayer, kCloseMidiInput, kRefreshStatus, kLoadDroppedFile};
    case Event::kPlaybackEnded:
      return {kRefreshStatus};
    // Only a song that plays is controlled; in MIDI input, or before the
    // song has started for the modifier keys still held, they do nothing.
    case Event::kPauseHotkey:
    case Event::kSeekBackHotkey:
    case Event::kSeekForwardHotkey:
    case Event::kSlowerHotkey:
    case Event::kFasterHotkey: {
      if (view.waitingForModifiers) return {};
      if (state != ControllerState::kPlayingToKeys && state != ControllerState::kTestPlaying) return {};
      static constexpr Step kControlSteps[] = {kTogglePause, kSeekBack, kSeekForward, kSlower, kFaster};
      const auto control = static_cast<std::size_t>(event) - static_cast<std::size_t>(Event::kPauseHotkey);
      return {kControlSteps[control], kRefreshStatus};
    }
    // As the control hotkeys, but stopped too: Next loads the next song.
    case Event::kNextHotkey:
    case Event::kPreviousHotkey:
      if (state == ControllerState::kMidiInput) return {};
      return {event == Event::kNextHotkey ? kNextSong : kPreviousSong, kRefreshStatus};
  }
  return {};
}

std::int32_t loadFailureMessage(LoadResult loadResult) {
  switch (loadResult) {
    case LoadResult::kOpenFailed: return IDS_ERROR_OPEN_FILE;
    case LoadResult::kTooLarge: return IDS_ERROR_FILE_TOO_LARGE;
    case LoadResult::kReadFailed: return IDS_ERROR_READ_FILE;
    case LoadResult::kIllegal: return IDS_ERROR_ILLEGAL_SMF;
    case LoadResult::kUnsupported: return IDS_ERROR_UNSUPPORTED_SMF;
    case LoadResult::kOk: break;
  }
  return 0;
}

std::int32_t midiInputFailureMessage(MidiInputResult openResult) {
  switch (openResult) {
    case MidiInputResult::kNoDevice: return IDS_ERROR_MIDI_INPUT_NOT_FOUND;
    case MidiInputResult::kError: return IDS_ERROR_MIDI_INPUT;
    case MidiInputResult::kOk: break;
  }
  return 0;
}

std::wstring_view fileNameWithoutFolder(std::wstring_view path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator != std::wstring_view::npos) return path.substr(separator + 1);
  if (path.size() >= 2 && path[1] == L':') return path.substr(2);
  return path;
}

}  // namespace murvane
