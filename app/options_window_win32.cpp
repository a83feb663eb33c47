#include "app/options_window_win32.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "options/play_options.h"
#include "options/song_options.h"
#include "smf/name_text.h"
#include "res/resource.h"

namespace murvane {

namespace {

WindowClass gOptionsWindowClass{kOptionsWindow.className, {}};

std::wstring_view orEmpty(const wchar_t* text) { return text != nullptr ? std::wstring_view(text) : std::wstring_view(); }

}  // namespace

OptionsWindow::OptionsWindow(const OptionsWindowContext& context)
    : ModalWindow(ModalFrame{context.instance, context.owner, context.strings, kOptionsWindow, IDS_OPTIONS_TITLE}),
      store_(context.store),
      counts_(context.counts != nullptr ? *context.counts : NoteCounts{}),
      fileLoaded_(context.counts != nullptr),
      layouts_(context.layouts),
      midiInDevices_(context.midiInDevices),
      defaultKeyed_(context.defaultKeyed),
      keyed_(context.defaultKeyed),
      songHash_(context.songHash),
      bindings_(context.bindings) {}

void OptionsWindow::registerClass(HINSTANCE instance, HBRUSH background) {
  // The up-down and hotkey controls live in the common controls library.
  static const bool upDownClass = [] {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS | ICC_HOTKEY_CLASS};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  static_cast<void>(upDownClass);  // without it they are not created, which is reported then
  Window::registerClass(gOptionsWindowClass, instance, background);
}

bool OptionsWindow::createControls() {
  // The song's own settings over [Options], as it plays.
  const SongOptions song = readSongOptions(*store_, songHash_);
  opened_ = entryOf(song.options);
  ownAtOpening_ = song.own;
  keyed_ = keyedOf(opened_.layout);
  const OptionsEntry& current = opened_;
  for (const ControlLayout& control : kOptionsLayout) {
    const std::wstring initial = initialText(control, current);
    const HWND created =
        addControl(control, control.textId != kTextOfWindow ? text(control.textId) : initial.c_str());
    if (created == nullptr) return false;
    if (control.source != kNoSource) channelBoxes_[static_cast<std::size_t>(control.source)] = created;
  }
  showChannels(current.channels);
  const HWND upDown = GetDlgItem(window(), kTransposeUpDownId);
  SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(window(), kTransposeEditId)), 0);
  SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(-kTransposeLimit), kTransposeLimit);
  // Setting the position would rewrite the field; it reads the field when clicked.
  CheckDlgButton(window(), kFoldBoxId, current.foldOctaves ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), kFocusGuardBoxId, current.focusGuard ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), kLoopBoxId, current.loop ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), kAutoSuggestBoxId, current.autoSuggest ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window(), kOnlyThisSongBoxId, ownAtOpening_ ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(window(), kOnlyThisSongBoxId), !songHash_.empty());
  const std::wstring_view missing = orEmpty(text(IDS_NAME_MISSING));
  layoutNames_ = showChoices(kLayoutListId, choiceList(orEmpty(text(IDS_LAYOUT_DEFAULT)),
                                                       layoutChoices(orEmpty(text(IDS_LAYOUT_ENTRY)), layouts_),
                                                       missing, current.layout));
  deviceNames_ = showChoices(kMidiInDeviceListId, choiceList(orEmpty(text(IDS_MIDI_IN_FIRST_DEVICE)),
                                                             deviceChoices(midiInDevices_), missing,
                                                             current.midiInDevice));
  shownHotkeys_ = shownControlHotkeys(*bindings_);
  for (int slot = 0; slot < kHotkeyRowCount; ++slot) {
    SendDlgItemMessageW(window(), kControlHotkeyId + slot, HKM_SETHOTKEY,
                        hotkeyControlValueOf(shownHotkeys_[static_cast<std::size_t>(slot)]), 0);
  }
  return true;
}

std::vector<std::wstring> OptionsWindow::showChoices(int id, const ChoiceList& list) {
  const HWND box = GetDlgItem(window(), id);
  std::vector<std::wstring> names;
  for (const Choice& entry : list.entries) {
    SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.text.c_str()));
    names.push_back(entry.name);
  }
  SendMessageW(box, CB_SETCURSEL, list.selected, 0);
  SendMessageW(box, CB_SETDROPPEDWIDTH, options_layout::kListDroppedWidth, 0);
  return names;
}

// A list that has lost its entries, or its selection, keeps the name.
std::wstring OptionsWindow::chosenName(int id, const std::vector<std::wstring>& names,
                                       const std::wstring& opened) const {
  const LRESULT selected = SendDlgItemMessageW(window(), id, CB_GETCURSEL, 0, 0);
  if (selected < 0 || static_cast<std::size_t>(selected) >= names.size()) return opened;
  return names[static_cast<std::size_t>(selected)];
}

