#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "app/hotkeys.h"
#include "app/options_form.h"
#include "app/string_table.h"
#include "app/window_win32.h"
#include "bindings/ini_store.h"
#include "options/track_suggestion.h"

namespace murvane {

// What the main window hands over when "Options..." is chosen in its system
// menu. Nothing here is owned by the Options window.
struct OptionsWindowContext {
  HINSTANCE instance;
  HWND owner;  // the main window: owns the Options window, and the messages shown when it cannot open
  IniStore* store;
  const StringTable* strings;
  HBRUSH background;
  HotkeyControl* hotkeys;
  const NoteCounts* counts;  // of the loaded file; copied when the window opens
};

// Opens the Options window and returns when it has closed. The caller has
// already stopped playback and closed MIDI input; the options written count
// from the next start. The hotkeys are withdrawn while the window is open,
// so that nothing plays meanwhile, and registered again afterwards, unless
// the program is ending.
void runOptionsWindow(const OptionsWindowContext& context);

inline constexpr wchar_t kOptionsWindowClass[] = L"OptionsWindow";
inline constexpr int kOptionsClientWidth = 576;
inline constexpr int kOptionsClientHeight = 494;
inline constexpr DWORD kOptionsWindowStyle = WS_CAPTION | WS_SYSMENU;

// Control ids. The box of MIDI channel n + 1 has kChannelBoxId + n; OK and
// Cancel have the platform's IDOK and IDCANCEL, which Enter and Escape send.
inline constexpr int kChannelBoxId = 200;
inline constexpr int kSuggestId = 220;
inline constexpr int kTransposeEditId = 221;
inline constexpr int kTransposeUpDownId = 222;
inline constexpr int kFoldBoxId = 223;
inline constexpr int kSpeedEditId = 224;
inline constexpr int kRepressGapEditId = 225;
inline constexpr int kOptionsControlCount = 27;

// One opening of the Options window, modal over its owner. It shows the
// Options section as readPlayOptions reads it, and OK writes it back with
// writePlayOptions.
class OptionsWindow final : public Window {
 public:
  explicit OptionsWindow(const OptionsWindowContext& context);

  // Registers the window class on the first call in the life of the process
  // and does nothing afterwards.
  static void registerClass(HINSTANCE instance, HBRUSH background);

  // Builds and shows the window and its controls. On failure the user has
  // been told (message 1004) and the window no longer exists. A second call
  // on the same object fails at once, without a message.
  bool create();

  using Window::runModalLoop;

 private:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool takesDialogKeys() const override { return true; }

  bool createControls(const OptionsEntry& entry);
  HWND addControl(const wchar_t* className, DWORD style, const wchar_t* text, int x, int y, int width, int height,
                  int id);
  OptionsEntry entry() const;
  void showChannels(std::uint16_t channels);
  void suggest();
  void confirm();
  void refuse(const EntryReading& reading);
  HWND fieldControl(OptionsField field) const;
  std::wstring fieldText(int id) const;
  void showError(const wchar_t* message) const;
  const wchar_t* text(std::int32_t stringId) const;

  bool created_ = false;
  HINSTANCE instance_;
  HWND owner_;
  IniStore* store_;
  const StringTable* strings_;
  NoteCounts counts_;  // a copy: the player that counted may go before this window
  std::array<HWND, kChannelCount> channelBoxes_{};
  HWND lastFocus_ = nullptr;  // the control to give the focus back to
};

}  // namespace murvane
