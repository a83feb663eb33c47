#include "app/main_window_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/process_values.h"
#include "options/play_options.h"
#include "playback/song_files.h"
#include "output/midi_in_port_win32.h"
#include "output/midi_out_port_win32.h"
#include "tests/support/foreground_windows_double.h"
#include "tests/support/ini_store_double.h"
#include "tests/support/key_injector_double.h"
#include "tests/support/modifier_keys_double.h"
#include "tests/win32/support/app_doubles.h"
#include "tests/win32/support/harness.h"
#include "tests/win32/support/scratch_folder.h"

namespace murvane {
namespace {

using namespace murvane::test;

// The worker and MIDI threads get a generous while on a loaded machine.
template <typename Condition>
bool waitPumping(Condition done) {
  return pumpUntil(done, std::chrono::seconds(20));
}

// A drop of files as the shell makes it: the receiver frees it.
HDROP makeDrop(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class ProcessValuesEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    storeInstance(GetModuleHandleW(nullptr));
    loadStringTable();
    createBackgroundBrush();
  }
  void TearDown() override { releaseProcessValues(); }
};

[[maybe_unused]] auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new ProcessValuesEnvironment);

constexpr wchar_t kTextStopped[] = L"Stopped";
constexpr wchar_t kTextPlaying[] = L"Playing";
constexpr wchar_t kTextTestPlaying[] = L"MIDI file test playing";
constexpr wchar_t kTextMidiInputing[] = L"MIDI inputing";
constexpr wchar_t kTextTestMidiFile[] = L"Test MIDI file";
constexpr wchar_t kTextStop[] = L"Stop";
constexpr wchar_t kTextPleaseSetFile[] = L"Please set file.";
constexpr wchar_t kTextPlayingKeysBlocked[] = L"Playing: keys blocked (target is admin)";
constexpr wchar_t kTextMidiInputKeysBlocked[] = L"MIDI input: keys blocked (target is admin)";
constexpr wchar_t kTextPausedAway[] = L"Paused (another window is in front)";
constexpr wchar_t kTextMidiInputPausedAway[] = L"MIDI input paused (another window is in front)";

// Gives the same reading every time, and counts the reads.
class FixedIntegrityProbe final : public IntegrityProbe {
 public:
  FixedIntegrityProbe(IntegrityReading reading, int& reads) : reading_(reading), reads_(reads) {}
  IntegrityReading read() override {
    ++reads_;
    return reading_;
  }

 private:
  IntegrityReading reading_;
  int& reads_;
};

// Medium, as a user's programs start, with a foreground process we may not query.
const IntegrityReading kElevatedTarget{0x2000, true, std::nullopt};
const IntegrityReading kTargetAtOurLevel{0x2000, true, 0x2000};

// A combination nobody uses, for the test's own registrations.
constexpr int kProbeHotkeyId = 0xB000;

bool hotkeyIsFree(UINT modifiers, UINT virtualKey) {
  if (!RegisterHotKey(nullptr, kProbeHotkeyId, modifiers, virtualKey)) return false;
  UnregisterHotKey(nullptr, kProbeHotkeyId);
  return true;
}

enum class Ports { kFake, kWin32 };

class MainWindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    closeAndDestroy();
    EXPECT_TRUE(watcher.overstayed().empty())
        << "a window the test should have closed stayed open; the watcher closed it";
  }

  void open(const wchar_t* file = nullptr, Ports ports = Ports::kFake) {
    construct(ports);
    ASSERT_TRUE(controller->init(file));
    window = controller->window();
    const std::vector<HWND> children = childrenOf(window);
    ASSERT_EQ(children.size(), 4u);
    fileLabel = children[0];
    statusLabel = children[1];
    keyConfigButton = children[2];
    testButton = children[3];
  }

  void construct(Ports ports = Ports::kFake) {
    MainWindowServices services;
    auto store = std::make_unique<MemoryIniStore>();
    ini = store.get();
    services.iniStore = std::move(store);
    services.keyInjector = std::make_unique<RecordingKeyInjector>(keys);
    if (ports == Ports::kFake) {
      services.midiOutPort = std::make_unique<FakeMidiOutPort>(midiOut);
      services.midiInPort = std::make_unique<FakeMidiInPort>(midiIn);
    } else {
      services.midiOutPort = makeWin32MidiOutPort();
      services.midiInPort = makeWin32MidiInPort();
    }
    services.integrityProbe = std::move(integrityProbe);
    services.foregroundWindows = std::move(foregroundWindows);
    services.modifierKeys = std::make_unique<HeldModifierKeys>(modifiersHeld);
    services.songFiles = makePlatformSongFiles();
    services.keptQueue = keptQueue;
    controller = std::make_unique<MainWindow>(GetModuleHandleW(nullptr), std::move(services));
  }

  void closeAndDestroy() {
    if (controller && controller->window() != nullptr) SendMessageW(controller->window(), WM_CLOSE, 0, 0);
    pump();
    controller.reset();
    pump();
  }

  std::wstring fileText() const { return windowText(fileLabel); }
  std::wstring status() const { return windowText(statusLabel); }
  std::wstring button() const { return windowText(testButton); }

  void hotkey(WPARAM id) { SendMessageW(window, WM_HOTKEY, id, 0); }
  void clickTest() { SendMessageW(testButton, BM_CLICK, 0, 0); }
  void clickKeyConfig() { SendMessageW(keyConfigButton, BM_CLICK, 0, 0); }
  // What the system menu sends when "Options..." is chosen.
  void chooseOptions() { SendMessageW(window, WM_SYSCOMMAND, kOptionsCommandId, 0); }
  // Exactly one error was shown, owned by the main window, with this text.
  void expectOneError(const wchar_t* text) {
    const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Murvane: Error");
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].owner, window);
  }
  void drop(const std::vector<std::wstring>& paths) {
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
  }

  KeyLog keys;
  MidiOutLog midiOut;
  MidiInLog midiIn;
  ScratchFolder folder{L"murvane-app-test"};
  const std::filesystem::path longNote = folder.write(L"long-note.mid", longNoteFile());
  const std::filesystem::path shortSong = folder.write(L"short.mid", shortFile());
  const std::filesystem::path textFile = folder.write(L"notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'});
  WindowWatcher watcher;
  std::unique_ptr<IntegrityProbe> integrityProbe;  // for the next construct(); none by default
  std::unique_ptr<ForegroundWindows> foregroundWindows;  // likewise
  MemoryIniStore* ini = nullptr;  // the controller's, while it lives
  bool modifiersHeld = false;     // by the user's hand, as the host reads them
  std::filesystem::path keptQueue;  // for the next construct(); none by default
  int probeReads = 0;

  std::unique_ptr<MainWindow> controller;
  HWND window = nullptr;
  HWND fileLabel = nullptr;
  HWND statusLabel = nullptr;
  HWND keyConfigButton = nullptr;
  HWND testButton = nullptr;
};

