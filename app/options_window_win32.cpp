#include "app/options_window_win32.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/modal_opening_win32.h"
#include "options/play_options.h"
#include "res/resource.h"

namespace murvane {

namespace {

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTERIMAGE;
constexpr DWORD kCheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | BS_PUSHBUTTON;
constexpr DWORD kOkButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | BS_DEFPUSHBUTTON;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kUpDownStyle = WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr int kLabelId = 0;

constexpr int kRowHeight = 24;
constexpr int kButtonHeight = 30;
constexpr int kChannelRows = 8;
constexpr int kFieldLabelWidth = 200;
constexpr int kFieldX = 224;
constexpr int kFieldWidth = 64;

WindowClass gOptionsWindowClass{kOptionsWindowClass, {}};

std::wstring_view orEmpty(const wchar_t* text) { return text != nullptr ? std::wstring_view(text) : std::wstring_view(); }

}  // namespace

OptionsWindow::OptionsWindow(const OptionsWindowContext& context)
    : instance_(context.instance),
      owner_(context.owner),
      store_(context.store),
      strings_(context.strings),
      counts_(context.counts != nullptr ? *context.counts : NoteCounts{}) {}

void OptionsWindow::registerClass(HINSTANCE instance, HBRUSH background) {
  // The up-down control lives in the common controls library.
  static const bool upDownClass = [] {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_UPDOWN_CLASS};
    return InitCommonControlsEx(&classes) != FALSE;
  }();
  static_cast<void>(upDownClass);  // without it the up-down is not created, which is reported then
  Window::registerClass(gOptionsWindowClass, instance, background);
}

bool OptionsWindow::create() {
  if (created_) return false;
  created_ = true;

  if (!createModal(Frame{instance_, kOptionsWindowClass, text(IDS_OPTIONS_TITLE), kOptionsWindowStyle,
                         kOptionsClientWidth, kOptionsClientHeight},
                   owner_)) {
    MessageBoxW(owner_, text(IDS_ERROR_CREATE_WINDOW), text(IDS_ERROR_CAPTION), MB_OK | MB_ICONERROR);
    return false;
  }
  if (!createControls(entryOf(readPlayOptions(*store_)))) {
    showError(text(IDS_ERROR_CREATE_WINDOW));
    PostMessageW(window(), WM_CLOSE, 0, 0);
    runModalLoop();
    return false;
  }
  ShowWindow(window(), SW_SHOW);
  SetFocus(GetNextDlgTabItem(window(), nullptr, FALSE));
  return true;
}

// In creation order, which is also the order Tab moves the focus in.
bool OptionsWindow::createControls(const OptionsEntry& entry) {
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const auto index = static_cast<std::uint8_t>(channel);
    const std::wstring label =
        channelLabel(orEmpty(text(IDS_CHANNEL_NOTES)), orEmpty(text(IDS_CHANNEL_NO_NOTES)), counts_, index);
    channelBoxes_[index] = addControl(L"BUTTON", kCheckBoxStyle, label.c_str(), 16 + 280 * (channel / kChannelRows),
                                      16 + 30 * (channel % kChannelRows), 264, kRowHeight, kChannelBoxId + channel);
    if (channelBoxes_[index] == nullptr) return false;
  }
  showChannels(entry.channels);
  if (addControl(L"BUTTON", kButtonStyle, text(IDS_SUGGEST), 16, 264, 128, kButtonHeight, kSuggestId) == nullptr) {
    return false;
  }

  const auto addField = [this](std::int32_t labelId, int y, int id, DWORD extraStyle, const std::wstring& value) {
    return addControl(L"STATIC", kLabelStyle, text(labelId), 16, y, kFieldLabelWidth, kRowHeight, kLabelId) != nullptr &&
           addControl(L"EDIT", kEditStyle | extraStyle, value.c_str(), kFieldX, y, kFieldWidth, kRowHeight, id) !=
               nullptr;
  };
  if (!addField(IDS_TRANSPOSE, 310, kTransposeEditId, 0, entry.transpose)) return false;
  const HWND upDown = addControl(UPDOWN_CLASSW, kUpDownStyle, nullptr, kFieldX + kFieldWidth, 310, 16, kRowHeight,
                                 kTransposeUpDownId);
  if (upDown == nullptr) return false;
  SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(window(), kTransposeEditId)), 0);
  SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(-kTransposeLimit), kTransposeLimit);
  // Setting the position would rewrite the field; it reads the field when clicked.

  const HWND fold = addControl(L"BUTTON", kCheckBoxStyle, text(IDS_FOLD_OCTAVES), 16, 342, 544, kRowHeight, kFoldBoxId);
  if (fold == nullptr) return false;
  SendMessageW(fold, BM_SETCHECK, entry.foldOctaves ? BST_CHECKED : BST_UNCHECKED, 0);
  if (!addField(IDS_SPEED, 374, kSpeedEditId, ES_NUMBER, entry.speed)) return false;
  if (!addField(IDS_REPRESS_GAP, 406, kRepressGapEditId, ES_NUMBER, entry.repressGap)) return false;

  return addControl(L"BUTTON", kOkButtonStyle, text(IDS_OK), 352, 448, 96, kButtonHeight, IDOK) != nullptr &&
         addControl(L"BUTTON", kButtonStyle, text(IDS_CANCEL), 464, 448, 96, kButtonHeight, IDCANCEL) != nullptr;
}

