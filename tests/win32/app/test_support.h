#pragma once

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "output/midi_in_port.h"
#include "output/midi_input.h"
#include "output/midi_out_port.h"
#include "tests/support/ini_store_double.h"
#include "tests/support/key_injector_double.h"

namespace murvane::testing {

// ---- Platform doubles. Each records into a log that the test owns, so the
// log outlives the controller that owns the double.

using test::KeyLog;
using test::MemoryIniStore;
using test::RecordingKeyInjector;

struct MidiOutLog {
  std::atomic<int> opens{0};
  std::atomic<int> messages{0};
  std::atomic<bool> isOpen{false};
};

class FakeMidiOutPort final : public MidiOutPort {
 public:
  explicit FakeMidiOutPort(MidiOutLog& log) : log_(log) {}
  bool open() override {
    ++log_.opens;
    log_.isOpen = true;
    return true;
  }
  void sendShortMessage(std::uint32_t) override { ++log_.messages; }
  void reset() override {}
  void close() override { log_.isOpen = false; }

 private:
  MidiOutLog& log_;
};

struct MidiInLog {
  std::atomic<int> opens{0};
  std::atomic<bool> isOpen{false};
};

// One device that always opens.
class FakeMidiInPort final : public MidiInPort {
 public:
  explicit FakeMidiInPort(MidiInLog& log) : log_(log) {}
  std::uint32_t deviceCount() override { return 1; }
  bool open(MidiInput&) override {
    ++log_.opens;
    log_.isOpen = true;
    return true;
  }
  bool start() override { return true; }
  void stop() override {}
  void reset() override {}
  void close() override { log_.isOpen = false; }

 private:
  MidiInLog& log_;
};

// ---- Windows.

inline std::wstring windowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

inline std::wstring classNameOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

// The children of a window in creation order.
inline std::vector<HWND> childrenOf(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

inline std::vector<HWND> topLevelWindowsOfThisProcess(const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    std::vector<HWND> found;
  } search{className, {}};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(parameter);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
            lstrcmpiW(classNameOf(window).c_str(), s.className) == 0) {
          s.found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The text of a message box: its static control that is not the icon.
inline std::wstring messageBoxText(HWND dialog) {
  for (HWND child : childrenOf(dialog)) {
    if (lstrcmpiW(classNameOf(child).c_str(), L"Static") != 0) continue;
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    std::wstring text = windowText(child);
    if (!text.empty()) return text;
  }
  return {};
}

struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  HWND owner;
};

// Message boxes and modal windows block the thread that shows them, so a
// second thread deals with them: it records each message box of this process
// and presses its OK button, and it hands every other watched window to a
// handler (which should close it).
class WindowWatcher {
 public:
  using Handler = std::function<void(HWND)>;

  WindowWatcher() : thread_([this] { run(); }) {}
  ~WindowWatcher() {
    stop_ = true;
    thread_.join();
  }

  // Runs on the watcher's thread the first time a window of the class shows.
  void watch(const wchar_t* className, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[className] = std::move(handler);
  }
  // Runs on the watcher's thread when a message box first shows, before it
  // is dismissed.
  void onMessageBox(Handler handler) {
    std::lock_guard lock(mutex_);
    messageBoxHandler_ = std::move(handler);
  }

  std::vector<SeenMessageBox> messageBoxes() {
    std::lock_guard lock(mutex_);
    return boxes_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    boxes_.clear();
  }

 private:
  void run() {
    std::set<HWND> seen;
    while (!stop_) {
      for (HWND dialog : topLevelWindowsOfThisProcess(L"#32770")) {
        if (seen.insert(dialog).second) {
          SeenMessageBox box{windowText(dialog), messageBoxText(dialog), GetWindow(dialog, GW_OWNER)};
          Handler handler;
          {
            std::lock_guard lock(mutex_);
            boxes_.push_back(box);
            handler = messageBoxHandler_;
          }
          if (handler) handler(dialog);
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      std::map<std::wstring, Handler> handlers;
      {
        std::lock_guard lock(mutex_);
        handlers = handlers_;
      }
      for (auto& [className, handler] : handlers) {
        for (HWND window : topLevelWindowsOfThisProcess(className.c_str())) {
          if (seen.insert(window).second) handler(window);
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<SeenMessageBox> boxes_;
  std::map<std::wstring, Handler> handlers_;
  Handler messageBoxHandler_;
  std::thread thread_;
};

// Dispatches this thread's messages until the condition holds; false if it
// still does not after a generous limit (a hang, not a timing expectation).
inline bool pumpUntil(const std::function<bool()>& condition) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message != WM_QUIT) DispatchMessageW(&message);
    }
    Sleep(1);
  }
  return true;
}

// Dispatches what is queued now, dropping quit messages.
inline void pumpPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageW(&message);
  }
}

// ---- Files.

inline std::vector<std::uint8_t> midiFileOf(std::vector<std::uint8_t> trackEvents) {
  std::vector<std::uint8_t> bytes = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                     'M', 'T', 'r', 'k'};
  trackEvents.insert(trackEvents.end(), {0x00, 0xFF, 0x2F, 0x00});
  const auto size = static_cast<std::uint32_t>(trackEvents.size());
  bytes.insert(bytes.end(), {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                             static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
  bytes.insert(bytes.end(), trackEvents.begin(), trackEvents.end());
  return bytes;
}

// Note 60 pressed at once and held for days: playback stays on until stopped.
inline std::vector<std::uint8_t> longNoteFile() {
  return midiFileOf({0x00, 0x90, 60, 100, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 60, 0});
}

// Note 60 pressed and released a tick later: playback ends at once.
inline std::vector<std::uint8_t> shortFile() { return midiFileOf({0x00, 0x90, 60, 100, 0x01, 0x80, 60, 0}); }

class TempFolder {
 public:
  TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::filesystem::path(base) / (L"murvane-app-test-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::filesystem::path path_;
};

// A drop of files as the shell makes it: the receiver frees it.
inline HDROP makeDrop(const std::vector<std::wstring>& paths) {
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

}  // namespace murvane::testing