// ---- Layout.

TEST_F(MainWindowTest, WindowHasItsClassTitleStyleClientSizeAndIsCentred) {
  open();
  EXPECT_EQ(classOf(window), L"MainWindow");
  EXPECT_EQ(windowText(window), L"Murvane");
  // The system adds visibility and sibling clipping to a shown top-level window.
  const auto style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS), 0x00CA0000u) << std::hex << style;
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_EQ(GetParent(window), nullptr);
  EXPECT_EQ(GetMenu(window), nullptr);

  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 480);
  EXPECT_EQ(client.bottom - client.top, 122);

  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
}

TEST_F(MainWindowTest, ControlsHaveTheirClassPositionSizeIdStyleAndText) {
  open();
  struct Expected {
    const wchar_t* className;
    const wchar_t* text;
    RECT rect;
    int id;
    DWORD style;
  };
  const Expected expected[] = {
      {L"STATIC", kTextPleaseSetFile, {8, 8, 472, 38}, 0, 0x50800201},
      {L"STATIC", kTextStopped, {8, 46, 472, 76}, 0, 0x50800201},
      {L"BUTTON", L"Key config", {8, 84, 136, 114}, 100, 0x50800300},
      {L"BUTTON", kTextTestMidiFile, {144, 84, 336, 114}, 101, 0x50800300},
  };
  const std::vector<HWND> children = childrenOf(window);
  ASSERT_EQ(children.size(), std::size(expected));
  for (std::size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(i);
    HWND child = children[i];
    EXPECT_EQ(lstrcmpiW(classOf(child).c_str(), expected[i].className), 0) << classOf(child);
    EXPECT_EQ(windowText(child), expected[i].text);
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, expected[i].rect.left);
    EXPECT_EQ(rect.top, expected[i].rect.top);
    EXPECT_EQ(rect.right, expected[i].rect.right);
    EXPECT_EQ(rect.bottom, expected[i].rect.bottom);
    EXPECT_EQ(GetDlgCtrlID(child), expected[i].id);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)), expected[i].style)
        << std::hex << GetWindowLongW(child, GWL_STYLE);
  }
}

TEST_F(MainWindowTest, LabelsAreDrawnTransparentlyOnTheBackgroundBrush) {
  open();
  HDC context = GetDC(window);
  SetBkMode(context, OPAQUE);
  const LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context),
                                     reinterpret_cast<LPARAM>(fileLabel));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), backgroundBrush());
  EXPECT_EQ(GetBkMode(context), TRANSPARENT);
  ReleaseDC(window, context);
}

TEST_F(MainWindowTest, WindowClassIsRegisteredOnceAndServesEveryController) {
  open();
  WNDCLASSEXW windowClass{sizeof windowClass};
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"MainWindow", &windowClass));
  EXPECT_EQ(windowClass.hbrBackground, backgroundBrush());
  EXPECT_EQ(windowClass.style, 0u);
  closeAndDestroy();
  open();  // a second controller in the same process
  EXPECT_EQ(status(), kTextStopped);
}

// ---- The command-line file.

TEST_F(MainWindowTest, StartedWithAMidiFileShowsItsTitleAndStopped) {
  open(longNote.c_str());
  EXPECT_EQ(fileText(), L"long-note.mid");
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_EQ(button(), kTextTestMidiFile);
  hotkey(100);
  EXPECT_EQ(status(), kTextPlaying);
}

TEST_F(MainWindowTest, KeysAndMidiInputStartOnlyOnceNoModifierIsHeldAndStopEndsTheWait) {
  open(longNote.c_str());
  modifiersHeld = true;
  const auto modifierTimer = [&] { SendMessageW(window, WM_TIMER, kModifierWaitTimerId, 0); };
  for (const auto& [start, stop] : {std::pair{100, 100}, std::pair{100, 102}, std::pair{101, 101}, std::pair{101, 102}}) {
    hotkey(static_cast<WPARAM>(start));
    modifierTimer();
    EXPECT_EQ(status(), L"Waiting for modifier keys to be released");
    hotkey(static_cast<WPARAM>(stop));
    EXPECT_EQ(status(), kTextStopped);
    modifiersHeld = false;
    modifierTimer();  // a wait ended is not taken up again
    EXPECT_EQ(status(), kTextStopped);
    modifiersHeld = true;
  }
  EXPECT_EQ(keys.presses(), 0u);
  EXPECT_FALSE(midiIn.isOpen);
  hotkey(100);
  modifiersHeld = false;
  modifierTimer();
  EXPECT_EQ(status(), kTextPlaying);
  EXPECT_TRUE(waitPumping([&] { return keys.presses() > 0; }));
}

TEST_F(MainWindowTest, StartedWithABadPathShowsPleaseSetFileAndNoMessage) {
  for (const std::filesystem::path& path : {longNote.parent_path() / L"missing.mid", textFile}) {
    SCOPED_TRACE(path.string());
    open(path.c_str());
    pump();
    EXPECT_EQ(fileText(), kTextPleaseSetFile);
    EXPECT_EQ(status(), kTextStopped);
    closeAndDestroy();
  }
  EXPECT_TRUE(watcher.messageBoxes().empty());
}