std::wstring OptionsWindow::initialText(const ControlLayout& control, const OptionsEntry& current) const {
  if (control.source != kNoSource) {
    const auto channel = static_cast<std::uint8_t>(control.source);
    const ChannelLabelTexts texts{orEmpty(text(IDS_CHANNEL_NOTES)), orEmpty(text(IDS_CHANNEL_NAMED_NOTES)),
                                  orEmpty(text(IDS_CHANNEL_NO_NOTES))};
    return channelLabel(texts, counts_, channel, nameTextWide(counts_.channels[channel].trackNames), keyed_);
  }
  switch (control.id) {
    case kTransposeEditId: return current.transpose;
    case kSpeedEditId: return current.speed;
    case kRepressGapEditId: return current.repressGap;
    case kModifierHoldEditId: return current.modifierHold;
    case kPressLengthEditId: return current.pressLength;
    case kMaxKeysEditId: return current.maxKeys;
    case kChordSpreadEditId: return current.chordSpread;
    default: return {};
  }
}

void OptionsWindow::shown() { SetFocus(GetNextDlgTabItem(window(), nullptr, FALSE)); }

bool OptionsWindow::answerCommand(int id) {
  switch (id) {
    case kSuggestId:
      suggest();
      return true;
    case IDOK:
      confirm();
      return true;
    case IDCANCEL:
      destroy();
      return true;
    default:
      return false;
  }
}

std::optional<LRESULT> OptionsWindow::answerMessage(UINT message, WPARAM wParam, LPARAM) {
  // As a dialog box does: the control that had the focus gets it back when
  // the window is active again (after a message box, or another program),
  // instead of the window itself, which takes no keys.
  if (message != WM_ACTIVATE) return std::nullopt;
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window(), focus)) lastFocus_ = focus;
  } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
    SetFocus(lastFocus_);
    return 0;
  }
  return std::nullopt;
}

OptionsEntry OptionsWindow::entry() const {
  // What the window has no control for is kept as the file gave it.
  OptionsEntry current = opened_;
  current.channels = 0;
  for (std::size_t channel = 0; channel < channelBoxes_.size(); ++channel) {
    if (SendMessageW(channelBoxes_[channel], BM_GETCHECK, 0, 0) == BST_CHECKED) current.channels |= 1u << channel;
  }
  current.transpose = fieldText(kTransposeEditId);
  current.foldOctaves = IsDlgButtonChecked(window(), kFoldBoxId) == BST_CHECKED;
  current.speed = fieldText(kSpeedEditId);
  current.repressGap = fieldText(kRepressGapEditId);
  current.layout = chosenName(kLayoutListId, layoutNames_, opened_.layout);
  current.modifierHold = fieldText(kModifierHoldEditId);
  current.focusGuard = IsDlgButtonChecked(window(), kFocusGuardBoxId) == BST_CHECKED;
  current.midiInDevice = chosenName(kMidiInDeviceListId, deviceNames_, opened_.midiInDevice);
  current.loop = IsDlgButtonChecked(window(), kLoopBoxId) == BST_CHECKED;
  current.pressLength = fieldText(kPressLengthEditId);
  current.maxKeys = fieldText(kMaxKeysEditId);
  current.chordSpread = fieldText(kChordSpreadEditId);
  current.autoSuggest = IsDlgButtonChecked(window(), kAutoSuggestBoxId) == BST_CHECKED;
  return current;
}

