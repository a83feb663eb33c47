#include "app/playlist_window_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "app/app_host_win32.h"
#include "app/controller.h"
#include "playback/song_setup.h"
#include "smf/smf_note_counts.h"
#include "res/resource.h"

namespace murvane {
namespace {

WindowClass gPlaylistWindowClass{kPlaylistWindowClass, {}};

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 394;
// The list and the position are drawn again at most this often while the
// songs are read and while one plays.
constexpr UINT_PTR kRedrawTimerId = 1;
constexpr UINT kRedrawMillis = 250;
// The list's columns: the title (the current song marked), the length, what
// it plays (or why it does not load), a mark for settings of its own.
constexpr int kColumnWidths[] = {340, 64, 180, 32};

std::int32_t loadErrorText(LoadResult result) { return loadFailureMessage(result); }

}  // namespace

std::wstring minutesAndSeconds(std::uint64_t millis) {
  const std::uint64_t seconds = millis / 1000;
  std::wstring text = std::to_wstring(seconds / 60) + L":";
  if (seconds % 60 < 10) text += L'0';
  return text + std::to_wstring(seconds % 60);
}

std::wstring playsText(std::uint16_t channels, int transpose) {
  std::wstring text;
  for (int channel = 0; channel < 16; ++channel) {
    if ((channels >> channel & 1u) == 0) continue;
    if (!text.empty()) text += L',';
    text += std::to_wstring(channel + 1);
  }
  text += L" / ";
  if (transpose > 0) text += L'+';
  return text + std::to_wstring(transpose);
}

PlaylistWindow::PlaylistWindow(const PlaylistWindowContext& context) : context_(context) {}

PlaylistWindow::~PlaylistWindow() {
  stopReading();
  if (window() != nullptr) DestroyWindow(window());
}

const wchar_t* PlaylistWindow::text(std::int32_t id) const {
  const wchar_t* found = context_.strings != nullptr ? context_.strings->lookup(id) : nullptr;
  return found != nullptr ? found : L"";
}

bool PlaylistWindow::open() {
  static const bool classes = [] {
    INITCOMMONCONTROLSEX wanted{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&wanted) != FALSE;
  }();
  static_cast<void>(classes);  // without them the controls are not made, which fails below
  registerClass(gPlaylistWindowClass, context_.instance, context_.background);
  if (!createCentred(Frame{context_.instance, kPlaylistWindowClass, text(IDS_PLAYLIST_TITLE), kWindowStyle, kClientWidth,
                           kClientHeight})) {
    return false;
  }
  if (!createControls()) {
    DestroyWindow(window());
    return false;
  }
  refresh();
  SetTimer(window(), kRedrawTimerId, kRedrawMillis, nullptr);
  ShowWindow(window(), SW_SHOW);
  return true;
}

bool PlaylistWindow::createControls() {
  const auto make = [this](const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                           int height, int id) {
    return CreateWindowExW(0, className, title, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), context_.instance, nullptr);
  };
  list_ = make(WC_LISTVIEWW, L"", WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_OWNERDATA |
                                      LVS_SHOWSELALWAYS, 8, 8, 624, 300, kSongListId);
  bar_ = make(TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_NOTICKS, 8, 316, 480, 30, kPositionBarId);
  label_ = make(L"STATIC", L"", SS_CENTERIMAGE, 496, 316, 136, 30, kPositionLabelId);
  const HWND previous = make(L"BUTTON", text(IDS_PREVIOUS_SONG), WS_TABSTOP | BS_PUSHBUTTON, 8, 356, 112, 30,
                             kPreviousButtonId);
  const HWND next = make(L"BUTTON", text(IDS_NEXT_SONG), WS_TABSTOP | BS_PUSHBUTTON, 128, 356, 112, 30, kNextButtonId);
  loop_ = make(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 256, 359, 200, 120, kLoopListId);
  const HWND save = make(L"BUTTON", text(IDS_SAVE_PLAYLIST), WS_TABSTOP | BS_PUSHBUTTON, 520, 356, 112, 30,
                         kSavePlaylistId);
  if (list_ == nullptr || bar_ == nullptr || label_ == nullptr || previous == nullptr || next == nullptr ||
      loop_ == nullptr || save == nullptr) {
    return false;
  }
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column) {
    LVCOLUMNW layout{};
    layout.mask = LVCF_WIDTH | LVCF_FMT;
    layout.fmt = column == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    layout.cx = kColumnWidths[column];
    SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&layout));
  }
  for (const std::int32_t id : {IDS_LOOP_OFF, IDS_LOOP_SONG, IDS_LOOP_QUEUE}) {
    SendMessageW(loop_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text(id)));
  }
  SendMessageW(loop_, CB_SETCURSEL, static_cast<WPARAM>(context_.host->queueLoop()), 0);
  return true;
}

