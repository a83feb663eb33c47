#include "app/main_window_win32.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdlib>

#include "app/key_bind_window_win32.h"
#include "app/options_form.h"
#include "app/options_window_win32.h"
#include "app/process_values.h"
#include "res/resource.h"

namespace murvane {

namespace {

constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTERIMAGE | SS_CENTER;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_CENTER;

WindowClass gMainWindowClass{kMainWindowClass, {}};

// The runtime's parsed wide arguments after the program's name; the shell's
// parse of the command line where the runtime has none (a program entered
// through main, not wWinMain).
std::vector<std::filesystem::path> commandLineArguments() {
  std::vector<std::filesystem::path> files;
  if (__wargv != nullptr) {
    for (int i = 1; i < __argc; ++i) {
      if (__wargv[i] != nullptr) files.emplace_back(__wargv[i]);
    }
    return files;
  }
  int count = 0;
  LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; values != nullptr && i < count; ++i) files.emplace_back(values[i]);
  LocalFree(values);
  return files;
}

void showErrorMessage(HWND owner, std::int32_t stringId) {
  showErrorMessage(owner, lookupString(stringId), &stringTable());
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, MainWindowServices services)
    : instance_(instance), host_(std::move(services)) {
  registerClass(gMainWindowClass, instance, backgroundBrush());
}

MainWindow::~MainWindow() {
  if (window() != nullptr) close();
}

bool MainWindow::init() { return init(commandLineArguments()); }

bool MainWindow::init(const wchar_t* commandLineFile) {
  std::vector<std::filesystem::path> files;
  if (commandLineFile != nullptr) files.emplace_back(commandLineFile);
  return init(files);
}

bool MainWindow::init(const std::vector<std::filesystem::path>& commandLineFiles) {
  if (initialised_) return false;
  initialised_ = true;

  // A window the object cannot be attached to is not created at all.
  if (!createCentred(Frame{instance_, kMainWindowClass, lookupString(IDS_APP_TITLE), kMainWindowStyle, kMainClientWidth,
                           kMainClientHeight})) {
    showErrorMessage(nullptr, IDS_ERROR_CREATE_WINDOW);
    return false;
  }
  if (!createControls()) {
    failAfterWindow();
    return false;
  }

  addOptionsToSystemMenu();
  ShowWindow(window(), SW_SHOW);
  DragAcceptFiles(window(), TRUE);
  host_.attach(window(), *this);
  host_.start(commandLineFiles);
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
  // Options stays the last item, where it always was.
  AppendMenuW(menu, MF_STRING, kPlaylistCommandId, lookupString(IDS_PLAYLIST_MENU));
  AppendMenuW(menu, MF_STRING, kOptionsCommandId, lookupString(IDS_OPTIONS_MENU));
}

// Modeless: the main window and the hotkeys go on working while it is open.
void MainWindow::openPlaylist() {
  if (playlist_ && playlist_->window() != nullptr) {
    playlist_->refresh();
    return;
  }
  playlist_ = std::make_unique<PlaylistWindow>(
      PlaylistWindowContext{instance_, window(), &stringTable(), backgroundBrush(), &host_});
  if (!playlist_->open()) playlist_.reset();
}

void MainWindow::queueChanged(bool opened) {
  if (opened) {
    openPlaylist();
  } else if (playlist_ && playlist_->window() != nullptr) {
    playlist_->refresh();
  }
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
  playlist_.reset();
  host_.detach();
  DestroyWindow(window());
}

void MainWindow::showError(std::int32_t stringId) { showErrorMessage(window(), stringId); }

void MainWindow::refreshStatus() {
  const StatusTexts texts = statusTextsOf(host_.statusView());
  shownTexts_ = texts;
  SetWindowTextW(testButton_, lookupString(texts.testButton));
  if (texts.status == IDS_PLAYING_SPEED) {
    const wchar_t* pattern = lookupString(texts.status);
    const std::wstring speed = std::to_wstring(texts.speed);
    SetWindowTextW(statusLabel_, fillPlaceholders(pattern != nullptr ? pattern : L"", {speed}).c_str());
    return;
  }
  SetWindowTextW(statusLabel_, lookupString(texts.status));
}

void MainWindow::refreshStatusIfChanged() {
  const StatusTexts texts = statusTextsOf(host_.view());
  if (texts != shownTexts_) refreshStatus();
}

void MainWindow::openKeyConfig() {
  const KeyBindWindowContext context{instance_,      window(),          &host_.bindings(), &host_.iniStore(),
                                     &stringTable(), backgroundBrush(), &host_};
  runKeyBindWindow(context);
}

void MainWindow::openOptions() {
  OptionsWindowContext context{instance_,         window(), &host_.iniStore(),     &stringTable(),
                               backgroundBrush(), &host_,   host_.loadedCounts()};
  context.layouts = host_.offeredLayouts();
  context.defaultKeyed = defaultLayout(host_.bindings()).keyedNotes();
  context.bindings = &host_.bindings();
  // Asked at each opening: a device plugged in meanwhile is listed.
  context.midiInDevices = host_.midiInDevices();
  context.songHash = host_.songHash();
  runOptionsWindow(context);
  // What the songs play may have changed.
  queueChanged(false);
}

// Every item dropped at once, in the order the shell gives them.
void MainWindow::onDropFiles(HDROP drop) {
  std::vector<std::filesystem::path> items;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path;
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length > 0) {
      path.resize(length + 1);
      const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
      path.resize(copied);
    }
    items.emplace_back(std::move(path));
  }
  DragFinish(drop);
  if (items.empty()) items.emplace_back();  // loaded as today: nothing
  host_.drop(items);
}

