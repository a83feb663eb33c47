#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "output/midi_input_result.h"
#include "res/resource.h"
#include "smf/smf_load_result.h"

namespace murvane {

// The main window's decisions, kept apart from the window: which steps each
// user action or notice takes in each state, and which texts show the state.
// The window decodes its messages into an Event, reads the three values that
// make up its state, and carries out the Plan in order.

// The state is never stored: it is read each time from these.
struct ControllerView {
  bool playing = false;          // the player's playing flag
  bool outputIsMidiOut = false;  // the player's current output is the MIDI synthesizer
  bool midiInputOpen = false;
  // The target's integrity level was above ours when playback to keys or
  // MIDI input started (see target_integrity.h); other states ignore it.
  bool keysBlocked = false;
  // The focus guard holds playback to keys or MIDI input while another
  // window is in front; other states ignore it. It outranks keysBlocked:
  // no key is sent at all.
  bool paused = false;
  // The user paused the playback (it shows "Paused", whatever the guard says).
  bool pausedByUser = false;
  // The playback's speed in percent while it differs from the one it
  // started with; 0 otherwise.
  int changedSpeed = 0;
  // Playback to keys or MIDI input has been asked for and starts once no
  // modifier key is held; the state is that of the source waited for.
  bool waitingForModifiers = false;
};

enum class ControllerState : std::uint8_t { kIdle, kPlayingToKeys, kTestPlaying, kMidiInput };

// Playing wins over an open MIDI input, which the handlers never leave together.
ControllerState stateOf(const ControllerView& view);

struct StatusTexts {
  std::int32_t status;      // statusLabel
  std::int32_t testButton;  // testButton
  int speed = 0;            // the %1 of IDS_PLAYING_SPEED; 0 for the other texts

  bool operator==(const StatusTexts&) const = default;
};

StatusTexts statusTextsOf(const ControllerView& view);

enum class Event : std::uint8_t {
  kPlayStopHotkey,   // hotkey 100
  kMidiInputHotkey,  // hotkey 101
  kAllStopHotkey,    // hotkey 102
  kTestButton,       // control 101
  kKeyConfigButton,  // control 100
  kOptionsMenu,      // "Options..." in the system menu
  kFileDropped,
  kPlaybackEnded,  // WM_APP from the player's worker
  kPauseHotkey,        // hotkey 103
  kSeekBackHotkey,     // hotkey 104
  kSeekForwardHotkey,  // hotkey 105
  kSlowerHotkey,       // hotkey 106
  kFasterHotkey,       // hotkey 107
  kNextHotkey,         // hotkey 108
  kPreviousHotkey,     // hotkey 109
};

enum class Step : std::uint8_t {
  kStopPlayer,
  kCloseMidiInput,   // does nothing when it is closed
  kPlayToKeyboard,   // the player's start with the keyboard; not starting is no error
  kPlayToMidiOut,    // the same with the MIDI synthesizer
  kOpenMidiInput,    // reports a failure to the user
  kRefreshStatus,
  kOpenKeyConfig,    // runs the key configuration window modally
  kOpenOptions,      // runs the Options window modally
  kLoadDroppedFile,  // shows the title, or "Please set file." and the error
  // Control the playing song (to keys or in the test) and do nothing else.
  kTogglePause,  // the user's pause, or its resume
  kSeekBack,     // by SeekStep seconds of the song
  kSeekForward,
  kSlower,  // by 10 percentage points
  kFaster,
  // Move through the queue: the song found is loaded and plays as the one
  // before did (to keys, in the test, or not at all); none stops.
  kNextSong,
  kPreviousSong,
};

// The steps of one event, in the order they are taken.
class Plan {
 public:
  static constexpr std::size_t kCapacity = 4;

  constexpr Plan() = default;
  constexpr Plan(std::initializer_list<Step> steps) {
    for (Step step : steps) steps_[size_++] = step;
  }

  const Step* begin() const { return steps_.data(); }
  const Step* end() const { return steps_.data() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  std::array<Step, kCapacity> steps_{};
  std::size_t size_ = 0;
};

// playerExists is false only while start-up shows a message box before the
// player is made: everything is ignored then, since every step needs it.
Plan planFor(Event event, const ControllerView& view, bool playerExists = true);

// The message for a failed load, or 0 for none.
std::int32_t loadFailureMessage(LoadResult loadResult);
// The message for a failed MidiInput::open, or 0 for none.
std::int32_t midiInputFailureMessage(MidiInputResult openResult);

// The last component of a path, with either kind of separator and a drive
// prefix ("C:song.mid") taken off: how a file is named where the platform
// cannot give its title.
std::wstring_view fileNameWithoutFolder(std::wstring_view path);

}  // namespace murvane
