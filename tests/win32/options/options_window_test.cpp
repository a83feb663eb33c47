// The Options window as the user meets it: real windows under Wine, real
// keyboard input, a real INI file in the temporary folder.
#include "app/options_window_win32.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "tests/win32/support/modal_window_fixture.h"

namespace murvane {
namespace {

using namespace murvane::test;

// Escapes, so that the expectations do not depend on how the source is read.
std::wstring notesLabel(int channel, int notes, int inside) {
  const std::wstring c = std::to_wstring(channel), n = std::to_wstring(notes), i = std::to_wstring(inside);
  // N: M 音 (範囲内 I)
  return inLanguage((c + L": " + n + L" notes, " + i + L" in range").c_str(),
                    (c + L": " + n + L" \u97f3 (\u7bc4\u56f2\u5185 " + i + L")").c_str());
}
// N: NAME, M notes, I in range / N: NAME、M 音 (範囲内 I)
std::wstring namedLabel(int channel, const std::wstring& name, int notes, int inside) {
  const std::wstring c = std::to_wstring(channel), n = std::to_wstring(notes), i = std::to_wstring(inside);
  return inLanguage((c + L": " + name + L", " + n + L" notes, " + i + L" in range").c_str(),
                    (c + L": " + name + L"\u3001" + n + L" \u97f3 (\u7bc4\u56f2\u5185 " + i + L")").c_str());
}
std::wstring noNotesLabel(int channel) {
  const std::wstring c = std::to_wstring(channel);
  return inLanguage((c + L": no notes").c_str(), (c + L": \u97f3\u306a\u3057").c_str());  // 音なし
}

// A file of 412 note-ons on channel 3 (390 in C3-C6), a melody of 8 on
// channel 4 two octaves low played by a flute on a track named "Melody", 5
// on channel 10 of a track named in Shift_JIS, and nothing on the others.
NoteCounts fileCounts() {
  NoteCounts counts;
  for (int i = 0; i < 390; ++i) counts.add(2, 60);
  for (int i = 0; i < 22; ++i) counts.add(2, 100);
  for (int note : {33, 35, 36, 38, 40, 45, 50, 52}) counts.add(3, static_cast<std::uint8_t>(note));
  counts.channels[3].trackNames = "Melody";
  counts.channels[3].program = 73;
  for (int i = 0; i < 5; ++i) counts.add(9, 38);
  counts.channels[9].trackNames = "\x83\x68\x83\x89\x83\x80";  // ドラム
  return counts;
}

// Real key strokes, queued at once: the window's own loop, which gives them
// to the platform's dialog handling, takes them in order.
void typeKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> strokes;
  for (WORD vk : keys) {
    INPUT down = {};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = vk;
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    strokes.push_back(down);
    strokes.push_back(up);
  }
  SendInput(static_cast<UINT>(strokes.size()), strokes.data(), sizeof(INPUT));
}

// Public: the cases of a table edit the window through it.
class OptionsWindowTest : public test::ModalWindowTest {
 public:
  OptionsWindowTest() : ModalWindowTest(kOptionsWindow.className, L"opt") {}

  void SetUp() override {
    ModalWindowTest::SetUp();
    context = {GetModuleHandleW(nullptr), owner, store.get(), &test::resourceStrings(), brush, &hotkeys, &counts};
    context.songHash = L"0123456789abcdef";  // a song is loaded: "Only for this song" can be checked
    context.bindings = table.get();
    OptionsWindow::registerClass(context.instance, context.background);
  }

  void TearDown() override {
    window.reset();
    ModalWindowTest::TearDown();
  }

  void open() {
    hook.children.clear();
    window = std::make_unique<OptionsWindow>(context);
    ASSERT_TRUE(window->create());
    ASSERT_EQ(hook.children.size(), static_cast<std::size_t>(kOptionsControlCount));
    ASSERT_TRUE(test::focusWindow(window->window())) << "the Options window did not get the keyboard";
  }

  // Plays the posted part of the session in the window's own loop, as the
  // opener runs it, until the window is gone; a session that leaves it open
  // fails after a while instead of hanging.
  void runLoop() {
    static bool timedOut = false;
    timedOut = false;
    SetTimer(window->window(), 1, 15000, [](HWND options, UINT, UINT_PTR timer, DWORD) {
      KillTimer(options, timer);
      timedOut = true;
      PostMessageW(options, WM_CLOSE, 0, 0);
    });
    window->runModalLoop();
    EXPECT_FALSE(timedOut) << "the window stayed open";
  }