void MainWindow::showLoaded(const std::filesystem::path& path, bool loaded) {
  if (!loaded) {
    SetWindowTextW(fileLabel_, lookupString(IDS_SET_FILE));
    return;
  }
  const std::wstring& name = path.native();
  // Wine's GetFileTitleW cannot measure (it returns -1 without a buffer);
  // the name without its folder is what the user would see there.
  const short size = GetFileTitleW(name.c_str(), nullptr, 0);
  if (size > 0) {
    std::wstring title(static_cast<std::size_t>(size), L'\0');
    if (GetFileTitleW(name.c_str(), title.data(), static_cast<WORD>(size)) == 0) {
      SetWindowTextW(fileLabel_, title.c_str());
      return;
    }
  }
  SetWindowTextW(fileLabel_, std::wstring(fileNameWithoutFolder(name)).c_str());
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != 0 && message == host_.taskbarButtonMessage()) {
    host_.taskbarButtonCreated();
    return 0;
  }
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
          if (!ownsModalWindow()) host_.run(Event::kKeyConfigButton);
          return 0;
        case kTestButtonId:
          if (!ownsModalWindow()) host_.run(Event::kTestButton);
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kOptionsCommandId) {
        if (!ownsModalWindow()) host_.run(Event::kOptionsMenu);
        return 0;
      }
      if ((wParam & 0xFFF0) == kPlaylistCommandId) {
        if (!ownsModalWindow()) openPlaylist();
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
          host_.run(Event::kPlayStopHotkey);
          break;
        case kHotkeyMidiInputId:
          host_.run(Event::kMidiInputHotkey);
          break;
        case kHotkeyAllStopId:
          host_.run(Event::kAllStopHotkey);
          break;
        case kHotkeyPauseId:
          host_.run(Event::kPauseHotkey);
          break;
        case kHotkeySeekBackId:
          host_.run(Event::kSeekBackHotkey);
          break;
        case kHotkeySeekForwardId:
          host_.run(Event::kSeekForwardHotkey);
          break;
        case kHotkeySlowerId:
          host_.run(Event::kSlowerHotkey);
          break;
        case kHotkeyFasterId:
          host_.run(Event::kFasterHotkey);
          break;
        case kHotkeyNextId:
          host_.run(Event::kNextHotkey);
          break;
        case kHotkeyPreviousId:
          host_.run(Event::kPreviousHotkey);
          break;
        default:
          break;
      }
      return 0;
    case kPlaybackEndedMessage:
      host_.run(Event::kPlaybackEnded);
      break;
    case kForegroundChangedMessage:
      host_.followTarget();
      return 0;
    case WM_TIMER:
      if (wParam == kProgressTimerId) {
        host_.showProgress();
        if (playlist_ && playlist_->window() != nullptr) playlist_->showPosition();
        return 0;
      }
      if (wParam == kAdvanceTimerId) {
        // Not while a modal window of ours is open: its closing ends the wait.
        if (!ownsModalWindow()) host_.advance();
        return 0;
      }
      if (wParam == kModifierWaitTimerId) {
        host_.followModifiers();
        return 0;
      }
      if (wParam != kTargetCheckTimerId) break;
      host_.followTarget();
      return 0;
    default:
      break;
  }
  return defaultProcessing(message, wParam, lParam);
}

}  // namespace murvane
