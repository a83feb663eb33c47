#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/controller.h"
#include "app/error_reporter.h"
#include "app/focus_guard_win32.h"
#include "app/hotkeys.h"
#include "app/options_form.h"
#include "app/target_integrity.h"
#include "app/window_win32.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/key_layout.h"
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

inline constexpr wchar_t kMainWindowClass[] = L"MainWindow";
inline constexpr int kMainClientWidth = 480;
inline constexpr int kMainClientHeight = 122;
inline constexpr int kKeyConfigButtonId = 100;
inline constexpr int kTestButtonId = 101;
// "Options..." in the system menu: below the system's own commands (0xF000
// and up), with the low four bits clear, as the system menu wants.
inline constexpr UINT kOptionsCommandId = 0x0110;
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

// The platform services the controller's objects work through. The
// controller owns them and destroys them after the objects that use them.
struct MainWindowServices {
  std::unique_ptr<IniStore> iniStore;
  std::unique_ptr<KeyInjector> keyInjector;
  std::unique_ptr<MidiOutPort> midiOutPort;
  std::unique_ptr<MidiInPort> midiInPort;
  std::unique_ptr<IntegrityProbe> integrityProbe;  // none: keys are never shown as blocked
  std::unique_ptr<ForegroundWindows> foregroundWindows;  // none: FocusGuard is taken as 0
};

// The INI file at iniPath, SendInput, the MIDI mapper, the MIDI input devices,
// the tokens of our process and of the foreground window's, and the window
// in front.
MainWindowServices makeWin32Services(const wchar_t* iniPath);

// The application controller: the main window with its two labels, two
// buttons and "Options..." in its system menu, and the objects that do the
// work. Everything runs on the thread
// that constructs it, which must run a message loop.
//
// The process-wide values (instance, strings, brush) must be set up before
// construction and outlive the object.
class MainWindow final : public Window, public HotkeyControl, private ErrorReporter {
 public:
  // Registers the window class (once per process) and loads the bindings;
  // makes no window yet.
  MainWindow(HINSTANCE instance, MainWindowServices services);
  // Closes the window first if it still exists. Then MIDI input is closed,
  // and the MIDI output, the keyboard (releasing every key still down) and
  // the bindings are destroyed, in that order.
  ~MainWindow();

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its controls, registers the hotkeys, makes the
  // player and loads the file named first on the command line. False if it
  // ran before or a window could not be made; the user has been told then,
  // and a window that was made has been closed again (this runs the thread's
  // messages until the quit message).
  bool init();
  // The same with the file given; null for none.
  bool init(const wchar_t* commandLineFile);

  void refreshStatus();

  void registerHotkeys() override;
  void unregisterHotkeys() override;


 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  bool createControls();
  void addOptionsToSystemMenu();
  void failAfterWindow();
  void close();

  ControllerView view() const;
  // droppedFile is only used by the load step.
  void run(Event event, const std::wstring& droppedFile = {});
  void take(Step step, const std::wstring& droppedFile);
  void onDropFiles(HDROP drop);
  void openKeyConfig();
  void openOptions();
  std::optional<KeyLayout> chosenLayout(const PlayOptions& options) const;
  std::vector<LayoutChoice> offeredLayouts() const;
  void loadDroppedFile(const std::wstring& path);
  void showFileTitle(const std::wstring& path);
  bool keysBlockedNow();
  // The focus guard, engaged on the window now in front, when the options
  // ask for it; else none.
  TargetGate* guardFor(const PlayOptions& options);
  // Whether the hook and the timer tell us of the window in front.
  void watchTarget(bool on);
  void followTarget();

  void showError(std::int32_t stringId) override;

  bool initialised_ = false;
  HINSTANCE instance_;
  HWND fileLabel_ = nullptr;
  HWND statusLabel_ = nullptr;
  HWND keyConfigButton_ = nullptr;
  HWND testButton_ = nullptr;
  RegisteredHotkeys registeredHotkeys_{};
  bool keysBlocked_ = false;  // as the probe found it at the last start to keys
  bool fileLoaded_ = false;   // the last load succeeded: a failed one leaves nothing loaded
  StatusTexts shownTexts_{0, 0};
  NoteCounts noteCounts_;  // of the file loaded last, counted when it was loaded

  MainWindowServices services_;
  std::unique_ptr<HotkeyRegistrar> hotkeyRegistrar_;
  std::unique_ptr<BindingTable> bindings_;
  std::unique_ptr<KeyboardSynthesizer> keyboard_;
  std::unique_ptr<MidiSynthesizer> midiOut_;
  std::unique_ptr<Player> player_;  // from init until the close request
  std::unique_ptr<Clock> liveClock_;
  std::unique_ptr<LiveKeyOutput> liveKeys_;  // between MIDI input and the keyboard
  std::unique_ptr<MidiInput> midiIn_;
  std::unique_ptr<FocusGuard> focusGuard_;  // none without the foreground service
  std::unique_ptr<ForegroundHook> foregroundHook_;  // while the guard watches
};

}  // namespace murvane
