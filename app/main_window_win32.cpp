#include "app/main_window_win32.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>

#include "app/hotkeys_win32.h"
#include "app/key_bind_window_win32.h"
#include "app/options_window_win32.h"
#include "app/process_values.h"
#include "app/target_integrity_win32.h"
#include "bindings/ini_store_win32.h"
#include "options/play_options.h"
#include "output/key_injector_win32.h"
#include "output/midi_in_port_win32.h"
#include "output/midi_out_port_win32.h"
#include "res/resource.h"
#include "playback/clock_win32.h"
#include "playback/player_win32.h"
#include "playback/wake_event_win32.h"
#include "playback/load_song.h"

namespace murvane {

namespace {

constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTERIMAGE | SS_CENTER;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_CENTER;

WindowClass gMainWindowClass{kMainWindowClass, {}};

// The runtime's parsed wide arguments; the shell's parse of the command line
// where the runtime has none (a program entered through main, not wWinMain).
const wchar_t* firstCommandLineArgument() {
  if (__wargv != nullptr) return __argc > 1 ? __wargv[1] : nullptr;
  struct ShellArguments {
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
    ~ShellArguments() { LocalFree(values); }
  };
  static const ShellArguments arguments;
  return arguments.values != nullptr && arguments.count > 1 ? arguments.values[1] : nullptr;
}

void showErrorMessage(HWND owner, std::int32_t stringId) {
  showErrorMessage(owner, lookupString(stringId), &stringTable());
}

}  // namespace

MainWindowServices makeWin32Services(const wchar_t* iniPath) {
  MainWindowServices services;
  services.iniStore = makeWin32IniStore(iniPath != nullptr ? iniPath : L"");
  services.keyInjector = makeWin32KeyInjector();
  services.midiOutPort = makeWin32MidiOutPort();
  services.midiInPort = makeWin32MidiInPort();
  services.integrityProbe = makeWin32IntegrityProbe();
  services.foregroundWindows = makeWin32ForegroundWindows();
  return services;
}

MainWindow::MainWindow(HINSTANCE instance, MainWindowServices services)
    : instance_(instance), services_(std::move(services)) {
  registerClass(gMainWindowClass, instance, backgroundBrush());
  bindings_ = loadBindings(*services_.iniStore);
  keyboard_ = std::make_unique<KeyboardSynthesizer>(*bindings_, *services_.keyInjector);
  midiOut_ = std::make_unique<MidiSynthesizer>(*services_.midiOutPort);
  liveClock_ = makeWin32Clock();
  liveKeys_ = std::make_unique<LiveKeyOutput>(*keyboard_, *liveClock_, makeWin32WakeEvent());
  midiIn_ = std::make_unique<MidiInput>(*liveKeys_, *services_.midiInPort);
  if (services_.foregroundWindows) focusGuard_ = std::make_unique<FocusGuard>(*services_.foregroundWindows);
}

MainWindow::~MainWindow() {
  if (window() != nullptr) close();
  // Each goes before what it uses: the MIDI input callback drives the
  // keyboard, and the keyboard reads the bindings.
  midiIn_.reset();
  liveKeys_.reset();
  focusGuard_.reset();
  liveClock_.reset();
  midiOut_.reset();
  keyboard_.reset();
  bindings_.reset();
  services_ = {};
}

bool MainWindow::init() { return init(firstCommandLineArgument()); }

bool MainWindow::init(const wchar_t* commandLineFile) {
  if (initialised_) return false;
  initialised_ = true;

  // A window the object cannot be attached to is not created at all.
  if (!createCentred(Frame{instance_, kMainWindowClass, lookupString(IDS_APP_TITLE), kMainWindowStyle, kMainClientWidth,
                           kMainClientHeight})) {
    showErrorMessage(nullptr, IDS_ERROR_CREATE_WINDOW);
    return false;
  }
  hotkeyRegistrar_ = makeWin32HotkeyRegistrar(window());

  if (!createControls()) {
    failAfterWindow();
    return false;
  }

  addOptionsToSystemMenu();
  ShowWindow(window(), SW_SHOW);
  DragAcceptFiles(window(), TRUE);
  registerHotkeys();
  player_ = makeWin32Player(window());

  if (commandLineFile != nullptr) {
    const std::wstring path = commandLineFile;
    fileLoaded_ = loadSong(*player_, *makePlatformFileReader(), path, noteCounts_) == LoadResult::kOk;
    if (fileLoaded_) showFileTitle(path);
  }
  refreshStatus();
  return true;
}

bool MainWindow::createControls() {
  const auto make = [this](const wchar_t* className, const wchar_t* text, int x, int y, int width, int id,
                           DWORD style) {
    return CreateWindowExW(0, className, text, style, x, y, width, 30, window(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  };
  fileLabel_ = make(L"STATIC", lookupString(IDS_SET_FILE), 8, 8, 464, 0, kLabelStyle);
  if (fileLabel_ == nullptr) return false;
  statusLabel_ = make(L"STATIC", L"", 8, 46, 464, 0, kLabelStyle);
  if (statusLabel_ == nullptr) return false;
  keyConfigButton_ = make(L"BUTTON", lookupString(IDS_KEY_CONFIG), 8, 84, 128, kKeyConfigButtonId, kButtonStyle);
  if (keyConfigButton_ == nullptr) return false;
  testButton_ = make(L"BUTTON", lookupString(IDS_TEST_MIDI_FILE), 144, 84, 192, kTestButtonId, kButtonStyle);
  return testButton_ != nullptr;
}

// Without it the program works as before, so a failure is not reported.
void MainWindow::addOptionsToSystemMenu() {
  const HMENU menu = GetSystemMenu(window(), FALSE);
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kOptionsCommandId, lookupString(IDS_OPTIONS_MENU));
}

// The window is closed through its own close handling, whose quit message
// ends the loop here; the caller's loop never sees it.
void MainWindow::failAfterWindow() {
  showErrorMessage(window(), IDS_ERROR_CREATE_WINDOW);
  PostMessageW(window(), WM_CLOSE, 0, 0);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

void MainWindow::close() {
  unregisterHotkeys();
  watchTarget(false);
  // Ends the worker and waits for it without a limit; a key that it left
  // down is released when the keyboard is destroyed.
  player_.reset();
  DestroyWindow(window());
}

void MainWindow::registerHotkeys() {
  // Never on a window that is gone: the system would refuse each hotkey, and
  // the user would be told so three times.
  if (window() == nullptr) return;
  if (bindings_ && hotkeyRegistrar_) murvane::registerHotkeys(*bindings_, registeredHotkeys_, *hotkeyRegistrar_, *this);
}

void MainWindow::unregisterHotkeys() {
  if (hotkeyRegistrar_) murvane::unregisterHotkeys(registeredHotkeys_, *hotkeyRegistrar_);
}

void MainWindow::showError(std::int32_t stringId) { showErrorMessage(window(), stringId); }

ControllerView MainWindow::view() const {
  ControllerView current;
  if (player_) {
    current.playing = player_->playing();
    current.outputIsMidiOut = player_->output() == midiOut_.get();
  }
  current.midiInputOpen = midiIn_ && midiIn_->isOpen();
  current.keysBlocked = keysBlocked_;
  // Each source's own flag, so that one left from an earlier use of the
  // other shows nothing.
  if (current.playing) {
    current.paused = player_->paused();
  } else if (current.midiInputOpen) {
    current.paused = liveKeys_->paused();
  }
  return current;
}

void MainWindow::refreshStatus() {
  const ControllerView now = view();
  const ControllerState state = stateOf(now);
  // Nothing is left to guard; a new start engages the guard again.
  if (state == ControllerState::kIdle || state == ControllerState::kTestPlaying) watchTarget(false);
  const StatusTexts texts = statusTextsOf(now);
  shownTexts_ = texts;
  SetWindowTextW(testButton_, lookupString(texts.testButton));
  SetWindowTextW(statusLabel_, lookupString(texts.status));
}

// A layout the INI file does not hold and Murvane does not know plays as
// none were named: the key configuration's keys.
std::optional<KeyLayout> MainWindow::chosenLayout(const PlayOptions& options) const {
  if (options.layout.empty()) return std::nullopt;
  ChosenLayout chosen = chooseLayout(*services_.iniStore, *bindings_, options.layout);
  if (chosen.unknown) return std::nullopt;
  return chosen.layout;
}

void MainWindow::run(Event event, const std::wstring& droppedFile) {
  for (Step step : planFor(event, view(), player_ != nullptr)) take(step, droppedFile);
}

void MainWindow::take(Step step, const std::wstring& droppedFile) {
  switch (step) {
    case Step::kStopPlayer:
      player_->stop();
      break;
    case Step::kCloseMidiInput:
      midiIn_->close();
      break;
    // Play and test never tell the user when they do not start.
    // The options are read at every start, so that an edit of the INI file
    // counts from the next one.
    case Step::kPlayToKeyboard: {
      const PlayOptions options = readPlayOptions(*services_.iniStore);
      const std::optional<KeyLayout> layout = chosenLayout(options);
      player_->setOptions(options, layout ? &*layout : nullptr);
      keyboard_->useLayout(layout ? &*layout : nullptr);
      TargetGate* gate = guardFor(options);
      if (player_->start(*keyboard_, gate)) {
        keysBlocked_ = keysBlockedNow();
        watchTarget(gate != nullptr);
      }
      break;
    }
    case Step::kPlayToMidiOut: {
      PlayOptions options = readPlayOptions(*services_.iniStore);
      options.repressGap = 0;  // a gap for a game's input, not for the ear
      const std::optional<KeyLayout> layout = chosenLayout(options);
      player_->setOptions(options, layout ? &*layout : nullptr);
      player_->start(*midiOut_);
      break;
    }
    case Step::kOpenMidiInput: {
      const PlayOptions options = readPlayOptions(*services_.iniStore);
      const std::optional<KeyLayout> layout = chosenLayout(options);
      liveKeys_->setOptions(options, layout ? &*layout : nullptr);
      keyboard_->useLayout(layout ? &*layout : nullptr);
      TargetGate* gate = guardFor(options);
      liveKeys_->setTargetGate(gate);
      // Opening the keyboard output only translates the bound keys, so that
      // the first notes played live do not wait for that on the input thread.
      keyboard_->open();
      if (const std::int32_t message = midiInputFailureMessage(midiIn_->open(options.midiInDevice))) {
        showError(message);
      } else {
        keysBlocked_ = keysBlockedNow();
        watchTarget(gate != nullptr);
      }
      break;
    }
    case Step::kRefreshStatus:
      refreshStatus();
      break;
    case Step::kOpenKeyConfig:
      openKeyConfig();
      break;
    case Step::kOpenOptions:
      openOptions();
      break;
    case Step::kLoadDroppedFile:
      loadDroppedFile(droppedFile);
      break;
  }
}

bool MainWindow::keysBlockedNow() {
  return services_.integrityProbe && keysBlockedByIntegrity(services_.integrityProbe->read());
}

TargetGate* MainWindow::guardFor(const PlayOptions& options) {
  if (!options.focusGuard || !focusGuard_) return nullptr;
  // The hotkey has just been pressed with the target in front.
  focusGuard_->engage();
  return focusGuard_.get();
}

void MainWindow::watchTarget(bool on) {
  if (!on) {
    if (!foregroundHook_) return;
    foregroundHook_.reset();
    KillTimer(window(), kTargetCheckTimerId);
    return;
  }
  if (!foregroundHook_) foregroundHook_ = std::make_unique<ForegroundHook>(window(), kForegroundChangedMessage);
  SetTimer(window(), kTargetCheckTimerId, kTargetCheckMillis, nullptr);
}

// The worker and the MIDI input thread ask before each key as well; this is
// for the keys already down, which must come up at once, for the resume,
// and for the status.
void MainWindow::followTarget() {
  if (!foregroundHook_ || !player_) return;
  switch (stateOf(view())) {
    case ControllerState::kPlayingToKeys:
      // A target gone stops the playback; its end is reported as any stop's.
      player_->followTarget();
      break;
    case ControllerState::kMidiInput:
      liveKeys_->followTarget();
      if (focusGuard_->presence() == TargetPresence::kGone) midiIn_->close();
      break;
    case ControllerState::kIdle:
    case ControllerState::kTestPlaying:
      break;
  }
  const StatusTexts texts = statusTextsOf(view());
  // Not rewritten at every check while nothing changes.
  if (texts.status != shownTexts_.status || texts.testButton != shownTexts_.testButton) refreshStatus();
}

void MainWindow::openKeyConfig() {
  const KeyBindWindowContext context{instance_,           window(),          bindings_.get(), services_.iniStore.get(),
                                     &stringTable(),      backgroundBrush(), this};
  runKeyBindWindow(context);
}

void MainWindow::openOptions() {
  OptionsWindowContext context{instance_,          window(), services_.iniStore.get(),  &stringTable(),
                               backgroundBrush(),  this,     fileLoaded_ ? &noteCounts_ : nullptr};
  context.layouts = offeredLayouts();
  context.defaultKeyed = defaultLayout(*bindings_).keyedNotes();
  // Asked at each opening: a device plugged in meanwhile is listed.
  context.midiInDevices = services_.midiInPort->deviceNames();
  runOptionsWindow(context);
}

// The Options window's layout list offers these besides the default (the
// bindings of the key configuration): the built-in ones and the INI file's.
std::vector<LayoutChoice> MainWindow::offeredLayouts() const {
  std::vector<LayoutChoice> offered;
  for (const LayoutListing& entry : listLayouts(services_.iniStore.get())) {
    offered.push_back(LayoutChoice{entry.name, entry.layout.keyCount(), entry.layout.keyedNotes()});
  }
  return offered;
}

void MainWindow::onDropFiles(HDROP drop) {
  std::wstring path;
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length > 0) {
    path.resize(length + 1);
    const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
    path.resize(copied);
  }
  DragFinish(drop);
  run(Event::kFileDropped, path);
}

void MainWindow::loadDroppedFile(const std::wstring& path) {
  const LoadResult result = loadSong(*player_, *makePlatformFileReader(), path, noteCounts_);
  fileLoaded_ = result == LoadResult::kOk;
  if (fileLoaded_) {
    showFileTitle(path);
    return;
  }
  SetWindowTextW(fileLabel_, lookupString(IDS_SET_FILE));
  if (const std::int32_t message = loadFailureMessage(result)) showError(message);
}

void MainWindow::showFileTitle(const std::wstring& path) {
  // Wine's GetFileTitleW cannot measure (it returns -1 without a buffer);
  // the name without its folder is what the user would see there.
  const short size = GetFileTitleW(path.c_str(), nullptr, 0);
  if (size > 0) {
    std::wstring title(static_cast<std::size_t>(size), L'\0');
    if (GetFileTitleW(path.c_str(), title.data(), static_cast<WORD>(size)) == 0) {
      SetWindowTextW(fileLabel_, title.c_str());
      return;
    }
  }
  SetWindowTextW(fileLabel_, std::wstring(fileNameWithoutFolder(path)).c_str());
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      close();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      fileLabel_ = statusLabel_ = keyConfigButton_ = testButton_ = nullptr;
      break;
    // While a modal window of ours is open this window is disabled; a user
    // action that still reaches it (sent, or dispatched by a message box's
    // loop) is dropped: it would play, or open a second key configuration,
    // while the bindings change.
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kKeyConfigButtonId:
          if (!ownsModalWindow()) run(Event::kKeyConfigButton);
          return 0;
        case kTestButtonId:
          if (!ownsModalWindow()) run(Event::kTestButton);
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kOptionsCommandId) {
        if (!ownsModalWindow()) run(Event::kOptionsMenu);
        return 0;
      }
      break;
    case WM_DROPFILES:
      if (ownsModalWindow()) {
        DragFinish(reinterpret_cast<HDROP>(wParam));
      } else {
        onDropFiles(reinterpret_cast<HDROP>(wParam));
      }
      return 0;
    case WM_HOTKEY:
      if (ownsModalWindow()) return 0;
      switch (wParam) {
        case kHotkeyPlayId:
          run(Event::kPlayStopHotkey);
          break;
        case kHotkeyMidiInputId:
          run(Event::kMidiInputHotkey);
          break;
        case kHotkeyAllStopId:
          run(Event::kAllStopHotkey);
          break;
        default:
          break;
      }
      return 0;
    case kPlaybackEndedMessage:
      run(Event::kPlaybackEnded);
      break;
    case kForegroundChangedMessage:
      followTarget();
      return 0;
    case WM_TIMER:
      if (wParam != kTargetCheckTimerId) break;
      followTarget();
      return 0;
    default:
      break;
  }
  return defaultProcessing(message, wParam, lParam);
}

}  // namespace murvane
