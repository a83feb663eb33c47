#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/string_table.h"
#include "app/window_win32.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "smf/smf_load_result.h"

namespace murvane {

class AppHost;

inline constexpr wchar_t kPlaylistWindowClass[] = L"PlaylistWindow";

enum PlaylistControlId : int {
  kSongListId = 300,
  kPositionBarId,
  kPositionLabelId,
  kPreviousButtonId,
  kNextButtonId,
  kLoopListId,
  kSavePlaylistId,
};

struct PlaylistWindowContext {
  HINSTANCE instance;
  HWND owner;  // the main window; nothing is done while it has a modal window open
  const StringTable* strings;
  HBRUSH background;
  AppHost* host;
};

// One queued song as the list shows it, once read; `read` false until then.
struct SongRow {
  bool read = false;
  LoadResult result = LoadResult::kOk;
  std::uint64_t lengthMillis = 0;
  std::uint16_t channels = 0x0001;
  int transpose = 0;
  bool own = false;
};

// "m:ss".
std::wstring minutesAndSeconds(std::uint64_t millis);
// What a song plays: its channels from 1 and its shift, "3,4 / +12".
std::wstring playsText(std::uint16_t channels, int transpose);

// "Murvane: Playlist": the queue, modeless beside the main window, whose
// hotkeys go on working. A list view with each song's title, length, what it
// plays and a mark for settings of its own (or its load error), the current
// one marked; read by a thread of its own, so that the window answers at
// once however long the queue. Double-click loads a song, Delete takes the
// selected ones out; Previous, Next, the loop (off, song, queue), the
// playing song's position with a trackbar that seeks, and Save... to a
// UTF-8 .m3u8.
class PlaylistWindow final : public Window {
 public:
  explicit PlaylistWindow(const PlaylistWindowContext& context);
  ~PlaylistWindow() override;

  // Creates and shows the window and starts reading the queue; false when it
  // cannot be created.
  bool open();
  // The queue, or a song in it, changed: read again, shown again.
  void refresh();
  void showPosition();

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool createControls();
  void startReading();
  void stopReading();
  void readSongs(std::vector<std::filesystem::path> songs, BindingTable bindings, std::unique_ptr<IniStore> store);
  void fillItem(NMLVDISPINFOW& item);
  bool busy() const;  // a modal window of the main window's is open
  void removeSelected();
  void save();
  const wchar_t* text(std::int32_t id) const;

  PlaylistWindowContext context_;
  HWND list_ = nullptr;
  HWND bar_ = nullptr;
  HWND label_ = nullptr;
  HWND loop_ = nullptr;
  bool tracking_ = false;  // the trackbar's thumb is being dragged
  std::wstring shownPosition_;
  std::vector<std::filesystem::path> songs_;  // as the list shows them

  std::mutex mutex_;
  std::vector<SongRow> rows_;  // by song: guarded by mutex_
  std::atomic<bool> changed_{false};  // rows read since the list was last drawn
  std::atomic<bool> stop_{false};
  std::thread reader_;
};

}  // namespace murvane