void PlaylistWindow::refresh() {
  if (window() == nullptr) return;
  stopReading();
  songs_ = context_.host->queue();
  {
    std::lock_guard lock(mutex_);
    rows_.assign(songs_.size(), SongRow{});
  }
  SendMessageW(list_, LVM_SETITEMCOUNT, songs_.size(), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, TRUE);
  startReading();
  showPosition();
}

void PlaylistWindow::startReading() {
  stop_ = false;
  // The thread reads the INI file through a store of its own.
  reader_ = std::thread([this, songs = songs_, bindings = context_.host->bindings(),
                         store = context_.host->iniReader()]() mutable { readSongs(songs, bindings, std::move(store)); });
}

void PlaylistWindow::stopReading() {
  stop_ = true;
  if (reader_.joinable()) reader_.join();
}

// A song at a time, as the player would load it; the window draws what has
// been read on its timer.
void PlaylistWindow::readSongs(std::vector<std::filesystem::path> songs, BindingTable bindings,
                               std::unique_ptr<IniStore> store) {
  const std::unique_ptr<FileReader> reader = makePlatformFileReader();
  for (std::size_t index = 0; index < songs.size() && !stop_; ++index) {
    // Counted only for a song that AutoSuggest plays: most of the time there is.
    ReadSong song = readSong(*reader, songs[index], SongParts{true, false});
    const bool loaded = song.result == LoadResult::kOk;
    SongSetup setup;
    if (store) setup = setUpSong(*store, bindings, song.hash, nullptr);
    if (store && loaded && setup.song.options.autoSuggest && !setup.song.ownChannelsOrTranspose) {
      song.counts = countNoteOns(*song.file);
      setup = setUpSong(*store, bindings, song.hash, &song.counts);
    }
    SongRow row{true, song.result, 0, setup.song.options.channels, setup.song.options.transpose, setup.song.own};
    if (loaded) row.lengthMillis = songLengthMillis(*song.file, setup.song.options.speed);
    std::lock_guard lock(mutex_);
    rows_[index] = row;
    changed_ = true;
  }
}

void PlaylistWindow::fillItem(NMLVDISPINFOW& shown) {
  LVITEMW& item = shown.item;
  if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 || static_cast<std::size_t>(item.iItem) >= songs_.size()) return;
  const auto index = static_cast<std::size_t>(item.iItem);
  SongRow row;
  {
    std::lock_guard lock(mutex_);
    if (index < rows_.size()) row = rows_[index];
  }
  // The player's own load wins: the file may have changed since it was read.
  const std::optional<LoadResult> failed = context_.host->failureOf(index);
  const LoadResult result = failed ? *failed : row.result;
  std::wstring value;
  switch (item.iSubItem) {
    case 0:
      value = (context_.host->currentSong() == index ? L"\u25B6 " : L"   ") + songs_[index].filename().wstring();
      break;
    case 1:
      if (row.read && result == LoadResult::kOk) value = minutesAndSeconds(row.lengthMillis);
      break;
    case 2:
      if (result != LoadResult::kOk) {
        value = text(loadErrorText(result));
      } else if (row.read) {
        value = playsText(row.channels, row.transpose);
      }
      break;
    case 3:
      if (row.own) value = L"*";
      break;
    default:
      break;
  }
  if (item.pszText != nullptr && item.cchTextMax > 0) {
    const std::size_t room = static_cast<std::size_t>(item.cchTextMax) - 1;
    const std::size_t count = std::min(value.size(), room);
    std::copy_n(value.c_str(), count, item.pszText);
    item.pszText[count] = L'\0';
  }
}

