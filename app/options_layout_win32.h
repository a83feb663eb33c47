#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstddef>

#include "app/control_layout_win32.h"
#include "app/hotkey_form.h"
#include "app/options_form.h"
#include "res/resource.h"

namespace murvane {

inline constexpr WindowShape kOptionsWindow{L"OptionsWindow", WS_CAPTION | WS_SYSMENU, 816, 622};

// The box of MIDI channel n + 1 has kChannelBoxId + n; OK and Cancel have the
// platform's IDOK and IDCANCEL, which Enter and Escape send.
enum OptionsControlId : int {
  kOptionsLabelId = 0,
  kChannelBoxId = 200,
  kSuggestId = 220,
  kTransposeEditId,
  kTransposeUpDownId,
  kFoldBoxId,
  kSpeedEditId,
  kRepressGapEditId,
  kLayoutListId,
  kModifierHoldEditId,
  kFocusGuardBoxId,
  kMidiInDeviceListId,
  kLoopBoxId,
  kPressLengthEditId,
  kMaxKeysEditId,
  kChordSpreadEditId,
  kOnlyThisSongBoxId,
  kAutoSuggestBoxId,
  // The hotkey control of control hotkey n (Pause, Seek back, ...) has
  // kControlHotkeyId + n.
  kControlHotkeyId = 240,
};
inline constexpr int kOptionsControlCount = kChannelCount + 27 + 2 * kHotkeyRowCount;

namespace options_layout {

inline constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE;
inline constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
inline constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | BS_PUSHBUTTON;
inline constexpr DWORD kOkButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | BS_DEFPUSHBUTTON;
inline constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
inline constexpr DWORD kUpDownStyle = WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
inline constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
inline constexpr DWORD kHotkeyStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER;

enum Metric : int { kRowHeight = 24, kButtonHeight = 30, kChannelRows = 8 };
// Wide enough for a channel's track name, instrument and counts.
enum ChannelColumn : int { kChannelWidth = 384, kChannelColumnStep = 400 };
// The fields' labels at the left, the fields in a column of their own.
enum FieldColumn : int { kFieldLabelWidth = 200, kFieldX = 224, kFieldWidth = 64 };
// How a game takes keys: fields of their own in the right column, beside
// Transpose, Fold and Speed, so that no other control moves for them. Tab
// comes to them after the left column.
enum GameFieldColumn : int { kGameLabelX = 416, kGameFieldX = 624 };
// A list ends before the right column, whose labels would cover it and take
// its clicks; dropped down it is wider, for long names. Its height is that of
// the list when it drops down (the closed box takes the font's).
enum ListMetric : int { kListWidth = 184, kListDroppedWidth = 336, kListDropHeight = 200 };
// So do the check boxes beside the right column's rows.
enum CheckBoxMetric : int { kLeftCheckBoxWidth = 392, kCheckBoxWidth = 544 };
// The control hotkeys in the right column below the game's fields, a row
// every 32 as on the left; wide enough for "Ctrl + Shift + Alt + F12".
enum HotkeyColumn : int { kHotkeyTop = 406, kHotkeyWidth = 176 };

}  // namespace options_layout

// The Options window's controls in creation order, which is the order Tab
// moves in: the sixteen channel boxes in two columns (the channel index as
// source: their labels count the file's notes), Suggest, the fields with
// their labels (the edits show the section as read; the lists are filled by
// the window), the control hotkeys (filled by the window from the
// bindings), Loop, OK and Cancel.
constexpr std::array<ControlLayout, kOptionsControlCount> optionsLayout() {
  using namespace options_layout;
  std::array<ControlLayout, kOptionsControlCount> layout{};
  for (int channel = 0; channel < kChannelCount; ++channel) {
    layout[static_cast<std::size_t>(channel)] = {L"BUTTON", kChannelBoxId + channel,
                                                 16 + kChannelColumnStep * (channel / kChannelRows),
                                                 16 + 30 * (channel % kChannelRows), kChannelWidth, kRowHeight,
                                                 kCheckBoxStyle, kTextOfWindow, channel};
  }
  const ControlLayout rest[] = {
      {L"BUTTON", kSuggestId, 16, 264, 128, kButtonHeight, kButtonStyle, IDS_SUGGEST, kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 310, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_TRANSPOSE, kNoSource},
      {L"EDIT", kTransposeEditId, kFieldX, 310, kFieldWidth, kRowHeight, kEditStyle, kTextOfWindow, kNoSource},
      {UPDOWN_CLASSW, kTransposeUpDownId, kFieldX + kFieldWidth, 310, 16, kRowHeight, kUpDownStyle, kTextOfWindow,
       kNoSource},
      {L"BUTTON", kFoldBoxId, 16, 342, kLeftCheckBoxWidth, kRowHeight, kCheckBoxStyle, IDS_FOLD_OCTAVES, kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 374, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_SPEED, kNoSource},
      {L"EDIT", kSpeedEditId, kFieldX, 374, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow, kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 406, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_REPRESS_GAP, kNoSource},
      {L"EDIT", kRepressGapEditId, kFieldX, 406, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow,
       kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 438, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_LAYOUT, kNoSource},
      {L"COMBOBOX", kLayoutListId, kFieldX, 438, kListWidth, kListDropHeight, kListStyle, kTextOfWindow, kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 470, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_MODIFIER_HOLD, kNoSource},
      {L"EDIT", kModifierHoldEditId, kFieldX, 470, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow,
       kNoSource},
      {L"BUTTON", kFocusGuardBoxId, 16, 502, kLeftCheckBoxWidth, kRowHeight, kCheckBoxStyle, IDS_FOCUS_GUARD,
       kNoSource},
      {L"STATIC", kOptionsLabelId, 16, 534, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_MIDI_IN_DEVICE, kNoSource},
      {L"COMBOBOX", kMidiInDeviceListId, kFieldX, 534, kListWidth, kListDropHeight, kListStyle, kTextOfWindow,
       kNoSource},
      {L"STATIC", kOptionsLabelId, kGameLabelX, 310, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_PRESS_LENGTH,
       kNoSource},
      {L"EDIT", kPressLengthEditId, kGameFieldX, 310, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow,
       kNoSource},
      {L"STATIC", kOptionsLabelId, kGameLabelX, 342, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_MAX_KEYS,
       kNoSource},
      {L"EDIT", kMaxKeysEditId, kGameFieldX, 342, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow,
       kNoSource},
      {L"STATIC", kOptionsLabelId, kGameLabelX, 374, kFieldLabelWidth, kRowHeight, kLabelStyle, IDS_CHORD_SPREAD,
       kNoSource},
      {L"EDIT", kChordSpreadEditId, kGameFieldX, 374, kFieldWidth, kRowHeight, kEditStyle | ES_NUMBER, kTextOfWindow,
       kNoSource},
  };
  // The control hotkeys' rows, a label and a hotkey control each, below the
  // game's fields.
  const ControlLayout hotkeyRow[] = {
      {L"STATIC", kOptionsLabelId, kGameLabelX, kHotkeyTop, kFieldLabelWidth, kRowHeight, kLabelStyle,
       IDS_HOTKEY_PAUSE, kNoSource},
      {HOTKEY_CLASSW, kControlHotkeyId, kGameFieldX, kHotkeyTop, kHotkeyWidth, kRowHeight, kHotkeyStyle,
       kTextOfWindow, kNoSource},
  };
  const ControlLayout last[] = {
      // On the row of OK and Cancel, centred on their height.
      {L"BUTTON", kLoopBoxId, 16, 579, kCheckBoxWidth, kRowHeight, kCheckBoxStyle, IDS_LOOP, kNoSource},
      {L"BUTTON", IDOK, 592, 576, 96, kButtonHeight, kOkButtonStyle, IDS_OK, kNoSource},
      {L"BUTTON", IDCANCEL, 704, 576, 96, kButtonHeight, kButtonStyle, IDS_CANCEL, kNoSource},
      // On Suggest's row: where the options go, and Suggest for every song.
      {L"BUTTON", kAutoSuggestBoxId, 160, 267, 408, kRowHeight, kCheckBoxStyle, IDS_AUTO_SUGGEST, kNoSource},
      {L"BUTTON", kOnlyThisSongBoxId, 592, 267, 208, kRowHeight, kCheckBoxStyle, IDS_ONLY_THIS_SONG, kNoSource},
  };
  std::size_t at = kChannelCount;
  for (const ControlLayout& control : rest) layout[at++] = control;
  constexpr std::int32_t kHotkeyLabels[kHotkeyRowCount] = {IDS_HOTKEY_PAUSE, IDS_HOTKEY_SEEK_BACK,
                                                            IDS_HOTKEY_SEEK_FORWARD, IDS_HOTKEY_SLOWER,
                                                            IDS_HOTKEY_FASTER};
  for (int slot = 0; slot < kHotkeyRowCount; ++slot) {
    for (ControlLayout control : hotkeyRow) {
      control.y += 32 * slot;
      if (control.id == kControlHotkeyId) control.id += slot;
      if (control.id == kOptionsLabelId) control.textId = kHotkeyLabels[slot];
      layout[at++] = control;
    }
  }
  for (const ControlLayout& control : last) layout[at++] = control;
  return layout;
}

inline constexpr std::array<ControlLayout, kOptionsControlCount> kOptionsLayout = optionsLayout();

}  // namespace murvane
