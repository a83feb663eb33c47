#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controller.h"
#include "app/error_reporter.h"
#include "app/focus_guard_win32.h"
#include "app/hotkeys.h"
#include "app/modifier_keys.h"
#include "app/options_form.h"
#include "app/target_integrity.h"
#include "app/taskbar_progress.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_layout.h"
#include "keyplan/note_counts.h"
#include "options/play_options.h"
#include "output/key_injector.h"
#include "output/keyboard_synthesizer.h"
#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "output/midi_out_port.h"
#include "output/midi_synthesizer.h"
#include "playback/clock.h"
#include "playback/live_key_output.h"
#include "playback/player.h"
#include "playback/song_files.h"
#include "playback/song_queue.h"

namespace murvane {

// Posted by the player's worker when playback has ended.
inline constexpr UINT kPlaybackEndedMessage = WM_APP;
// Posted by the foreground hook while the focus guard watches.
inline constexpr UINT kForegroundChangedMessage = WM_APP + 1;
// While the focus guard watches: a target closed while away brings no
// window in front, so no hook call tells of it; and under Wine 8 we saw
// none for a window brought in front through X, where this check alone
// releases the keys and resumes.
inline constexpr UINT_PTR kTargetCheckTimerId = 1;
inline constexpr UINT kTargetCheckMillis = 100;
// While a song plays: its progress on the taskbar button.
inline constexpr UINT_PTR kProgressTimerId = 2;
inline constexpr UINT kProgressMillis = 250;
// While a start waits for the user's modifier keys to come up.
inline constexpr UINT_PTR kModifierWaitTimerId = 3;
inline constexpr UINT kModifierWaitMillis = 5;
// After a queued song's end: SongGap until the next one starts.
inline constexpr UINT_PTR kAdvanceTimerId = 4;

// The platform services the host's objects work through. The host owns
// them and destroys them after the objects that use them.
struct MainWindowServices {
  std::unique_ptr<IniStore> iniStore;
  std::unique_ptr<KeyInjector> keyInjector;
  std::unique_ptr<MidiOutPort> midiOutPort;
  std::unique_ptr<MidiInPort> midiInPort;
  std::unique_ptr<IntegrityProbe> integrityProbe;  // none: keys are never shown as blocked
  std::unique_ptr<ForegroundWindows> foregroundWindows;  // none: FocusGuard is taken as 0
  std::unique_ptr<ModifierKeys> modifierKeys;  // none: a start never waits for them
  std::unique_ptr<SongFiles> songFiles;  // none: no folder, playlist or kept queue
  std::filesystem::path keptQueue;       // the queue kept between runs; empty: none
  // Another store of the same INI file, for a thread of its own (the
  // Playlist window's); none: that thread reads no settings.
  std::function<std::unique_ptr<IniStore>()> iniReader;
};

// The INI file at iniPath, SendInput, the MIDI mapper, the MIDI input devices,
// the tokens of our process and of the foreground window's, the window in
// front, and the file system, with the queue kept in "Murvane.queue.m3u8"
// beside the INI file.
MainWindowServices makeWin32Services(const wchar_t* iniPath);

// What the host asks of the window that shows it: texts, messages and the
// two modal windows. All on the GUI thread.
class HostWindow : public ErrorReporter {
 public:
  virtual void refreshStatus() = 0;
  // The same, but the texts are not rewritten while nothing has changed.
  virtual void refreshStatusIfChanged() = 0;
  // The title of the file loaded, or "Please set file." after a failed load.
  virtual void showLoaded(const std::filesystem::path& path, bool loaded) = 0;
  virtual void openKeyConfig() = 0;
  virtual void openOptions() = 0;
  // The queue or a song's state in it changed; `opened`: a queue of more
  // than one song has just been made, and the Playlist window shows itself.
  virtual void queueChanged(bool opened) = 0;