// ---- The state table, every reachable cell, with MIDI devices that open.

enum class State { kIdle, kPlaying, kTestPlaying, kMidiInput };
enum class Action {
  kPlayStop,
  kMidiInputHotkey,
  kAllStop,
  kTestButton,
  kKeyConfig,
  kOptions,
  kDrop,
  kPlaybackEndedNotice
};

struct Cell {
  const char* name;
  State from;
  Action action;
  State to;
};

class StateTableTest : public MainWindowTest, public ::testing::WithParamInterface<Cell> {
 protected:
  // By the action that leads there from idle.
  void reach(State state) {
    if (state == State::kPlaying) act(Action::kPlayStop);
    if (state == State::kTestPlaying) act(Action::kTestButton);
    if (state == State::kMidiInput) act(Action::kMidiInputHotkey);
    expect(state);
    pressesBefore = keys.presses();
    midiOut.messages = 0;
  }

  void act(Action action) {
    switch (action) {
      case Action::kPlayStop:
        hotkey(100);
        break;
      case Action::kMidiInputHotkey:
        hotkey(101);
        break;
      case Action::kAllStop:
        hotkey(102);
        break;
      case Action::kTestButton:
        clickTest();
        break;
      case Action::kKeyConfig:
        clickKeyConfig();
        break;
      case Action::kOptions:
        chooseOptions();
        break;
      case Action::kDrop:
        drop({longNote.wstring()});
        break;
      case Action::kPlaybackEndedNotice:
        SendMessageW(window, WM_APP, 0, 0);
        break;
    }
  }

  // The two texts at once, and the outputs once the worker has caught up.
  void expect(State state, bool fromStart = false) {
    struct Look {
      const wchar_t* status;
      const wchar_t* button;
      std::size_t keysHeld;
      bool midiOutOpen;
      bool midiInOpen;
    };
    static const Look looks[] = {
        {kTextStopped, kTextTestMidiFile, 0, false, false},
        {kTextPlaying, kTextTestMidiFile, 1, false, false},
        {kTextTestPlaying, kTextStop, 0, true, false},
        {kTextMidiInputing, kTextTestMidiFile, 0, false, true},
    };
    const Look& look = looks[static_cast<std::size_t>(state)];
    EXPECT_EQ(status(), inLanguage(look.status));
    EXPECT_EQ(button(), inLanguage(look.button));
    EXPECT_TRUE(waitPumping([&] { return keys.held().size() == look.keysHeld && midiOut.isOpen == look.midiOutOpen; }))
        << "an output was left on, or not turned on";
    if (fromStart && state == State::kPlaying) {
      EXPECT_GT(keys.presses(), pressesBefore) << "did not play from the beginning";
    }
    if (fromStart && state == State::kTestPlaying) {
      EXPECT_TRUE(waitPumping([&] { return midiOut.messages > 0; })) << "did not play from the beginning";
    }
    EXPECT_EQ(midiIn.isOpen, look.midiInOpen);
  }

  std::size_t pressesBefore = 0;
};