// Only the program's own changes apply the rule for channels without notes:
// a box the user has just unchecked stays enabled, so the click can be undone.
void OptionsWindow::showChannels(std::uint16_t channels) {
  for (std::size_t channel = 0; channel < channelBoxes_.size(); ++channel) {
    const bool checked = (channels >> channel & 1u) != 0;
    SendMessageW(channelBoxes_[channel], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(channelBoxes_[channel],
                 channelSelectable(fileLoaded_ ? &counts_ : nullptr, static_cast<std::uint8_t>(channel), checked));
  }
}

// A layout the lists do not know plays as the default, so it counts so too.
KeyedNotes OptionsWindow::keyedOf(const std::wstring& layout) const {
  for (const LayoutChoice& choice : layouts_) {
    if (!layout.empty() && choice.name == layout) return choice.keyed;
  }
  return defaultKeyed_;
}

// Against the layout chosen in the list now, which may not be saved yet.
void OptionsWindow::suggest() {
  const KeyedNotes keyed = keyedOf(chosenName(kLayoutListId, layoutNames_, opened_.layout));
  const OptionsEntry suggested = withSuggestion(entry(), suggestTrack(counts_, keyed));
  showChannels(suggested.channels);
  SetDlgItemTextW(window(), kTransposeEditId, suggested.transpose.c_str());
}

void OptionsWindow::confirm() {
  const EntryReading reading = readEntry(entry());
  if (!reading.options) {
    refuse(reading);
    return;
  }
  const ControlHotkeys hotkeys = enteredHotkeys();
  if (const HotkeyRefusal refusal = refusedHotkey(*bindings_, shownHotkeys_, hotkeys); refusal.slot >= 0) {
    refuseHotkey(refusal);
    return;
  }
  PlayOptions options = *reading.options;
  const bool onlyThisSong = !songHash_.empty() && IsDlgButtonChecked(window(), kOnlyThisSongBoxId) == BST_CHECKED;
  // A key this window does not show keeps what the file holds where it goes.
  const PlayOptions held = onlyThisSong ? readSongOptions(*store_, songHash_).options : readPlayOptions(*store_);
  options.seekStep = held.seekStep;
  options.songGap = held.songGap;
  bool saved = false;
  if (onlyThisSong) {
    saved = writeSongOptions(*store_, songHash_, options);
  } else {
    // Unchecked, the song plays with [Options] alone again; what it had of
    // its own goes to [Options] only where the user changed it.
    const bool onlyUnchecked = ownAtOpening_ && entry() == opened_;
    saved = (onlyUnchecked || writePlayOptions(*store_, options)) &&
            (!ownAtOpening_ || removeSongOptions(*store_, songHash_));
  }
  saved = saved && storeControlHotkeys(*bindings_, *store_, shownHotkeys_, hotkeys);
  if (!saved) {
    // Nothing of it counts until it is saved (every start reads the file),
    // so the window stays, for another try or Cancel.
    showError(IDS_ERROR_SAVE_SETTINGS);
    return;
  }
  destroy();
}

void OptionsWindow::refuse(const EntryReading& reading) {
  const FieldRange range = rangeOf(reading.refused);
  const std::wstring message = fillPlaceholders(orEmpty(text(reading.message)),
                                                {formatDecimal(range.lowest), formatDecimal(range.highest)});
  showError(message.c_str());
  // The message box is gone with the window when the program was closed meanwhile.
  if (window() == nullptr) return;
  const HWND field = fieldControl(reading.refused);
  // Kept for the activation that may still come, once the message box is gone.
  lastFocus_ = field;
  SetFocus(field);
  SendMessageW(field, EM_SETSEL, 0, -1);
}

ControlHotkeys OptionsWindow::enteredHotkeys() const {
  ControlHotkeys entered = shownHotkeys_;
  for (int slot = 0; slot < kHotkeyRowCount; ++slot) {
    const auto value =
        static_cast<std::uint16_t>(SendDlgItemMessageW(window(), kControlHotkeyId + slot, HKM_GETHOTKEY, 0, 0));
    entered[static_cast<std::size_t>(slot)] = keyCodeOfHotkeyControl(value);
  }
  return entered;
}

void OptionsWindow::refuseHotkey(const HotkeyRefusal& refusal) {
  const std::wstring message =
      fillPlaceholders(orEmpty(text(IDS_ERROR_HOTKEY_HELD)), {orEmpty(text(refusal.holderTextId))});
  showError(message.c_str());
  if (window() == nullptr) return;  // as for a field
  lastFocus_ = GetDlgItem(window(), kControlHotkeyId + refusal.slot);
  SetFocus(lastFocus_);
}

HWND OptionsWindow::fieldControl(OptionsField field) const {
  switch (field) {
    case OptionsField::kTranspose: return GetDlgItem(window(), kTransposeEditId);
    case OptionsField::kSpeed: return GetDlgItem(window(), kSpeedEditId);
    case OptionsField::kRepressGap: return GetDlgItem(window(), kRepressGapEditId);
    case OptionsField::kModifierHold: return GetDlgItem(window(), kModifierHoldEditId);
    case OptionsField::kPressLength: return GetDlgItem(window(), kPressLengthEditId);
    case OptionsField::kMaxKeys: return GetDlgItem(window(), kMaxKeysEditId);
    case OptionsField::kChordSpread: return GetDlgItem(window(), kChordSpreadEditId);
    case OptionsField::kChannels: break;
  }
  for (HWND box : channelBoxes_) {
    if (IsWindowEnabled(box)) return box;
  }
  return channelBoxes_[0];
}

std::wstring OptionsWindow::fieldText(int id) const {
  const HWND field = GetDlgItem(window(), id);
  std::wstring value(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
  value.resize(static_cast<std::size_t>(GetWindowTextW(field, value.data(), static_cast<int>(value.size()))));
  return value;
}

void runOptionsWindow(const OptionsWindowContext& context) {
  OptionsWindow::registerClass(context.instance, context.background);
  auto window = std::make_unique<OptionsWindow>(context);
  window->open(*context.hotkeys, IDS_ERROR_OPEN_OPTIONS);
}

}  // namespace murvane