  HWND control(int id) const { return GetDlgItem(window->window(), id); }
  // A drop-down list's entries, as it shows them, and the one selected.
  std::vector<std::wstring> listTexts(int id) const {
    std::vector<std::wstring> texts;
    const auto count = static_cast<WPARAM>(SendMessageW(control(id), CB_GETCOUNT, 0, 0));
    for (WPARAM i = 0; i < count; ++i) {
      std::wstring text(static_cast<std::size_t>(SendMessageW(control(id), CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(
          SendMessageW(control(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
      texts.push_back(text);
    }
    return texts;
  }
  LRESULT selected(int id) const { return SendMessageW(control(id), CB_GETCURSEL, 0, 0); }
  void select(int id, WPARAM entry) { SendMessageW(control(id), CB_SETCURSEL, entry, 0); }
  HWND channelBox(int channel) const { return control(kChannelBoxId + channel - 1); }
  bool checked(HWND box) const { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  using ModalWindowTest::click;
  void setText(int id, const wchar_t* text) { SetWindowTextW(control(id), text); }
  // A hotkey control's value: the key in the low byte, HOTKEYF_ flags in the high one.
  void setHotkey(int slot, WORD value) { SendMessageW(control(kControlHotkeyId + slot), HKM_SETHOTKEY, value, 0); }
  LRESULT hotkey(int slot) const { return SendMessageW(control(kControlHotkeyId + slot), HKM_GETHOTKEY, 0, 0); }

  // The lines of the section Options (or another), as the file holds them.
  std::vector<std::string> optionLines(const std::string& section = "[Options]") const {
    std::vector<std::string> lines;
    std::string text = iniText();
    bool inside = false;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      start = end + 1;
      if (!line.empty() && line.front() == '[') {
        inside = line == section;
        continue;
      }
      if (inside && !line.empty()) lines.push_back(line);
    }
    return lines;
  }
  void writeOptions(const wchar_t* key, const wchar_t* value) {
    WritePrivateProfileStringW(L"Options", key, value, iniPath.c_str());
  }

  NoteCounts counts = fileCounts();
  OptionsWindowContext context{};
  std::unique_ptr<OptionsWindow> window;
};

// The figures the layout is drawn to: a client area of 816 x 622, sixteen
// channel boxes in two columns of eight (wide enough for a track name and
// instrument), Suggest below them, the fields and lists in one column at 224
// with their labels at 16, a row every 32, the game's fields at 624 beside
// the first three and the control hotkeys below them, OK and Cancel at the
// bottom right; Tab goes through them in that order.
TEST(OptionsLayout, TableHasTheWindowsFiguresInTabOrder) {
  EXPECT_EQ(kOptionsWindow.clientWidth, 816);
  EXPECT_EQ(kOptionsWindow.clientHeight, 622);
  const auto place = [](const ControlLayout& c) { return std::vector<int>{c.x, c.y, c.width, c.height}; };
  EXPECT_EQ(place(kOptionsLayout[0]), (std::vector<int>{16, 16, 384, 24}));    // channel 1
  EXPECT_EQ(place(kOptionsLayout[15]), (std::vector<int>{416, 226, 384, 24}));  // channel 16
  EXPECT_EQ(place(kOptionsLayout[16]), (std::vector<int>{16, 264, 128, 30}));   // Suggest
  EXPECT_EQ(place(kOptionsLayout[18]), (std::vector<int>{224, 310, 64, 24}));   // Transpose
  EXPECT_EQ(place(kOptionsLayout[24]), (std::vector<int>{224, 406, 64, 24}));   // Re-press gap
  EXPECT_EQ(place(kOptionsLayout[20]), (std::vector<int>{16, 342, 392, 24}));   // Fold
  EXPECT_EQ(place(kOptionsLayout[26]), (std::vector<int>{224, 438, 184, 200}));  // Keyboard layout, dropped
  EXPECT_EQ(place(kOptionsLayout[28]), (std::vector<int>{224, 470, 64, 24}));   // Modifier hold
  EXPECT_EQ(place(kOptionsLayout[29]), (std::vector<int>{16, 502, 392, 24}));   // Focus guard
  EXPECT_EQ(place(kOptionsLayout[31]), (std::vector<int>{224, 534, 184, 200}));  // MIDI input device, dropped
  EXPECT_EQ(place(kOptionsLayout[38]), (std::vector<int>{416, 406, 200, 24}));  // Pause's label
  EXPECT_EQ(place(kOptionsLayout[47]), (std::vector<int>{624, 534, 176, 24}));  // Faster
  EXPECT_EQ(place(kOptionsLayout[48]), (std::vector<int>{16, 579, 544, 24}));   // Loop
  EXPECT_EQ(place(kOptionsLayout[49]), (std::vector<int>{592, 576, 96, 30}));   // OK
  EXPECT_EQ(place(kOptionsLayout[50]), (std::vector<int>{704, 576, 96, 30}));   // Cancel
  std::vector<int> ids;
  for (const ControlLayout& control : kOptionsLayout) {
    ids.push_back(control.id);
    EXPECT_LE(control.x + control.width, kOptionsWindow.clientWidth) << control.id;
    // A list drops down over what lies below it; its box is one row.
    const bool list = std::wstring_view(control.className) == L"COMBOBOX";
    EXPECT_LE(control.y + (list ? options_layout::kRowHeight : control.height), kOptionsWindow.clientHeight)
        << control.id;
    // Nothing of the left column reaches under the right column's rows,
    // whose labels would cover it and pass its clicks on.
    if (control.x < options_layout::kGameLabelX && control.y >= 310 && control.y <= 534) {
      EXPECT_LE(control.x + control.width, options_layout::kGameLabelX - 8) << control.id;
    }
  }
  std::vector<int> tabOrder;
  for (int channel = 0; channel < 16; ++channel) tabOrder.push_back(kChannelBoxId + channel);
  tabOrder.insert(tabOrder.end(), {kSuggestId, 0, kTransposeEditId, kTransposeUpDownId, kFoldBoxId, 0, kSpeedEditId,
                                   0, kRepressGapEditId, 0, kLayoutListId, 0, kModifierHoldEditId, kFocusGuardBoxId,
                                   0, kMidiInDeviceListId, 0, kPressLengthEditId, 0, kMaxKeysEditId, 0,
                                   kChordSpreadEditId, 0, kControlHotkeyId, 0, kControlHotkeyId + 1, 0,
                                   kControlHotkeyId + 2, 0, kControlHotkeyId + 3, 0, kControlHotkeyId + 4,
                                   kLoopBoxId, IDOK, IDCANCEL, kAutoSuggestBoxId,
                                   kOnlyThisSongBoxId});
  EXPECT_EQ(ids, tabOrder);
}

const wchar_t* defaultLayoutText() {
  return inLanguage(L"Default (Key config)", L"\u6a19\u6e96 (\u30ad\u30fc\u8a2d\u5b9a)");
}
const wchar_t* firstDeviceText() { return inLanguage(L"First device", L"\u6700\u521d\u306e\u30c7\u30d0\u30a4\u30b9"); }
// NAME (見つかりません)
std::wstring missingText(const wchar_t* name) {
  const std::wstring n = name;
  return inLanguage((n + L" (missing)").c_str(), (n + L" (\u898b\u3064\u304b\u308a\u307e\u305b\u3093)").c_str());
}
// NAME (N キー)
std::wstring layoutText(const wchar_t* name, int keys) {
  const std::wstring n = std::wstring(name) + L" (" + std::to_wstring(keys);
  return inLanguage((n + L" keys)").c_str(), (n + L" \u30ad\u30fc)").c_str());
}

// The texts the window shows for fileCounts() and a section as the first run
// leaves it.
std::wstring expectedText(const ControlLayout& control) {
  if (control.source != kNoSource) {
    const int channel = control.source + 1;
    if (channel == 3) return notesLabel(3, 412, 390);
    if (channel == 4) return namedLabel(4, L"Melody (Flute)", 8, 2);
    if (channel == 10) return namedLabel(10, L"\u30c9\u30e9\u30e0 (Drum Kit)", 5, 0);
    return noNotesLabel(channel);
  }
  // 提案, 移調 (半音), C3–C6 の外の音を範囲内に折り返す, 速度 (%), 再打鍵の間隔 (ms), キャンセル
  switch (control.textId) {
    case IDS_SUGGEST: return inLanguage(L"Suggest", L"\u63d0\u6848");
    case IDS_TRANSPOSE: return inLanguage(L"Transpose (semitones)", L"\u79fb\u8abf (\u534a\u97f3)");
    case IDS_FOLD_OCTAVES:
      return inLanguage(L"Fold notes outside C3\u2013C6 into range",
                        L"C3\u2013C6 \u306e\u5916\u306e\u97f3\u3092\u7bc4\u56f2\u5185\u306b\u6298\u308a\u8fd4\u3059");
    case IDS_SPEED: return inLanguage(L"Speed (%)", L"\u901f\u5ea6 (%)");
    case IDS_REPRESS_GAP: return inLanguage(L"Re-press gap (ms)", L"\u518d\u6253\u9375\u306e\u9593\u9694 (ms)");
    // キー配置, 修飾キーの保持 (ms), 開始時に前面だったウィンドウにだけ入力する, MIDI入力デバイス
    case IDS_LAYOUT: return inLanguage(L"Keyboard layout", L"\u30ad\u30fc\u914d\u7f6e");
    case IDS_MODIFIER_HOLD:
      return inLanguage(L"Modifier hold (ms)", L"\u4fee\u98fe\u30ad\u30fc\u306e\u4fdd\u6301 (ms)");
    case IDS_FOCUS_GUARD:
      return inLanguage(L"Type only into the window in front at start",
                        L"\u958b\u59cb\u6642\u306b\u524d\u9762\u3060\u3063\u305f\u30a6\u30a3\u30f3\u30c9\u30a6"
                        L"\u306b\u3060\u3051\u5165\u529b\u3059\u308b");
    case IDS_MIDI_IN_DEVICE: return inLanguage(L"MIDI input device", L"MIDI\u5165\u529b\u30c7\u30d0\u30a4\u30b9");
    // 曲の終わりで最初からもう一度再生する
    case IDS_LOOP:
      return inLanguage(L"Play the song again from its start at its end",
                        L"\u66f2\u306e\u7d42\u308f\u308a\u3067\u6700\u521d\u304b\u3089\u3082\u3046\u4e00\u5ea6"
                        L"\u518d\u751f\u3059\u308b");
    // 押す長さ (ms、0: 音符どおり), 同時に押すキーの上限 (0: なし), 和音をずらす間隔 (ms)
    case IDS_PRESS_LENGTH:
      return inLanguage(L"Press length (ms, 0: note)",
                        L"\u62bc\u3059\u9577\u3055 (ms\u3001" L"0: \u97f3\u7b26\u3069\u304a\u308a)");
    case IDS_MAX_KEYS:
      return inLanguage(L"Most keys down (0: any)",
                        L"\u540c\u6642\u306b\u62bc\u3059\u30ad\u30fc\u306e\u4e0a\u9650 (0: \u306a\u3057)");
    case IDS_CHORD_SPREAD:
      return inLanguage(L"Chord spread (ms)", L"\u548c\u97f3\u3092\u305a\u3089\u3059\u9593\u9694 (ms)");
    // チャンネルを指定していない曲には提案を使う, この曲だけに使う
    case IDS_AUTO_SUGGEST:
      return inLanguage(L"Suggest for each song without its own channel",
                        L"\u30c1\u30e3\u30f3\u30cd\u30eb\u3092\u6307\u5b9a\u3057\u3066\u3044\u306a\u3044"
                        L"\u66f2\u306b\u306f\u63d0\u6848\u3092\u4f7f\u3046");
    case IDS_ONLY_THIS_SONG:
      return inLanguage(L"Only for this song", L"\u3053\u306e\u66f2\u3060\u3051\u306b\u4f7f\u3046");
    case IDS_HOTKEY_PAUSE: return inLanguage(L"Pause");  // as strings_test has them
    case IDS_HOTKEY_SEEK_BACK: return inLanguage(L"Seek back");
    case IDS_HOTKEY_SEEK_FORWARD: return inLanguage(L"Seek forward");
    case IDS_HOTKEY_SLOWER: return inLanguage(L"Slower");
    case IDS_HOTKEY_FASTER: return inLanguage(L"Faster");
    case IDS_OK: return inLanguage(L"OK", L"OK");
    case IDS_CANCEL: return inLanguage(L"Cancel", L"\u30ad\u30e3\u30f3\u30bb\u30eb");
    default: break;
  }
  if (control.id == kSpeedEditId) return L"100";
  if (control.id == kTransposeEditId || control.id == kRepressGapEditId || control.id == kModifierHoldEditId ||
      control.id == kPressLengthEditId || control.id == kMaxKeysEditId || control.id == kChordSpreadEditId) {
    return L"0";
  }
  // A list shows its selected entry: the default. 標準 (キー設定), 最初のデバイス
  if (control.id == kLayoutListId) return defaultLayoutText();
  if (control.id == kMidiInDeviceListId) return firstDeviceText();
  return L"";
}

TEST_F(OptionsWindowTest, EveryControlIsBuiltAsItsTableEntrySays) {
  open();
  expectBuiltAsLaid(window->window(), kOptionsLayout, expectedText, [](const ControlLayout& control) {
    // An edit control takes WS_BORDER off to draw its border itself.
    if (std::wstring_view(control.className) == L"EDIT") return control.style & ~static_cast<DWORD>(WS_BORDER);
    // A combo box hands its scroll bar to its list.
    if (std::wstring_view(control.className) == L"COMBOBOX") {
      return control.style & ~static_cast<DWORD>(WS_VSCROLL);
    }
    // Channel 1 is checked by default: offered although it has no notes.
    const int channel = control.source + 1;
    const bool offered = channel == 1 || channel == 3 || channel == 4 || channel == 10;
    return control.source != kNoSource && !offered ? control.style | WS_DISABLED : control.style;
  }, [](const ControlLayout& c) {  // a hotkey control gives itself a sunken edge
    return std::wstring_view(c.className) == HOTKEY_CLASSW ? static_cast<DWORD>(WS_EX_CLIENTEDGE) : 0;
  });
  for (int channel = 1; channel <= 16; ++channel) EXPECT_EQ(checked(channelBox(channel)), channel == 1) << channel;
  EXPECT_FALSE(checked(control(kFoldBoxId)));
  EXPECT_FALSE(checked(control(kFocusGuardBoxId)));
  EXPECT_EQ(listTexts(kLayoutListId), (std::vector<std::wstring>{defaultLayoutText()}));
  EXPECT_EQ(listTexts(kMidiInDeviceListId), (std::vector<std::wstring>{firstDeviceText()}));
  EXPECT_EQ(SendMessageW(control(kLayoutListId), CB_GETDROPPEDWIDTH, 0, 0), 336);
  EXPECT_EQ(SendMessageW(control(kMidiInDeviceListId), CB_GETDROPPEDWIDTH, 0, 0), 336);
  for (int slot = 0; slot < kHotkeyRowCount; ++slot) EXPECT_EQ(hotkey(slot), 0) << slot;
  const HWND upDown = control(kTransposeUpDownId);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)), control(kTransposeEditId));
  int lowest = 0;
  int highest = 0;
  SendMessageW(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lowest), reinterpret_cast<LPARAM>(&highest));
  EXPECT_EQ(lowest, -48);
  EXPECT_EQ(highest, 48);
}

TEST_F(OptionsWindowTest, WindowIsAFixedTopLevelWindowOwnedByTheMainWindowCentredWithTitleIconAndGreyBackground) {
  open();
  const HWND options = window->window();
  expectFixedOwnedWindow(options, kOptionsWindow, inLanguage(L"Murvane: Options", L"Murvane: \u30aa\u30d7\u30b7\u30e7\u30f3"));
  RECT outer;
  GetWindowRect(options, &outer);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2);
  // Labels and check boxes.
  for (HWND child : {hook.children[17], channelBox(3)}) expectDrawnOnTheBackground(options, child);
}

TEST_F(OptionsWindowTest, FieldsShowTheSectionAsItIsReadAndValuesItRefusesAsTheirDefaults) {
  writeOptions(L"Channels", L"0x0104");
  writeOptions(L"Transpose", L"-12");
  writeOptions(L"FoldOctaves", L"1");
  writeOptions(L"Speed", L"50");
  writeOptions(L"RepressGap", L"fast");
  writeOptions(L"ModifierHold", L"20");
  writeOptions(L"FocusGuard", L"1");
  table->controls = {0x0274, 0x0051, 0, 0, 0x0126};  // Q is C4's: shown as none
  open();
  for (int channel = 1; channel <= 16; ++channel) {
    EXPECT_EQ(checked(channelBox(channel)), channel == 3 || channel == 9) << channel;
  }
  EXPECT_EQ((std::vector<LRESULT>{hotkey(0), hotkey(1), hotkey(4)}), (std::vector<LRESULT>{0x0274, 0, 0x0926}));
  // Channel 9 has no notes but is checked; channel 1 has none and is not.
  EXPECT_TRUE(IsWindowEnabled(channelBox(9)));
  EXPECT_FALSE(IsWindowEnabled(channelBox(1)));
  EXPECT_EQ(test::windowText(control(kTransposeEditId)), L"-12");
  EXPECT_TRUE(checked(control(kFoldBoxId)));
  EXPECT_EQ(test::windowText(control(kSpeedEditId)), L"50");
  EXPECT_EQ(test::windowText(control(kRepressGapEditId)), L"0");
  EXPECT_EQ(test::windowText(control(kModifierHoldEditId)), L"20");
  EXPECT_TRUE(checked(control(kFocusGuardBoxId)));
}

// With the default only, the lists are as EveryControlIsBuiltAsItsTableEntrySays finds them.
TEST_F(OptionsWindowTest, ListsOfferTheDefaultThenWhatThereIsAndANameThatIsNotThereAsMissing) {
  context.layouts = {{L"JIS", 37}, {L"Lyre 21", 21}};
  context.midiInDevices = {L"Keystation 49", L"UM-ONE"};
  writeOptions(L"Layout", L"Dvorak");
  writeOptions(L"MidiInDevice", L"UM-ONE");
  open();
  EXPECT_EQ(listTexts(kLayoutListId), (std::vector<std::wstring>{defaultLayoutText(), layoutText(L"JIS", 37),
                                                                 layoutText(L"Lyre 21", 21), missingText(L"Dvorak")}));
  EXPECT_EQ(selected(kLayoutListId), 3);
  EXPECT_EQ(test::windowText(control(kLayoutListId)), missingText(L"Dvorak"));
  EXPECT_EQ(listTexts(kMidiInDeviceListId),
            (std::vector<std::wstring>{firstDeviceText(), L"Keystation 49", L"UM-ONE"}));
  EXPECT_EQ(selected(kMidiInDeviceListId), 2);
}

struct OkCase {
  const char* name;
  std::vector<std::pair<const wchar_t*, const wchar_t*>> before;  // the section's keys
  void (*edit)(OptionsWindowTest& test);
  std::vector<std::string> after;
  std::vector<std::string> hotkeysAfter = {};  // the lines of [KeyBinds] after the first run's
  std::vector<std::pair<const wchar_t*, const wchar_t*>> hotkeysBefore = {};
};

TEST_F(OptionsWindowTest, OkWritesExactlyTheKeysThatDifferFromTheDefaultsAndCloses) {
  context.layouts = {{L"JIS", 37}, {L"Lyre 21", 21}};
  context.midiInDevices = {L"Keystation 49", L"UM-ONE"};
  const std::vector<OkCase> cases = {
      {"channel 2 alone", {}, [](OptionsWindowTest& test) {
         test.click(test.channelBox(1));
         test.click(test.channelBox(2));
       },
       {"Channels=0x0002"}},
      {"every value changed", {}, [](OptionsWindowTest& test) {
         test.click(test.channelBox(4));
         test.setText(kTransposeEditId, L"-7");
         test.click(test.control(kFoldBoxId));
         test.setText(kSpeedEditId, L"400");
         test.setText(kRepressGapEditId, L"30");
       },
       {"Channels=0x0009", "Transpose=-7", "FoldOctaves=1", "Speed=400", "RepressGap=30"}},
      {"the layout, the hold, the guard and the device", {}, [](OptionsWindowTest& test) {
         test.select(kLayoutListId, 2);
         test.setText(kModifierHoldEditId, L"20");
         test.click(test.control(kFocusGuardBoxId));
         test.select(kMidiInDeviceListId, 2);
       },
       {"Layout=Lyre 21", "ModifierHold=20", "FocusGuard=1", "MidiInDevice=UM-ONE"}},
      {"the game's limits", {}, [](OptionsWindowTest& test) {
         test.setText(kPressLengthEditId, L"50");
         test.setText(kMaxKeysEditId, L"3");
         test.setText(kChordSpreadEditId, L"20");
       },
       {"PressLength=50", "MaxKeys=3", "ChordSpread=20"}},
      {"names that are not there are kept", {{L"Layout", L"Dvorak"}, {L"MidiInDevice", L"UM-TWO"}},
       [](OptionsWindowTest& test) { test.setText(kSpeedEditId, L"50"); },
       {"Layout=Dvorak", "MidiInDevice=UM-TWO", "Speed=50"}},
      {"lists and the guard set back to their defaults are taken out",
       {{L"Layout", L"JIS"}, {L"FocusGuard", L"1"}, {L"MidiInDevice", L"UM-ONE"}}, [](OptionsWindowTest& test) {
         test.select(kLayoutListId, 0);
         test.click(test.control(kFocusGuardBoxId));
         test.select(kMidiInDeviceListId, 0);
       },
       {}},
      {"a value set back to its default is taken out", {{L"Transpose", L"12"}, {L"Speed", L"50"}},
       [](OptionsWindowTest& test) { test.setText(kTransposeEditId, L"0"); }, {"Speed=50"}},
      {"a value the file holds wrongly reads as the default and stays", {{L"Speed", L"fast"}},
       [](OptionsWindowTest&) {}, {"Speed=fast"}},
      {"nothing changed leaves the section as it was", {{L"Speed", L"50"}}, [](OptionsWindowTest&) {}, {"Speed=50"}},
      {"the control hotkeys", {}, [](OptionsWindowTest& test) {
         test.setHotkey(kControlPause, MAKEWORD(VK_F5, HOTKEYF_CONTROL));
         test.setHotkey(kControlFaster, MAKEWORD(VK_UP, HOTKEYF_SHIFT | HOTKEYF_EXT));
       },
       {}, {"HotkeyPause=0x0274", "HotkeyFaster=0x0126"}},
      {"a hotkey set back to none is written so, one left alone is not", {},
       [](OptionsWindowTest& test) { test.setHotkey(kControlSlower, 0); }, {},
       {"HotkeySeekBack=0x0174", "HotkeySlower=0x0000"},
       {{L"HotkeySeekBack", L"0x0174"}, {L"HotkeySlower", L"0x0075"}}},
      {"a key a note holds shows as none and stays in the file", {}, [](OptionsWindowTest&) {}, {},
       {"HotkeyPause=0x0051"}, {{L"HotkeyPause", L"0x0051"}}},
  };
  const std::vector<std::string> firstRun = optionLines("[KeyBinds]");
  for (const OkCase& c : cases) {
    SCOPED_TRACE(c.name);
    WritePrivateProfileStringW(L"Options", nullptr, nullptr, iniPath.c_str());
    for (const auto& [key, value] : c.before) writeOptions(key, value);
    for (int slot = 0; slot < kHotkeyRowCount; ++slot) {
      WritePrivateProfileStringW(L"KeyBinds", controlHotkeyIniKey(slot).data(), nullptr, iniPath.c_str());
    }
    for (const auto& [key, value] : c.hotkeysBefore) WritePrivateProfileStringW(L"KeyBinds", key, value, iniPath.c_str());
    *table = *loadBindings(*store);
    std::vector<std::string> keyBinds = firstRun;
    keyBinds.insert(keyBinds.end(), c.hotkeysAfter.begin(), c.hotkeysAfter.end());
    open();
    c.edit(*this);
    PostMessageW(control(IDOK), BM_CLICK, 0, 0);
    runLoop();
    EXPECT_EQ(window->window(), nullptr) << "OK did not close the window";
    EXPECT_EQ(optionLines(), c.after);
    EXPECT_EQ(optionLines("[KeyBinds]"), keyBinds);
  }
}

// Values in forms of their own, on a file another program lets others only
// read (root would not heed a read-only attribute).
TEST_F(OptionsWindowTest, NothingChangedWritesNothingAtAllSoAReadOnlyFileIsNoError) {
  writeOptions(L"Speed", L"050");
  writeOptions(L"Transpose", L"+7");
  writeOptions(L"Channels", L"0x0001");
  writeOptions(L"ModifierHold", L"05");
  writeOptions(L"FocusGuard", L"0");
  writeOptions(L"Layout", L"Dvorak");  // in no list
  writeOptions(L"MidiInDevice", L"UM-TWO");
  const std::string before = iniText();
  const HANDLE held = CreateFileW(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  open();
  MessageBoxCatcher catcher;
  PostMessageW(control(IDOK), BM_CLICK, 0, 0);
  runLoop();
  CloseHandle(held);
  EXPECT_TRUE(catcher.seen.empty()) << "OK reported an error";
  EXPECT_EQ(iniText(), before);
}

// With "Only for this song" OK writes the song's own section and leaves
// [Options] alone; the box shows it checked the next time, with the song's
// values; unchecked, OK takes the section away again.
TEST_F(OptionsWindowTest, OnlyForThisSongWritesTheSongsSectionAndUncheckedTakesItAway) {
  writeOptions(L"Speed", L"50");
  const auto okAfter = [this](const std::function<void()>& edit) {
    open();
    edit();
    PostMessageW(control(IDOK), BM_CLICK, 0, 0);
    runLoop();
    EXPECT_EQ(window->window(), nullptr) << "OK did not close the window";
  };
  context.songHash.clear();
  okAfter([this] { EXPECT_FALSE(IsWindowEnabled(control(kOnlyThisSongBoxId))) << "no song loaded"; });
  context.songHash = L"0123456789abcdef";
  okAfter([this] {
    EXPECT_TRUE(IsWindowEnabled(control(kOnlyThisSongBoxId)));
    EXPECT_FALSE(checked(control(kOnlyThisSongBoxId)));
    setText(kTransposeEditId, L"12");
    click(control(kAutoSuggestBoxId));
    click(control(kOnlyThisSongBoxId));
  });
  EXPECT_EQ(optionLines(), (std::vector<std::string>{"Speed=50"}));
  EXPECT_EQ(optionLines("[Song 0123456789abcdef]"), (std::vector<std::string>{"Transpose=12", "AutoSuggest=1"}));
  okAfter([this] {
    EXPECT_TRUE(checked(control(kOnlyThisSongBoxId)));
    EXPECT_EQ(test::windowText(control(kTransposeEditId)), L"12");
    click(control(kOnlyThisSongBoxId));
  });
  EXPECT_EQ(optionLines(), (std::vector<std::string>{"Speed=50"}));
  EXPECT_TRUE(optionLines("[Song 0123456789abcdef]").empty());
}

TEST_F(OptionsWindowTest, WithNoFileLoadedEveryChannelCanBeChecked) {
  context.counts = nullptr;
  open();
  for (int channel = 1; channel <= 16; ++channel) EXPECT_TRUE(IsWindowEnabled(channelBox(channel))) << channel;
}

TEST_F(OptionsWindowTest, CancelTheCloseBoxAndEscapeDiscardEveryChange) {
  writeOptions(L"Speed", L"50");
  const std::string before = iniText();
  const struct {
    const char* name;
    void (*close)(HWND window);
  } ways[] = {
      {"Cancel", [](HWND w) { PostMessageW(GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0); }},
      {"close box", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Escape", [](HWND w) {
         SetFocus(GetDlgItem(w, kSpeedEditId));
         typeKeys({VK_ESCAPE});
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    open();
    click(channelBox(5));
    click(channelBox(3));
    setText(kTransposeEditId, L"12");
    setText(kSpeedEditId, L"100");
    click(control(kFoldBoxId));
    way.close(window->window());
    runLoop();
    EXPECT_EQ(window->window(), nullptr);
    EXPECT_EQ(iniText(), before);
  }
}

struct RefusalCase {
  const char* name;
  int field;  // 0: uncheck channel 1 instead
  const wchar_t* text;
  const wchar_t* english;
  const wchar_t* japanese;
  // For a hotkey control: its value, and the holder the message names (%1).
  WORD hotkey = 0;
  const wchar_t* holder = nullptr;
  const wchar_t* holderJapanese = nullptr;
};

TEST_F(OptionsWindowTest, AValueOutOfRangeIsRefusedWithAMessageNamingTheRangeAndTheFocusOnItsField) {
  const RefusalCase cases[] = {
      // 移調は -48 から 48 の間で指定してください。
      {"transpose", kTransposeEditId, L"49", L"Transpose must be from -48 to 48.",
       L"\u79fb\u8abf\u306f -48 \u304b\u3089 48 \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
      {"transpose empty", kTransposeEditId, L"", L"Transpose must be from -48 to 48.",
       L"\u79fb\u8abf\u306f -48 \u304b\u3089 48 \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
      // 速度は 25 から 400 % の間で指定してください。
      {"speed", kSpeedEditId, L"24", L"Speed must be from 25 to 400 %.",
       L"\u901f\u5ea6\u306f 25 \u304b\u3089 400 % \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
      // 再打鍵の間隔は 0 から 200 ms の間で指定してください。
      {"re-press gap", kRepressGapEditId, L"201", L"Re-press gap must be from 0 to 200 ms.",
       L"\u518d\u6253\u9375\u306e\u9593\u9694\u306f 0 \u304b\u3089 200 ms \u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
      // 修飾キーの保持は 0 から 50 ms の間で指定してください。
      {"modifier hold", kModifierHoldEditId, L"51", L"Modifier hold must be from 0 to 50 ms.",
       L"\u4fee\u98fe\u30ad\u30fc\u306e\u4fdd\u6301\u306f 0 \u304b\u3089 50 ms "
       L"\u306e\u9593\u3067\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002"},
      // チャンネルを1つ以上選んでください。
      {"no channel", 0, nullptr, L"Check at least one channel.",
       L"\u30c1\u30e3\u30f3\u30cd\u30eb\u30921\u3064\u4ee5\u4e0a\u9078\u3093\u3067\u304f\u3060\u3055\u3044\u3002"},
      // このキーはすでに %1 に使われています。 W is C#4's: ド＃; F12 is All stop's: Hotkey: 全停止
      {"a note's key", kControlHotkeyId + kControlSeekBack, nullptr, L"%1 already uses this key.",
       L"\u3053\u306e\u30ad\u30fc\u306f\u3059\u3067\u306b %1 \u306b\u4f7f\u308f\u308c\u3066\u3044\u307e\u3059\u3002",
       'W', L"C4#", L"\u30c9\uff03"},
      {"a hotkey's key", kControlHotkeyId + kControlFaster, nullptr, L"%1 already uses this key.",
       L"\u3053\u306e\u30ad\u30fc\u306f\u3059\u3067\u306b %1 \u306b\u4f7f\u308f\u308c\u3066\u3044\u307e\u3059\u3002",
       VK_F12, L"Hotkey: All stop", L"Hotkey: \u5168\u505c\u6b62"},
  };
  const std::string before = iniText();
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    open();
    if (c.field == 0) {
      click(channelBox(1));
    } else if (c.holder != nullptr) {
      setHotkey(c.field - kControlHotkeyId, c.hotkey);
    } else {
      setText(c.field, c.text);
    }
    const std::wstring message = c.holder == nullptr ? std::wstring(inLanguage(c.english, c.japanese))
                                                     : fillPlaceholders(inLanguage(c.english, c.japanese),
                                                                        {inLanguage(c.holder, c.holderJapanese)});
    expectErrorOnClick(control(IDOK), message, window->window());
    ASSERT_NE(window->window(), nullptr) << "the window closed";
    // The first box that can be clicked: channel 1, unchecked by the user, stays so.
    // The window may become active again only after the message box has gone.
    const HWND field = c.field == 0 ? channelBox(1) : control(c.field);
    EXPECT_TRUE(test::pumpUntil([&] { return GetFocus() == field; })) << GetFocus() << " has the focus";
    EXPECT_EQ(iniText(), before);
    window.reset();
  }
}

TEST_F(OptionsWindowTest, SuggestChecksTheMelodyOnChannel4AndSetsTwoOctavesUpWithoutSaving) {
  // A melody on channel 4 two octaves low named so, a shorter line in range
  // on channel 3 that counting notes inside alone would have taken.
  counts = NoteCounts{};
  for (int note : {33, 35, 36, 38, 40, 45, 50, 52}) counts.add(3, static_cast<std::uint8_t>(note));
  counts.channels[3].trackNames = "Melody";
  for (int note : {60, 62, 64, 65, 67, 69, 71, 72}) counts.add(2, static_cast<std::uint8_t>(note));
  counts.channels[2].trackNames = "Strings";
  counts.channels[2].program = 48;
  writeOptions(L"Speed", L"80");
  open();
  const std::string before = iniText();
  click(channelBox(3));  // checked as well: Suggest unchecks it
  click(control(kSuggestId));
  for (int channel = 1; channel <= 16; ++channel) EXPECT_EQ(checked(channelBox(channel)), channel == 4) << channel;
  // Channel 1 has no notes and is no longer checked.
  EXPECT_FALSE(IsWindowEnabled(channelBox(1)));
  EXPECT_TRUE(IsWindowEnabled(channelBox(3)));
  EXPECT_EQ(test::windowText(control(kTransposeEditId)), L"24");
  EXPECT_EQ(test::windowText(control(kSpeedEditId)), L"80");
  EXPECT_EQ(iniText(), before);

  PostMessageW(control(IDOK), BM_CLICK, 0, 0);
  runLoop();
  EXPECT_EQ(optionLines(), (std::vector<std::string>{"Speed=80", "Channels=0x0008", "Transpose=24"}));
}

TEST_F(OptionsWindowTest, TheBoxesCountKeysOfTheFilesLayoutAndSuggestFitsTheLayoutChosenInTheList) {
  // A D major scale on channel 5: F#4 and C#5 have no key on the lyre.
  counts = NoteCounts{};
  for (int note : {62, 64, 66, 67, 69, 71, 73, 74}) counts.add(4, static_cast<std::uint8_t>(note));
  context.layouts = {LayoutChoice{L"lyre21", 21, builtInLayout(L"lyre21")->keyedNotes()}};
  writeOptions(L"Layout", L"lyre21");
  open();
  EXPECT_EQ(test::windowText(channelBox(5)), inLanguage(L"5: 8 notes, 6 in range", L"5: 8 \u97f3 (\u7bc4\u56f2\u5185 6)"));
  click(control(kSuggestId));
  EXPECT_EQ(test::windowText(control(kTransposeEditId)), L"-2") << "into C major, the lyre's keys";
  select(kLayoutListId, 0);  // the key configuration's C3-C6: every note fits as it is
  click(control(kSuggestId));
  EXPECT_EQ(test::windowText(control(kTransposeEditId)), L"0");
}

TEST_F(OptionsWindowTest, AChannelTheUserUnchecksCanBeCheckedAgain) {
  open();
  click(channelBox(1));
  EXPECT_FALSE(checked(channelBox(1)));
  EXPECT_TRUE(IsWindowEnabled(channelBox(1)));
  click(channelBox(1));
  EXPECT_TRUE(checked(channelBox(1)));
}

TEST_F(OptionsWindowTest, TypedKeysReachTheFieldsTabMovesOnArrowsStepTheTransposeAndEnterIsOk) {
  open();
  const HWND transpose = control(kTransposeEditId);
  SetFocus(transpose);
  SendMessageW(transpose, EM_SETSEL, 0, -1);
  // "-5", up twice: -3; Tab to the fold box, Space checks it; Tab to the
  // speed, whose text Tab selects: "200"; Enter.
  typeKeys({VK_OEM_MINUS, '5', VK_UP, VK_UP, VK_TAB, VK_SPACE, VK_TAB, '2', '0', '0', VK_RETURN});
  runLoop();
  EXPECT_EQ(window->window(), nullptr) << "Enter did not close the window";
  EXPECT_EQ(optionLines(), (std::vector<std::string>{"Transpose=-3", "FoldOctaves=1", "Speed=200"}));
}

TEST_F(OptionsWindowTest, TabGoesOnFromTheGapThroughTheListsTheHoldAndTheGuardAndArrowsChooseInAList) {
  context.layouts = {{L"JIS", 37}, {L"Lyre 21", 21}};
  context.midiInDevices = {L"Keystation 49", L"UM-ONE"};
  open();
  SetFocus(control(kRepressGapEditId));
  // Tab to the layout list, Down: JIS; Tab to the hold, whose text Tab
  // selects: "15"; Tab to the guard, Space; Tab to the device list, Down
  // twice: UM-ONE; Enter.
  typeKeys({VK_TAB, VK_DOWN, VK_TAB, '1', '5', VK_TAB, VK_SPACE, VK_TAB, VK_DOWN, VK_DOWN, VK_RETURN});
  runLoop();
  EXPECT_EQ(window->window(), nullptr) << "Enter did not close the window";
  EXPECT_EQ(optionLines(),
            (std::vector<std::string>{"Layout=JIS", "ModifierHold=15", "FocusGuard=1", "MidiInDevice=UM-ONE"}));
}

// The activation messages as the platform sends them when the user goes to
// another program and back. (Two top-level windows of one thread fight over
// Wine's X focus, so the other program is left out.)
TEST_F(OptionsWindowTest, TheFieldThatHadTheFocusGetsItBackWhenTheWindowIsActiveAgain) {
  open();
  SetFocus(control(kSpeedEditId));
  SendMessageW(window->window(), WM_ACTIVATE, WA_INACTIVE, 0);
  SetFocus(window->window());
  SendMessageW(window->window(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), control(kSpeedEditId));
}

TEST_F(OptionsWindowTest, AWriteThatFailsSaysSoAndKeepsTheWindowForAnotherTry) {
  open();
  const std::string before = iniText();
  // Open in another program that shares it with nobody: every write is
  // refused. (A read-only attribute is not enough when the tests run as root.)
  const HANDLE held = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  setText(kSpeedEditId, L"50");
  expectErrorOnClick(control(IDOK), notSavedText(), window->window());
  CloseHandle(held);
  ASSERT_NE(window->window(), nullptr);
  EXPECT_EQ(iniText(), before);
  EXPECT_EQ(test::windowText(control(kSpeedEditId)), L"50");

  PostMessageW(control(IDOK), BM_CLICK, 0, 0);
  runLoop();
  EXPECT_EQ(optionLines(), (std::vector<std::string>{"Speed=50"}));
}

TEST_F(OptionsWindowTest, SecondCreateOnTheSameObjectFailsWithoutAMessage) {
  open();
  expectSecondCreateFailsWithoutAMessage(*window);
}

// The opening sequence, with the modal loop playing what the user does.

TEST_F(OptionsWindowTest, OpeningDisablesTheOwnerAndWithdrawsTheHotkeysUntilItCloses) {
  expectOwnerAndHotkeysWaitUntilItCloses([this] { runOptionsWindow(context); });
}

TEST_F(OptionsWindowTest, OkGivesTheBindingsTheNewHotkeysBeforeTheyAreRegisteredAgain) {
  hotkeys.whileOpen = [](HWND options) {
    SendDlgItemMessageW(options, kControlHotkeyId + kControlPause, HKM_SETHOTKEY, MAKEWORD(VK_F5, HOTKEYF_CONTROL), 0);
    SendDlgItemMessageW(options, kControlHotkeyId + kControlSlower, HKM_SETHOTKEY, VK_F6, 0);
    PostMessageW(GetDlgItem(options, IDOK), BM_CLICK, 0, 0);
  };
  ControlHotkeys atRegister{};
  hotkeys.atRegister = [&] { atRegister = shownControlHotkeys(*table); };  // as the host registers them
  runOptionsWindow(context);
  EXPECT_EQ(hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));
  EXPECT_EQ(atRegister, (ControlHotkeys{0x0274, 0, 0, VK_F6, 0}));
}

TEST_F(OptionsWindowTest, QuitOrClosedOwnerWhileOpenEndsTheWindowAndRegistersNothingAgain) {
  expectQuitOrClosedOwnerEndsTheWindowAndRegistersNothingAgain([this] { runOptionsWindow(context); });
}

TEST_F(OptionsWindowTest, AWindowOrControlThatCannotBeCreatedIsReportedAndNothingIsWritten) {
  // オプションが開けません。
  const wchar_t* openFailed =
      inLanguage(L"Failed open options.", L"\u30aa\u30d7\u30b7\u30e7\u30f3\u304c\u958b\u3051\u307e\u305b\u3093\u3002");
  expectRefusedCreationsReported([this] { runOptionsWindow(context); }, openFailed,
                                 {kRefuseWindow, 0, 19, kOptionsControlCount - 1});
}

}  // namespace
}  // namespace murvane