 protected:
  ~HostWindow() = default;
};

// Owns what does the work: the bindings, both synthesizers, the player, MIDI
// input, the focus guard and the hotkeys' registration; and carries out the
// steps that the controller's plan gives for each user action. The window
// only decodes messages and shows texts.
//
// Everything runs on the GUI thread but the player's worker and the MIDI
// input callback, which reach only the synthesizers.
class AppHost final : public HotkeyControl, private ErrorReporter {
 public:
  // Loads the bindings and makes the outputs and MIDI input; no player yet.
  explicit AppHost(MainWindowServices services);
  // Detaches first if still attached. Then MIDI input is closed, and the
  // MIDI output, the keyboard (releasing every key still down) and the
  // bindings are destroyed, in that order.
  ~AppHost();

  AppHost(const AppHost&) = delete;
  AppHost& operator=(const AppHost&) = delete;

  // From the window's creation on: registers the hotkeys on `window`, which
  // also gets the player's and the focus guard's notices, and makes the
  // player. `shown` must outlive the attachment.
  void attach(HWND window, HostWindow& shown);
  // The close request: the hotkeys go, the guard stops watching, and the
  // player's worker ends (a key it left down comes up when the keyboard goes).
  void detach();

  // A file named at start: loaded without a message on failure.
  void loadQuietly(const std::filesystem::path& path);
  void run(Event event, const std::wstring& droppedFile = {});

  // The queue. Every item dropped at once, or named on the command line
  // (none: the kept queue, when it holds more than one song), is queued in
  // its order (expandItems), and the first loaded as a dropped file or a
  // named one is today.
  void drop(const std::vector<std::filesystem::path>& items);
  void start(const std::vector<std::filesystem::path>& items);
  // The SongGap timer: the next song that loads plays to keys.
  void advance();
  // The Playlist window's: a song loaded as a drop loads it; songs taken out
  // of the queue (the current one too, which stays loaded); Previous, Next.
  void loadQueued(std::size_t index);
  void removeQueued(std::vector<std::size_t> indexes);
  void moveInQueue(QueueMove move);
  const std::vector<std::filesystem::path>& queue() const { return queue_; }
  std::optional<std::size_t> currentSong() const { return current_; }
  // The last load of each song that failed, by index; none: not tried, or loaded.
  std::optional<LoadResult> failureOf(std::size_t index) const;
  // Off or Queue, this run's; Song is the Loop option, which the INI file holds.
  QueueLoop queueLoop();
  bool setQueueLoop(QueueLoop loop);
  bool saveQueue(const std::filesystem::path& path);
  SongFiles* songFiles() { return services_.songFiles.get(); }
  std::unique_ptr<IniStore> iniReader() const { return services_.iniReader ? services_.iniReader() : nullptr; }
  // The current song's hash (empty when none is loaded): the name of its own settings.
  const std::wstring& songHash() const { return songHash_; }
  // The playing song's position and length, in milliseconds; 0 when none plays.
  std::uint64_t positionMillis() { return player_ ? player_->positionMillis() : 0; }
  std::uint64_t lengthMillis() { return player_ && player_->playing() ? player_->lengthMillis() : 0; }
  void seekTo(std::uint64_t millis);
  // The foreground hook's notice or the guard's timer.
  void followTarget();
  // The progress timer, and every refresh of the status: shows how far the
  // song has come on the taskbar button, and ends the timer when none plays.
  void showProgress();
  // The shell's notice that the window's taskbar button exists (again):
  // only then is the taskbar list asked for. A shell without a taskbar
  // (Wine's) never sends it, and its taskbar list is never touched.
  UINT taskbarButtonMessage() const { return taskbarButtonMessage_; }
  void taskbarButtonCreated();
  // The timer of a start that waits for the modifier keys: it starts once
  // none is held.
  void followModifiers();
  ControllerView view() const;
  // The view that the status shows; with nothing left to guard, the guard
  // stops watching the window in front.
  ControllerView statusView();

  void registerHotkeys() override;
  void unregisterHotkeys() override;

  // For the key configuration and Options windows.
  BindingTable& bindings() { return *bindings_; }
  IniStore& iniStore() { return *services_.iniStore; }
  const NoteCounts* loadedCounts() const { return fileLoaded_ ? &noteCounts_ : nullptr; }
  std::vector<LayoutChoice> offeredLayouts() const;
  std::vector<std::wstring> midiInDevices() const { return services_.midiInPort->deviceNames(); }