HWND OptionsWindow::addControl(const wchar_t* className, DWORD style, const wchar_t* controlText, int x, int y,
                               int width, int height, int id) {
  return CreateWindowExW(0, className, controlText, style, x, y, width, height, window(),
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

LRESULT OptionsWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      destroy();
      return 0;
    // As a dialog box does: the control that had the focus gets it back when
    // the window is active again (after a message box, or another program),
    // instead of the window itself, which takes no keys.
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window(), focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kSuggestId:
          suggest();
          return 0;
        case IDOK:
          confirm();
          return 0;
        case IDCANCEL:
          destroy();
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return defaultProcessing(message, wParam, lParam);
}

OptionsEntry OptionsWindow::entry() const {
  OptionsEntry current;
  for (std::size_t channel = 0; channel < channelBoxes_.size(); ++channel) {
    if (SendMessageW(channelBoxes_[channel], BM_GETCHECK, 0, 0) == BST_CHECKED) current.channels |= 1u << channel;
  }
  current.transpose = fieldText(kTransposeEditId);
  current.foldOctaves = IsDlgButtonChecked(window(), kFoldBoxId) == BST_CHECKED;
  current.speed = fieldText(kSpeedEditId);
  current.repressGap = fieldText(kRepressGapEditId);
  return current;
}

// Only the program's own changes apply the rule for channels without notes:
// a box the user has just unchecked stays enabled, so the click can be undone.
void OptionsWindow::showChannels(std::uint16_t channels) {
  for (std::size_t channel = 0; channel < channelBoxes_.size(); ++channel) {
    const bool checked = (channels >> channel & 1u) != 0;
    SendMessageW(channelBoxes_[channel], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(channelBoxes_[channel], channelSelectable(counts_, static_cast<std::uint8_t>(channel), checked));
  }
}

void OptionsWindow::suggest() {
  const OptionsEntry suggested = withSuggestion(entry(), suggestTrack(counts_));
  showChannels(suggested.channels);
  SetDlgItemTextW(window(), kTransposeEditId, suggested.transpose.c_str());
}

void OptionsWindow::confirm() {
  const EntryReading reading = readEntry(entry());
  if (!reading.options) {
    refuse(reading);
    return;
  }
  if (!writePlayOptions(*store_, *reading.options)) {
    // Nothing of it counts until it is saved (every start reads the file),
    // so the window stays, for another try or Cancel.
    showError(text(IDS_ERROR_SAVE_SETTINGS));
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

HWND OptionsWindow::fieldControl(OptionsField field) const {
  switch (field) {
    case OptionsField::kTranspose: return GetDlgItem(window(), kTransposeEditId);
    case OptionsField::kSpeed: return GetDlgItem(window(), kSpeedEditId);
    case OptionsField::kRepressGap: return GetDlgItem(window(), kRepressGapEditId);
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

void OptionsWindow::showError(const wchar_t* message) const {
  MessageBoxW(window(), message, text(IDS_ERROR_CAPTION), MB_OK | MB_ICONERROR);
}

const wchar_t* OptionsWindow::text(std::int32_t stringId) const {
  return strings_ != nullptr ? strings_->lookup(stringId) : nullptr;
}

void runOptionsWindow(const OptionsWindowContext& context) {
  OptionsWindow::registerClass(context.instance, context.background);
  auto window = std::make_unique<OptionsWindow>(context);
  runModalOpening(*window, ModalOpening{context.owner, context.strings, IDS_ERROR_OPEN_OPTIONS, context.hotkeys});
}

}  // namespace murvane