TEST_P(StateTableTest, EventLeadsToItsStateWithItsTexts) {
  const Cell& cell = GetParam();
  std::wstring statusWhenWindowOpened;
  bool hotkeysFreeWhileOpen = false;
  const auto onModalWindow = [&](HWND modalWindow) {
    statusWhenWindowOpened = windowText(statusLabel);
    hotkeysFreeWhileOpen = hotkeyIsFree(0, VK_F11) && hotkeyIsFree(0, VK_F10) && hotkeyIsFree(0, VK_F12);
    PostMessageW(modalWindow, WM_CLOSE, 0, 0);
  };
  watcher.watch(L"KeyBindWindow", onModalWindow);
  watcher.watch(L"OptionsWindow", onModalWindow);
  open(longNote.c_str());
  reach(cell.from);

  act(cell.action);
  const bool restarts = cell.action != Action::kPlaybackEndedNotice && cell.from != State::kPlaying;
  expect(cell.to, restarts);
  // Still so once the worker's notice of any stop has been handled.
  SendMessageW(window, WM_NULL, 0, 0);
  pump();
  expect(cell.to);

  if (cell.action == Action::kKeyConfig || cell.action == Action::kOptions) {
    EXPECT_EQ(statusWhenWindowOpened, inLanguage(kTextStopped)) << "not stopped before the window opened";
    EXPECT_TRUE(hotkeysFreeWhileOpen) << "hotkeys stayed registered while the window was open";
    EXPECT_FALSE(hotkeyIsFree(0, VK_F11)) << "hotkeys not registered again";
  }
  if (cell.action == Action::kDrop) {
    EXPECT_EQ(fileText(), L"long-note.mid");
  }
  EXPECT_TRUE(watcher.messageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cells, StateTableTest,
    ::testing::Values(
        Cell{"PlayStopInIdlePlays", State::kIdle, Action::kPlayStop, State::kPlaying},
        Cell{"PlayStopWhilePlayingStops", State::kPlaying, Action::kPlayStop, State::kIdle},
        Cell{"PlayStopWhileTestingRestartsAsKeys", State::kTestPlaying, Action::kPlayStop, State::kPlaying},
        Cell{"PlayStopInMidiInputClosesItAndPlays", State::kMidiInput, Action::kPlayStop, State::kPlaying},
        Cell{"TestInIdleTests", State::kIdle, Action::kTestButton, State::kTestPlaying},
        Cell{"TestWhilePlayingRestartsOnMidi", State::kPlaying, Action::kTestButton, State::kTestPlaying},
        Cell{"TestWhileTestingStops", State::kTestPlaying, Action::kTestButton, State::kIdle},
        Cell{"TestInMidiInputClosesItAndTests", State::kMidiInput, Action::kTestButton, State::kTestPlaying},
        Cell{"MidiInputInIdleOpens", State::kIdle, Action::kMidiInputHotkey, State::kMidiInput},
        Cell{"MidiInputWhilePlayingStopsAndOpens", State::kPlaying, Action::kMidiInputHotkey, State::kMidiInput},
        Cell{"MidiInputWhileTestingStopsAndOpens", State::kTestPlaying, Action::kMidiInputHotkey, State::kMidiInput},
        Cell{"MidiInputInMidiInputCloses", State::kMidiInput, Action::kMidiInputHotkey, State::kIdle},
        Cell{"AllStopInIdleStaysIdle", State::kIdle, Action::kAllStop, State::kIdle},
        Cell{"AllStopWhilePlayingStops", State::kPlaying, Action::kAllStop, State::kIdle},
        Cell{"AllStopWhileTestingStops", State::kTestPlaying, Action::kAllStop, State::kIdle},
        Cell{"AllStopInMidiInputCloses", State::kMidiInput, Action::kAllStop, State::kIdle},
        Cell{"KeyConfigInIdle", State::kIdle, Action::kKeyConfig, State::kIdle},
        Cell{"KeyConfigWhilePlayingStopsFirst", State::kPlaying, Action::kKeyConfig, State::kIdle},
        Cell{"KeyConfigWhileTestingStopsFirst", State::kTestPlaying, Action::kKeyConfig, State::kIdle},
        Cell{"KeyConfigInMidiInputClosesItFirst", State::kMidiInput, Action::kKeyConfig, State::kIdle},
        Cell{"OptionsInIdle", State::kIdle, Action::kOptions, State::kIdle},
        Cell{"OptionsWhilePlayingStopsFirst", State::kPlaying, Action::kOptions, State::kIdle},
        Cell{"OptionsWhileTestingStopsFirst", State::kTestPlaying, Action::kOptions, State::kIdle},
        Cell{"OptionsInMidiInputClosesItFirst", State::kMidiInput, Action::kOptions, State::kIdle},
        Cell{"DropInIdleLoads", State::kIdle, Action::kDrop, State::kIdle},
        Cell{"DropWhilePlayingStopsAndLoads", State::kPlaying, Action::kDrop, State::kIdle},
        Cell{"DropWhileTestingStopsAndLoads", State::kTestPlaying, Action::kDrop, State::kIdle},
        Cell{"DropInMidiInputClosesItAndLoads", State::kMidiInput, Action::kDrop, State::kIdle},
        Cell{"NoticeInIdleRefreshes", State::kIdle, Action::kPlaybackEndedNotice, State::kIdle},
        Cell{"NoticeWhilePlayingRefreshes", State::kPlaying, Action::kPlaybackEndedNotice, State::kPlaying},
        Cell{"NoticeWhileTestingRefreshes", State::kTestPlaying, Action::kPlaybackEndedNotice,
             State::kTestPlaying},
        Cell{"NoticeInMidiInputRefreshes", State::kMidiInput, Action::kPlaybackEndedNotice, State::kMidiInput}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, EndOfTheFileWhilePlayingOrTestingLeadsToStoppedThroughTheWorkersNotice) {
  for (bool test : {false, true}) {
    SCOPED_TRACE(test ? "test" : "keys");
    open(shortSong.c_str());
    if (test) {
      clickTest();
    } else {
      hotkey(100);
    }
    // Only the worker's WM_APP refreshes the texts here.
    EXPECT_TRUE(waitPumping([&] { return status() == kTextStopped; }));
    EXPECT_EQ(button(), kTextTestMidiFile);
    EXPECT_TRUE(waitPumping([&] { return keys.held().empty() && !midiOut.isOpen; }));
    closeAndDestroy();
  }
}

TEST_F(MainWindowTest, AllStopInIdleDoesNotEvenRewriteTheTexts) {
  open(longNote.c_str());
  SetWindowTextW(statusLabel, L"marker");
  SetWindowTextW(testButton, L"marker");
  hotkey(102);
  EXPECT_EQ(status(), L"marker");
  EXPECT_EQ(button(), L"marker");
  SendMessageW(window, WM_APP, 0, 0);
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_EQ(button(), kTextTestMidiFile);
}

TEST_F(MainWindowTest, OtherHotkeyIdsAndCommandIdsDoNothing) {
  open(longNote.c_str());
  SetWindowTextW(statusLabel, L"marker");
  for (WPARAM id : {WPARAM{0}, WPARAM{99}, WPARAM{103}, WPARAM{0x10064}}) hotkey(id);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), 0);
  EXPECT_EQ(status(), L"marker");
  EXPECT_TRUE(keys.snapshot().empty());
  // WM_COMMAND from the button itself, not through a click.
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), reinterpret_cast<LPARAM>(testButton));
  EXPECT_EQ(status(), kTextTestPlaying);
}

TEST_F(MainWindowTest, PlayOrTestWithNoFileInMidiInputTurnsItOffAndPlaysNothing) {
  for (Action action : {Action::kPlayStop, Action::kTestButton}) {
    open();
    hotkey(101);
    ASSERT_EQ(status(), kTextMidiInputing);
    if (action == Action::kPlayStop) {
      hotkey(100);
    } else {
      clickTest();
    }
    EXPECT_EQ(status(), kTextStopped);
    EXPECT_EQ(button(), kTextTestMidiFile);
    EXPECT_FALSE(midiIn.isOpen);
    EXPECT_TRUE(keys.snapshot().empty());
    EXPECT_EQ(midiOut.opens, 0);
    closeAndDestroy();
  }
}

// ---- Dropped files.

TEST_F(MainWindowTest, DroppingThreeFilesLoadsTheFirst) {
  open();
  drop({shortSong.wstring(), longNote.wstring(), textFile.wstring()});
  EXPECT_EQ(fileText(), L"short.mid");
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_TRUE(watcher.messageBoxes().empty());
}