 private:
  // What a start types with: the options as the INI file holds them now (an
  // edit counts from the next start) and the layout they name, resolved once
  // here; a layout that neither the file nor Murvane knows plays as none
  // were named, with the key configuration's keys.
  struct Keys {
    PlayOptions options;
    std::optional<KeyLayout> layout;
    const KeyLayout* chosen() const { return layout ? &*layout : nullptr; }
  };
  Keys prepareKeys() const;

  // A note typed while the user still holds Shift, Ctrl, Alt or a Windows
  // key (the hotkey's own, as a hand lets go of it late) reaches the game
  // with that modifier: Ctrl+Q quits many. So a start to keys waits.
  enum class Waiting : std::uint8_t { kNone, kKeys, kMidiInput };
  bool waitForModifiers(Waiting source);
  void endWait(Waiting source);

  void take(Step step, const std::wstring& droppedFile);
  // How the song that plays next is played: as the one before it was.
  enum class PlayAs : std::uint8_t { kNone, kKeys, kTest };
  // Loads the songs in turn until one loads, which becomes the current one
  // and plays as asked; one that does not is marked failed in the list.
  void playFirstOf(const std::vector<std::size_t>& songs, PlayAs as);
  QueueView queueView();
  void newQueue(std::vector<std::filesystem::path> songs);
  void keepQueue();
  void endAdvance();
  void advanceIfEnded();
  void playToKeyboard(bool sameTarget = false);
  void playToMidiOut();
  void openMidiInput();
  LoadResult load(const std::filesystem::path& path);
  bool keysBlockedNow();
  // The focus guard, engaged on the window now in front, when the options
  // ask for it; else none.
  TargetGate* guardFor(const PlayOptions& options, bool sameTarget = false);
  // Whether the hook and the timer tell us of the window in front.
  void watchTarget(bool on);

  void showError(std::int32_t stringId) override;

  HWND window_ = nullptr;
  HostWindow* shown_ = nullptr;
  RegisteredHotkeys registeredHotkeys_{};
  bool keysBlocked_ = false;  // as the probe found it at the last start to keys
  Waiting waiting_ = Waiting::kNone;
  bool waitSameTarget_ = false;  // the start waited for is a queue's advance
  bool fileLoaded_ = false;   // the last load succeeded: a failed one leaves nothing loaded
  std::int64_t seekStepMillis_ = 5000;  // SeekStep of the playback's start
  NoteCounts noteCounts_;     // of the file loaded last, counted when it was loaded
  std::wstring songHash_;     // of the file loaded last, when it loaded: the name of its own settings
  std::vector<std::filesystem::path> queue_;
  std::optional<std::size_t> current_;  // into queue_: the song loaded last
  std::vector<std::optional<LoadResult>> failures_;  // by queue_ index
  bool queueLoops_ = false;   // the queue starts again after its last song (this run)
  bool advancing_ = false;    // the SongGap timer runs
  int songGapMillis_ = 2000;  // SongGap of the playback to keys started last

  MainWindowServices services_;
  std::unique_ptr<HotkeyRegistrar> hotkeyRegistrar_;
  std::unique_ptr<BindingTable> bindings_;
  std::unique_ptr<KeyboardSynthesizer> keyboard_;
  std::unique_ptr<MidiSynthesizer> midiOut_;
  std::unique_ptr<Player> player_;  // while attached
  std::unique_ptr<Clock> liveClock_;
  std::unique_ptr<LiveKeyOutput> liveKeys_;  // between MIDI input and the keyboard
  std::unique_ptr<MidiInput> midiIn_;
  std::unique_ptr<FocusGuard> focusGuard_;  // none without the foreground service
  std::unique_ptr<ForegroundHook> foregroundHook_;  // while the guard watches
  UINT taskbarButtonMessage_ = 0;
  std::unique_ptr<TaskbarProgress> taskbarProgress_;  // from the button's creation while attached
  ProgressShown shownProgress_;
};

}  // namespace murvane
