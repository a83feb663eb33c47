#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "app/control_layout_win32.h"
#include "bindings/binding_table.h"
#include "res/resource.h"

namespace murvane {

inline constexpr WindowShape kKeyBindWindow{L"KeyBindWindow", WS_CAPTION | WS_SYSMENU, 872, 678};
// The entry buttons have the entry as id.
enum KeyBindControlId : int { kKeyBindLabelId = 0, kCommitControlId = 100 };
inline constexpr int kKeyBindControlCount = 3 + 2 * kBindingCount;

namespace key_bind_layout {

inline constexpr int kControlHeight = 30;
// Every control has a border; labels are left-aligned and vertically
// centred, entry buttons left-aligned, Commit centred.
inline constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | SS_CENTERIMAGE;
inline constexpr DWORD kEntryButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_LEFT;
inline constexpr DWORD kCommitButtonStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | BS_PUSHBUTTON | BS_CENTER;

// The notes C3 to B5 in three columns of twelve, C6 alone below the last
// one, the three hotkeys in a row of their own, wider for their names.
inline constexpr int kNoteRows = 12;
inline constexpr int kC6Entry = 36;

struct EntryPlace {
  int x;
  int y;
  int buttonWidth;
  int labelX;
  int labelWidth;
};

constexpr EntryPlace entryPlace(int entry) {
  if (entry < kC6Entry) {
    const int column = entry / kNoteRows;
    return {16 + 288 * column, 70 + 38 * (entry % kNoteRows), 128, 152 + 288 * column, 128};
  }
  if (entry == kC6Entry) return {592, 526, 128, 728, 128};
  return {224, 564 + 38 * (entry - kHotkeyPlayIndex), 160, 392, 256};
}

}  // namespace key_bind_layout

// The key configuration window's controls in creation order: the label of
// the selected entry, the label of the captured key, Commit, then for every
// entry its button (the entry as id and as source: its caption) and the
// label of its key (the entry as source).
constexpr std::array<ControlLayout, kKeyBindControlCount> keyBindLayout() {
  using namespace key_bind_layout;
  std::array<ControlLayout, kKeyBindControlCount> layout{{
      {L"STATIC", kKeyBindLabelId, 188, 8, 160, kControlHeight, kLabelStyle, kTextOfWindow, kNoSource},
      {L"STATIC", kKeyBindLabelId, 356, 8, 256, kControlHeight, kLabelStyle, kTextOfWindow, kNoSource},
      {L"BUTTON", kCommitControlId, 620, 8, 64, kControlHeight, kCommitButtonStyle, IDS_COMMIT, kNoSource},
  }};
  for (int entry = 0; entry < kBindingCount; ++entry) {
    const EntryPlace place = entryPlace(entry);
    const auto slot = static_cast<std::size_t>(3 + 2 * entry);
    layout[slot] = {L"BUTTON", entry, place.x, place.y, place.buttonWidth, kControlHeight, kEntryButtonStyle,
                    kTextOfWindow, entry};
    layout[slot + 1] = {L"STATIC", kKeyBindLabelId, place.labelX, place.y, place.labelWidth, kControlHeight,
                        kLabelStyle, kTextOfWindow, entry};
  }
  return layout;
}

inline constexpr std::array<ControlLayout, kKeyBindControlCount> kKeyBindLayout = keyBindLayout();

}  // namespace murvane