// One file as ever: no kept queue, no Playlist window. Several are queued,
// kept and listed; Next and Previous skip one that does not load, silently.
TEST_F(MainWindowTest, DroppedFilesAreQueuedKeptAndMovedThroughOneFileIsAsToday) {
  keptQueue = std::filesystem::path(folder.path()) / L"Murvane.queue.m3u8";
  const auto playlistRows = [] {
    const HWND playlist = FindWindowW(kPlaylistWindowClass, nullptr);
    return playlist == nullptr ? -1
                               : static_cast<int>(SendDlgItemMessageW(playlist, kSongListId, LVM_GETITEMCOUNT, 0, 0));
  };
  open();
  drop({shortSong.wstring()});
  EXPECT_EQ(fileText(), L"short.mid");
  EXPECT_FALSE(std::filesystem::exists(keptQueue));
  EXPECT_EQ(playlistRows(), -1);
  drop({shortSong.wstring(), textFile.wstring(), longNote.wstring()});
  EXPECT_EQ(fileText(), L"short.mid");
  EXPECT_EQ(playlistRows(), 3);
  EXPECT_TRUE(std::filesystem::exists(keptQueue));
  hotkey(kHotkeyNextId);
  EXPECT_EQ(fileText(), L"long-note.mid");
  hotkey(kHotkeyNextId);  // past the last without the loop: nothing moves
  EXPECT_EQ(fileText(), L"long-note.mid");
  hotkey(kHotkeyPreviousId);
  EXPECT_EQ(fileText(), L"short.mid");
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_TRUE(watcher.messageBoxes().empty());
  closeAndDestroy();
  open();
  EXPECT_EQ(fileText(), L"short.mid");
  EXPECT_EQ(playlistRows(), 3);
}

TEST_F(MainWindowTest, DroppedFileInAFolderWhosePathIsOver300CharactersLoads) {
  // Made through the folder, which takes them away again in their long form.
  std::wstring deepFolder = folder.path();
  for (wchar_t letter : {L'a', L'b', L'c'}) {
    deepFolder += L"\\" + std::wstring(100, letter);
    ASSERT_TRUE(folder.makeFolder(deepFolder));
  }
  const std::filesystem::path deepSong = deepFolder + L"\\deep-song.mid";
  ASSERT_TRUE(folder.copyFile(longNote.wstring(), deepSong.wstring()));
  ASSERT_GT(deepSong.wstring().size(), 300u);
  open();
  drop({deepSong.wstring()});
  EXPECT_EQ(fileText(), L"deep-song.mid");
  EXPECT_TRUE(watcher.messageBoxes().empty());
  hotkey(100);
  EXPECT_EQ(status(), kTextPlaying);
}

TEST_F(MainWindowTest, DroppingATextFileShowsIllegalSmfAndLeavesNothingPlayable) {
  open(longNote.c_str());
  hotkey(100);
  ASSERT_EQ(status(), kTextPlaying);
  drop({textFile.wstring()});
  EXPECT_EQ(fileText(), kTextPleaseSetFile);
  expectOneError(L"Illegal SMF file.");
  // The refresh came before the load; the load adds none.
  EXPECT_EQ(status(), kTextStopped);

  EXPECT_TRUE(waitPumping([&] { return keys.held().empty(); }));
  const std::size_t presses = keys.presses();
  hotkey(100);
  clickTest();
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_EQ(keys.presses(), presses);
  EXPECT_EQ(midiOut.opens, 0);
}

TEST_F(MainWindowTest, DroppingAMissingFileShowsFailedOpenFile) {
  open();
  drop({(longNote.parent_path() / L"gone.mid").wstring()});
  EXPECT_EQ(fileText(), kTextPleaseSetFile);
  const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Failed open file.");
}

// ---- The platform's own MIDI devices: Wine has neither.

TEST_F(MainWindowTest, WithoutMidiOutputTheTestPlaysNothingAndStaysIdle) {
  open(longNote.c_str(), Ports::kWin32);
  clickTest();
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_EQ(button(), kTextTestMidiFile);
  EXPECT_TRUE(watcher.messageBoxes().empty());
}

TEST_F(MainWindowTest, WithoutMidiInputTheHotkeyShowsDeviceNotFoundAndStaysIdle) {
  open(longNote.c_str(), Ports::kWin32);
  hotkey(100);
  ASSERT_EQ(status(), kTextPlaying);
  hotkey(101);
  expectOneError(L"MIDI input device not found.");
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_EQ(button(), kTextTestMidiFile);
}

TEST_F(MainWindowTest, MidiInputOpensTheDeviceTheOptionsNameAndSaysWhenItIsNotThere) {
  midiIn.devices = {L"Keystation 49", L"UM-ONE"};
  open();
  hotkey(101);
  ASSERT_EQ(status(), kTextMidiInputing);
  EXPECT_EQ(midiIn.openedDevice, 0) << "no name: the first device";
  hotkey(101);

  // Read at each start, as the other options are.
  ini->write(L"Options", L"MidiInDevice", L"UM-ONE");
  hotkey(101);
  ASSERT_EQ(status(), kTextMidiInputing);
  EXPECT_EQ(midiIn.openedDevice, 1);
  hotkey(101);

  ini->write(L"Options", L"MidiInDevice", L"UM-TWO");
  const int opens = midiIn.opens;
  hotkey(101);
  const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"MIDI input device not found.");
  EXPECT_EQ(boxes[0].owner, window);
  EXPECT_EQ(midiIn.opens, opens) << "another device was opened instead";
  EXPECT_EQ(status(), kTextStopped);
}

// ---- Hotkeys and closing.