void PlaylistWindow::showPosition() {
  if (window() == nullptr || tracking_) return;
  const std::uint64_t length = context_.host->lengthMillis();
  const std::uint64_t position = std::min(context_.host->positionMillis(), length);
  SendMessageW(bar_, TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(length / 1000));
  SendMessageW(bar_, TBM_SETPOS, TRUE, static_cast<LPARAM>(position / 1000));
  const std::wstring shown = length == 0 ? std::wstring() : minutesAndSeconds(position) + L" / " + minutesAndSeconds(length);
  if (shown != shownPosition_) {
    shownPosition_ = shown;
    SetWindowTextW(label_, shown.c_str());
  }
}

bool PlaylistWindow::busy() const {
  const Window* owner = Window::fromHandle(context_.owner);
  return owner != nullptr && owner->ownsModalWindow();
}

void PlaylistWindow::removeSelected() {
  std::vector<std::size_t> selected;
  for (int item = -1; (item = static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(item),
                                                            LVNI_SELECTED))) >= 0;) {
    selected.push_back(static_cast<std::size_t>(item));
  }
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  context_.host->removeQueued(std::move(selected));
}

void PlaylistWindow::save() {
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window();
  dialog.lpstrFilter = L"*.m3u8\0*.m3u8\0";
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"m3u8";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return;
  path.resize(path.find(L'\0'));
  // The only text there is for a file that cannot be made or written.
  if (!context_.host->saveQueue(path)) showErrorMessage(window(), text(IDS_ERROR_OPEN_FILE), context_.strings);
}

LRESULT PlaylistWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      stopReading();
      DestroyWindow(window());
      return 0;
    case WM_TIMER:
      if (wParam != kRedrawTimerId) break;
      if (changed_.exchange(false)) InvalidateRect(list_, nullptr, FALSE);
      showPosition();
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != kSongListId) break;
      if (header->code == LVN_GETDISPINFOW) {
        fillItem(*reinterpret_cast<NMLVDISPINFOW*>(lParam));
        return 0;
      }
      if (busy()) return 0;
      if (header->code == NM_DBLCLK) {
        const int item = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
        if (item >= 0) context_.host->loadQueued(static_cast<std::size_t>(item));
        return 0;
      }
      if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(lParam)->wVKey == VK_DELETE) {
        removeSelected();
        return 0;
      }
      break;
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) != bar_) break;
      tracking_ = LOWORD(wParam) == TB_THUMBTRACK;
      if (LOWORD(wParam) != TB_THUMBTRACK && LOWORD(wParam) != TB_ENDTRACK && !busy()) {
        const auto seconds = static_cast<std::uint64_t>(SendMessageW(bar_, TBM_GETPOS, 0, 0));
        context_.host->seekTo(seconds * 1000);
      }
      return 0;
    case WM_COMMAND:
      if (busy()) return 0;
      switch (LOWORD(wParam)) {
        case kPreviousButtonId:
          context_.host->run(Event::kPreviousHotkey);
          return 0;
        case kNextButtonId:
          context_.host->run(Event::kNextHotkey);
          return 0;
        case kSavePlaylistId:
          save();
          return 0;
        case kLoopListId:
        {
          if (HIWORD(wParam) != CBN_SELCHANGE) break;
          const LRESULT chosen = SendMessageW(loop_, CB_GETCURSEL, 0, 0);
          if (chosen < 0 || chosen > static_cast<LRESULT>(QueueLoop::kQueue)) return 0;
          // Song is the Loop option: written as the Options window writes it.
          if (!context_.host->setQueueLoop(static_cast<QueueLoop>(chosen))) {
            showErrorMessage(window(), text(IDS_ERROR_SAVE_SETTINGS), context_.strings);
          }
          return 0;
        }
        default:
          break;
      }
      break;
    default:
      break;
  }
  return defaultProcessing(message, wParam, lParam);
}

}  // namespace murvane
