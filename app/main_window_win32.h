#pragma once

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app_host_win32.h"
#include "app/controller.h"
#include "app/playlist_window_win32.h"
#include "app/window_win32.h"

namespace murvane {

inline constexpr wchar_t kMainWindowClass[] = L"MainWindow";
inline constexpr int kMainClientWidth = 480;
inline constexpr int kMainClientHeight = 122;
inline constexpr int kKeyConfigButtonId = 100;
inline constexpr int kTestButtonId = 101;
// "Options..." in the system menu: below the system's own commands (0xF000
// and up), with the low four bits clear, as the system menu wants.
inline constexpr UINT kOptionsCommandId = 0x0110;
// "Playlist..." likewise.
inline constexpr UINT kPlaylistCommandId = 0x0120;

// The main window with its two labels, two buttons and "Options..." in its
// system menu. It decodes messages into the controller's events for the
// host, which does the work, and shows the texts of the state. Everything
// runs on the thread that constructs it, which must run a message loop.
//
// The process-wide values (instance, strings, brush) must be set up before
// construction and outlive the object.
class MainWindow final : public Window, private HostWindow {
 public:
  // Registers the window class (once per process) and makes the host, which
  // loads the bindings; makes no window yet.
  MainWindow(HINSTANCE instance, MainWindowServices services);
  // Closes the window first if it still exists; then the host goes, in its
  // own order.
  ~MainWindow();

  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its controls, attaches the host (hotkeys and
  // player) and loads the file named first on the command line. False if it
  // ran before or a window could not be made; the user has been told then,
  // and a window that was made has been closed again (this runs the thread's
  // messages until the quit message).
  bool init();
  // The same with the file given; null for none.
  bool init(const wchar_t* commandLineFile);
  // The same with the files given, queued in their order; none: the kept
  // queue, if it holds more than one song.
  bool init(const std::vector<std::filesystem::path>& commandLineFiles);

  void refreshStatus() override;

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  bool createControls();
  void addOptionsToSystemMenu();
  void openPlaylist();
  void failAfterWindow();
  void close();
  void onDropFiles(HDROP drop);

  void refreshStatusIfChanged() override;
  void showLoaded(const std::filesystem::path& path, bool loaded) override;
  void openKeyConfig() override;
  void openOptions() override;
  void queueChanged(bool opened) override;
  void showError(std::int32_t stringId) override;

  bool initialised_ = false;
  HINSTANCE instance_;
  HWND fileLabel_ = nullptr;
  HWND statusLabel_ = nullptr;
  HWND keyConfigButton_ = nullptr;
  HWND testButton_ = nullptr;
  StatusTexts shownTexts_{0, 0};
  AppHost host_;
  std::unique_ptr<PlaylistWindow> playlist_;  // while open; goes before the host
};

}  // namespace murvane