TEST_F(MainWindowTest, HotkeysAreRegisteredWhileTheWindowLivesAndNoneAfterItCloses) {
  ASSERT_TRUE(hotkeyIsFree(0, VK_F11));
  open();
  EXPECT_FALSE(hotkeyIsFree(0, VK_F11));
  EXPECT_FALSE(hotkeyIsFree(0, VK_F10));
  EXPECT_FALSE(hotkeyIsFree(0, VK_F12));
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(controller->window(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
  EXPECT_TRUE(hotkeyIsFree(0, VK_F11));
  EXPECT_TRUE(hotkeyIsFree(0, VK_F10));
  EXPECT_TRUE(hotkeyIsFree(0, VK_F12));
}

TEST_F(MainWindowTest, KeyHeldByPlaybackAtCloseIsReleasedWhenTheControllerGoes) {
  open(longNote.c_str());
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));
  SendMessageW(window, WM_CLOSE, 0, 0);
  // The player is gone without closing its output; the keyboard lets go.
  EXPECT_EQ(keys.held().size(), 1u);
  controller.reset();
  EXPECT_TRUE(keys.held().empty());
}

TEST_F(MainWindowTest, RefusedHotkeyIsReportedOnceAndInputDuringTheMessageIsIgnored) {
  ASSERT_TRUE(RegisterHotKey(nullptr, kProbeHotkeyId, 0, VK_F11));
  watcher.onMessageBox([&](HWND) {
    const std::vector<HWND> mainWindows = topLevelWindows(L"MainWindow", Owner::kThisProcess);
    if (mainWindows.size() != 1) return;
    // Reaches the window before its player exists.
    SendMessageW(mainWindows[0], WM_HOTKEY, 101, 0);
    SendMessageW(mainWindows[0], WM_HOTKEY, 100, 0);
    SendMessageW(mainWindows[0], WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop({longNote.wstring()})), 0);
  });
  open();
  UnregisterHotKey(nullptr, kProbeHotkeyId);

  expectOneError(L"Failed register hotkey.");
  EXPECT_EQ(fileText(), kTextPleaseSetFile);
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_FALSE(midiIn.isOpen);
  EXPECT_TRUE(hotkeyIsFree(0, VK_F11)) << "registered after all";
  EXPECT_FALSE(hotkeyIsFree(0, VK_F10));
  EXPECT_FALSE(hotkeyIsFree(0, VK_F12));
}

// ---- While the key configuration window is open.

// Sends as another program would: the thread that handles it is in the key
// window's loop.
void sendFromOutside(HWND target, UINT message, WPARAM wParam = 0) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(target, message, wParam, 0, SMTO_NORMAL, 5000, &ignored);
}

// Regression: the main window stayed enabled, and its "Key config" button,
// reached through a message box's loop, opened a second key window inside
// the first. Every input of the main window is tried while each of our
// modal windows is open.
TEST_F(MainWindowTest, KeyAndOptionsWindowsAreModalOverTheDisabledMainWindowWhoseInputsDoNothing) {
  struct Seen {
    bool ownedByMain = false;
    bool mainDisabled = false;
    std::size_t keyWindows = 0;
    std::size_t optionsWindows = 0;
    std::wstring status;
  };
  const auto seeWhileOpen = [&](const wchar_t* windowClass, Seen& seen) {
    watcher.watch(windowClass, [&, windowClass](HWND modal) {
      seen.ownedByMain = GetWindow(modal, GW_OWNER) == window;
      seen.mainDisabled = !IsWindowEnabled(window);
      sendFromOutside(keyConfigButton, BM_CLICK);
      sendFromOutside(testButton, BM_CLICK);
      sendFromOutside(window, WM_SYSCOMMAND, kOptionsCommandId);
      sendFromOutside(window, WM_HOTKEY, 100);
      seen.keyWindows = topLevelWindows(L"KeyBindWindow", Owner::kThisProcess).size();
      seen.optionsWindows = topLevelWindows(L"OptionsWindow", Owner::kThisProcess).size();
      seen.status = windowText(statusLabel);
      for (HWND open : topLevelWindows(windowClass, Owner::kThisProcess)) PostMessageW(open, WM_CLOSE, 0, 0);
    });
  };
  Seen keyWindow;
  Seen optionsWindow;
  seeWhileOpen(L"KeyBindWindow", keyWindow);
  seeWhileOpen(L"OptionsWindow", optionsWindow);
  open(longNote.c_str());
  clickKeyConfig();
  chooseOptions();

  for (const Seen* seen : {&keyWindow, &optionsWindow}) {
    SCOPED_TRACE(seen == &keyWindow ? "key configuration" : "Options");
    EXPECT_TRUE(seen->ownedByMain);
    EXPECT_TRUE(seen->mainDisabled);
    EXPECT_EQ(seen->keyWindows + seen->optionsWindows, 1u);
    EXPECT_EQ(seen->status, kTextStopped);
  }
  EXPECT_EQ(keyWindow.keyWindows, 1u);
  EXPECT_EQ(optionsWindow.optionsWindows, 1u);
  EXPECT_TRUE(IsWindowEnabled(window));
  EXPECT_EQ(midiOut.opens, 0);
  EXPECT_TRUE(keys.snapshot().empty());
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_FALSE(hotkeyIsFree(0, VK_F11)) << "hotkeys not registered again";
  EXPECT_TRUE(watcher.messageBoxes().empty());
}

TEST_F(MainWindowTest, SystemMenuEndsWithASeparatorPlaylistAndOptionsBelowTheSystemsOwnItems) {
  open();
  const HMENU menu = GetSystemMenu(window, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 4);
  EXPECT_NE(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1)) << "the system's items are gone";
  MENUITEMINFOW separator{};
  separator.cbSize = sizeof separator;
  separator.fMask = MIIM_FTYPE;
  ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(count - 3), TRUE, &separator));
  EXPECT_TRUE(separator.fType & MFT_SEPARATOR);
  wchar_t text[64] = {};
  GetMenuStringW(menu, static_cast<UINT>(count - 2), text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Playlist...");
  EXPECT_EQ(GetMenuItemID(menu, count - 2), kPlaylistCommandId);
  GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Options...");
  EXPECT_EQ(GetMenuItemID(menu, count - 1), kOptionsCommandId);
  // The main window itself is as it was: its four controls are checked above.
  EXPECT_EQ(childrenOf(window).size(), 4u);
}

