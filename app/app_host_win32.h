#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
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
};

// The INI file at iniPath, SendInput, the MIDI mapper, the MIDI input devices,
// the tokens of our process and of the foreground window's, and the window
// in front.
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
  void playToKeyboard();
  void playToMidiOut();
  void openMidiInput();
  LoadResult load(const std::filesystem::path& path);
  bool keysBlockedNow();
  // The focus guard, engaged on the window now in front, when the options
  // ask for it; else none.
  TargetGate* guardFor(const PlayOptions& options);
  // Whether the hook and the timer tell us of the window in front.
  void watchTarget(bool on);

  void showError(std::int32_t stringId) override;

  HWND window_ = nullptr;
  HostWindow* shown_ = nullptr;
  RegisteredHotkeys registeredHotkeys_{};
  bool keysBlocked_ = false;  // as the probe found it at the last start to keys
  Waiting waiting_ = Waiting::kNone;
  bool fileLoaded_ = false;   // the last load succeeded: a failed one leaves nothing loaded
  std::int64_t seekStepMillis_ = 5000;  // SeekStep of the playback's start
  NoteCounts noteCounts_;     // of the file loaded last, counted when it was loaded

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