TEST_F(MainWindowTest, CloseWhileTheOptionsWindowIsOpenEndsItAndThenTheProgramCleanly) {
  watcher.watch(L"OptionsWindow", [&](HWND) { sendFromOutside(window, WM_CLOSE); });
  open(longNote.c_str());
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));

  chooseOptions();

  EXPECT_EQ(controller->window(), nullptr);
  EXPECT_TRUE(topLevelWindows(L"OptionsWindow", Owner::kThisProcess).empty());
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message was lost";
  EXPECT_TRUE(hotkeyIsFree(0, VK_F11));
  EXPECT_TRUE(watcher.messageBoxes().empty());
  controller.reset();
  EXPECT_TRUE(keys.held().empty());
}

enum class CloseWay { kSent, kPosted, kSentWhileItsMessageBoxIsUp };

// Regression: the key window's loop swallowed the quit message, the hotkeys
// were registered again on the destroyed main window (three error boxes),
// and the process ran on with no window.
class CloseWhileKeyWindowOpenTest : public MainWindowTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(CloseWhileKeyWindowOpenTest, EndsTheKeyWindowAndThenTheProgramCleanly) {
  const CloseWay way = GetParam();
  watcher.watch(L"KeyBindWindow", [&](HWND keyBindWindow) {
    switch (way) {
      case CloseWay::kSent:
        sendFromOutside(window, WM_CLOSE);
        break;
      case CloseWay::kPosted:
        PostMessageW(window, WM_CLOSE, 0, 0);
        break;
      case CloseWay::kSentWhileItsMessageBoxIsUp:
        // Ctrl+Q on a note: the key window's own message box.
        PostMessageW(GetDlgItem(keyBindWindow, 12), BM_CLICK, 0, 0);
        PostMessageW(keyBindWindow, WM_KEYDOWN, VK_CONTROL, 0);
        PostMessageW(keyBindWindow, WM_KEYUP, 'Q', 0);
        PostMessageW(GetDlgItem(keyBindWindow, 100), BM_CLICK, 0, 0);
        break;
    }
  });
  watcher.onMessageBox([&](HWND) {
    if (way == CloseWay::kSentWhileItsMessageBoxIsUp) sendFromOutside(window, WM_CLOSE);
  });
  open(longNote.c_str());
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));

  clickKeyConfig();

  EXPECT_EQ(controller->window(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(topLevelWindows(L"KeyBindWindow", Owner::kThisProcess).empty());
  MSG quit{};
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message was lost";
  EXPECT_EQ(quit.wParam, 0u);
  EXPECT_TRUE(hotkeyIsFree(0, VK_F11));
  EXPECT_TRUE(hotkeyIsFree(0, VK_F10));
  EXPECT_TRUE(hotkeyIsFree(0, VK_F12));
  const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
  const std::size_t expectedBoxes = way == CloseWay::kSentWhileItsMessageBoxIsUp ? 1 : 0;
  ASSERT_EQ(boxes.size(), expectedBoxes);
  if (expectedBoxes == 1) {
    EXPECT_EQ(boxes[0].text, L"Ctrl, Alt and Shift do not use in note");
  }
  controller.reset();
  EXPECT_TRUE(keys.held().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseWhileKeyWindowOpenTest,
                         ::testing::Values(CloseWay::kSent, CloseWay::kPosted, CloseWay::kSentWhileItsMessageBoxIsUp),
                         [](const auto& param) {
                           switch (param.param) {
                             case CloseWay::kSent: return std::string("Sent");
                             case CloseWay::kPosted: return std::string("Posted");
                             case CloseWay::kSentWhileItsMessageBoxIsUp: return std::string("SentWhileItsMessageBoxIsUp");
                           }
                           return std::string();
                         });

TEST_F(MainWindowTest, InitRunsOnlyOnce) {
  open();
  EXPECT_FALSE(controller->init(nullptr));
  EXPECT_EQ(controller->window(), window);
}

// ---- Windows that cannot be made.

// Fails the creation of one window: the main window, or the child with an id.
struct Refusal {
  bool mainWindow = false;
  HWND parent = nullptr;
  int controlId = -1;
};
Refusal gRefusal;

LRESULT CALLBACK refuseCreation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW& create = *reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
    const bool named = !IS_INTRESOURCE(create.lpszClass);
    if (gRefusal.mainWindow && named && lstrcmpiW(create.lpszClass, L"MainWindow") == 0) return 1;
    if (create.hwndParent != nullptr && lstrcmpiW(classOf(create.hwndParent).c_str(), L"MainWindow") == 0 &&
        reinterpret_cast<INT_PTR>(create.hMenu) == gRefusal.controlId && named &&
        lstrcmpiW(create.lpszClass, L"BUTTON") == 0) {
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class RefusedCreation {
 public:
  explicit RefusedCreation(Refusal refusal) {
    gRefusal = refusal;
    hook_ = SetWindowsHookExW(WH_CBT, refuseCreation, nullptr, GetCurrentThreadId());
  }
  ~RefusedCreation() { UnhookWindowsHookEx(hook_); }
  bool active() const { return hook_ != nullptr; }

 private:
  HHOOK hook_;
};

TEST_F(MainWindowTest, MainWindowNotCreatedShowsFailedCreateWindowWithoutOwner) {
  construct();
  {
    RefusedCreation refused(Refusal{.mainWindow = true});
    ASSERT_TRUE(refused.active());
    EXPECT_FALSE(controller->init(nullptr));
  }
  EXPECT_EQ(controller->window(), nullptr);
  const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"Murvane: Error");
  EXPECT_EQ(boxes[0].text, L"Failed create window.");
  EXPECT_EQ(boxes[0].owner, nullptr);
  EXPECT_FALSE(controller->init(nullptr)) << "init ran twice";
}

TEST_F(MainWindowTest, ControlNotCreatedShowsFailedCreateWindowAndClosesTheWindow) {
  construct();
  {
    RefusedCreation refused(Refusal{.controlId = 101});
    ASSERT_TRUE(refused.active());
    EXPECT_FALSE(controller->init(nullptr));
  }
  EXPECT_EQ(controller->window(), nullptr);
  EXPECT_TRUE(topLevelWindows(L"MainWindow", Owner::kThisProcess).empty());
  const std::vector<SeenMessageBox> boxes = watcher.messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Failed create window.");
  EXPECT_NE(boxes[0].owner, nullptr) << "owned by the main window";
  EXPECT_TRUE(hotkeyIsFree(0, VK_F11));
  // The quit message went to init's own loop, not to the caller's.
  MSG quit{};
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// ---- A target above our integrity level.

TEST_F(MainWindowTest, PlayingToAnElevatedTargetSaysKeysAreBlockedAndPlaysAllTheSame) {
  integrityProbe = std::make_unique<FixedIntegrityProbe>(kElevatedTarget, probeReads);
  open(longNote.c_str());
  hotkey(100);
  EXPECT_EQ(status(), kTextPlayingKeysBlocked);
  EXPECT_EQ(button(), kTextTestMidiFile);
  EXPECT_TRUE(waitPumping([&] { return keys.held().size() == 1; })) << "the keys were not sent";
  // The MIDI file test types no keys: its own text.
  clickTest();
  EXPECT_EQ(status(), kTextTestPlaying);
  hotkey(102);
  EXPECT_EQ(status(), kTextStopped);
}

TEST_F(MainWindowTest, MidiInputToAnElevatedTargetSaysKeysAreBlocked) {
  integrityProbe = std::make_unique<FixedIntegrityProbe>(kElevatedTarget, probeReads);
  open(longNote.c_str());
  hotkey(101);
  EXPECT_EQ(status(), kTextMidiInputKeysBlocked);
  EXPECT_TRUE(midiIn.isOpen);
  hotkey(101);
  EXPECT_EQ(status(), kTextStopped);
}

TEST_F(MainWindowTest, TheTargetIsProbedOnceAtEachStartToKeysAndNotForTheMidiFileTest) {
  integrityProbe = std::make_unique<FixedIntegrityProbe>(kTargetAtOurLevel, probeReads);
  open(longNote.c_str());
  EXPECT_EQ(probeReads, 0);
  hotkey(100);
  EXPECT_EQ(status(), kTextPlaying);
  EXPECT_EQ(probeReads, 1);
  clickTest();
  EXPECT_EQ(status(), kTextTestPlaying);
  EXPECT_EQ(probeReads, 1);
  hotkey(100);
  EXPECT_EQ(probeReads, 2);
  hotkey(101);
  EXPECT_EQ(status(), kTextMidiInputing);
  EXPECT_EQ(probeReads, 3);
  pump();  // the stopped playback's end notice refreshes, and probes nothing
  EXPECT_EQ(probeReads, 3);
}

// ---- The focus guard, with the window in front as the test sets it.

class FocusGuardTest : public MainWindowTest {
 protected:
  static constexpr WindowId kGame = 1;
  static constexpr WindowId kChat = 2;

  // Started with the game in front, FocusGuard as given.
  void openGuarded(bool guard) {
    auto fake = std::make_unique<FakeForegroundWindows>();
    windows = fake.get();
    windows->bringToFront(kGame);
    foregroundWindows = std::move(fake);
    open(longNote.c_str());
    if (guard) ini->value(kOptionsSection, kFocusGuardKey) = L"1";
  }
  // As the foreground hook tells it.
  void bringToFront(WindowId id) {
    windows->bringToFront(id);
    SendMessageW(window, kForegroundChangedMessage, 0, 0);
  }

  FakeForegroundWindows* windows = nullptr;
};

TEST_F(FocusGuardTest, PlaybackPausesWithEveryKeyUpWhileAnotherWindowIsInFrontAndPressesThemAgainOnItsReturn) {
  openGuarded(true);
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));
  bringToFront(kChat);
  EXPECT_EQ(status(), kTextPausedAway);
  EXPECT_TRUE(keys.held().empty());
  bringToFront(FakeForegroundWindows::kOurs);  // our own window is never the target
  EXPECT_EQ(status(), kTextPausedAway);
  const std::size_t presses = keys.presses();
  bringToFront(kGame);
  EXPECT_EQ(status(), kTextPlaying);
  EXPECT_EQ(keys.held().size(), 1u);
  EXPECT_EQ(keys.presses(), presses + 1);
  hotkey(100);  // F11 stops as ever
  EXPECT_EQ(status(), kTextStopped);
}

TEST_F(FocusGuardTest, ATargetClosedWhileAwayStopsPlaybackWithoutAnyHookCall) {
  openGuarded(true);
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));
  bringToFront(kChat);
  windows->close(kGame);
  // Only the periodic check can see it.
  EXPECT_TRUE(waitPumping([&] { return status() == kTextStopped; }));
  EXPECT_TRUE(keys.held().empty());
}

TEST_F(FocusGuardTest, MidiInputPausesWhileAwayAndClosesWhenTheTargetCloses) {
  openGuarded(true);
  hotkey(101);
  EXPECT_EQ(status(), kTextMidiInputing);
  bringToFront(kChat);
  EXPECT_EQ(status(), kTextMidiInputPausedAway);
  bringToFront(kGame);
  EXPECT_EQ(status(), kTextMidiInputing);
  windows->close(kGame);
  bringToFront(kChat);
  EXPECT_EQ(status(), kTextStopped);
  EXPECT_FALSE(midiIn.isOpen);
}

TEST_F(FocusGuardTest, WithoutFocusGuardTheKeysFollowTheWindowInFrontAsBefore) {
  openGuarded(false);
  hotkey(100);
  ASSERT_TRUE(waitPumping([&] { return keys.held().size() == 1; }));
  bringToFront(kChat);
  windows->close(kGame);
  pump();
  EXPECT_EQ(status(), kTextPlaying);
  EXPECT_EQ(keys.held().size(), 1u);
}

}  // namespace
}  // namespace murvane
