// The key configuration window as the user meets it: real windows under
// Wine, real keyboard input, a real INI file in the temporary folder.
#include "app/key_bind_window_win32.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/win32/support/modal_window_fixture.h"

namespace murvane {
namespace {

using namespace murvane::test;

const wchar_t* const kEnglishCaptions[kBindingCount] = {
    L"C3", L"C3#", L"D3", L"D3#", L"E3", L"F3", L"F3#", L"G3", L"G3#", L"A3", L"A3#", L"B3",
    L"C4", L"C4#", L"D4", L"D4#", L"E4", L"F4", L"F4#", L"G4", L"G4#", L"A4", L"A4#", L"B4",
    L"C5", L"C5#", L"D5", L"D5#", L"E5", L"F5", L"F5#", L"G5", L"G5#", L"A5", L"A5#", L"B5",
    L"C6", L"Hotkey: Play/Stop", L"Hotkey: MIDI input", L"Hotkey: All stop"};

// Escapes, so that the expectation does not depend on how the source is read.
const wchar_t* const kJapaneseCaptions[kBindingCount] = {
    L"\u30c9 (-1)",            // ド (-1)
    L"\u30c9\uff03 (-1)",      // ド＃ (-1)
    L"\u30ec (-1)",            // レ (-1)
    L"\u30df\u266d (-1)",      // ミ♭ (-1)
    L"\u30df (-1)",            // ミ (-1)
    L"\u30d5\u30a1 (-1)",      // ファ (-1)
    L"\u30d5\u30a1\uff03 (-1)",  // ファ＃ (-1)
    L"\u30bd (-1)",            // ソ (-1)
    L"\u30bd\uff03 (-1)",      // ソ＃ (-1)
    L"\u30e9 (-1)",            // ラ (-1)
    L"\u30b7\u266d (-1)",      // シ♭ (-1)
    L"\u30b7 (-1)",            // シ (-1)
    L"\u30c9",                 // ド
    L"\u30c9\uff03",           // ド＃
    L"\u30ec",                 // レ
    L"\u30df\u266d",           // ミ♭
    L"\u30df",                 // ミ
    L"\u30d5\u30a1",           // ファ
    L"\u30d5\u30a1\uff03",     // ファ＃
    L"\u30bd",                 // ソ
    L"\u30bd#",                // ソ# (an ASCII sign, unlike its neighbours)
    L"\u30e9",                 // ラ
    L"\u30b7\u266d",           // シ♭
    L"\u30b7",                 // シ
    L"\u30c9 (+1)",            // ド (+1)
    L"\u30c9\uff03 (+1)",      // ド＃ (+1)
    L"\u30ec (+1)",            // レ (+1)
    L"\u30df\u266d (+1)",      // ミ♭ (+1)
    L"\u30df (+1)",            // ミ (+1)
    L"\u30d5\u30a1 (+1)",      // ファ (+1)
    L"\u30d5\u30a1\uff03 (+1)",  // ファ＃ (+1)
    L"\u30bd (+1)",            // ソ (+1)
    L"\u30bd\uff03 (+1)",      // ソ＃ (+1)
    L"\u30e9 (+1)",            // ラ (+1)
    L"\u30b7\u266d (+1)",      // シ♭ (+1)
    L"\u30b7 (+1)",            // シ (+1)
    L"\u30c9(+2)",             // ド(+2)
    L"Hotkey: \u518d\u751f/\u505c\u6b62",  // Hotkey: 再生/停止
    L"Hotkey: MIDI\u5165\u529b",          // Hotkey: MIDI入力
    L"Hotkey: \u5168\u505c\u6b62",        // Hotkey: 全停止
};

// The labels of a fresh INI file: the built-in layout of a JIS keyboard.
const wchar_t* const kDefaultKeyLabels[kBindingCount] = {
    L" 1", L" 2", L" 3", L" 4", L" 5", L" 6", L" 7", L" 8", L" 9", L" 0", L" -", L" ^",
    L" Q", L" W", L" E", L" R", L" T", L" Y", L" U", L" I", L" O", L" P", L" @", L" [",
    L" A", L" S", L" D", L" F", L" G", L" H", L" J", L" K", L" L", L" ;", L" :", L" ]",
    L" Z", L" F11", L" F10", L" F12"};

const wchar_t* caption(int entry) {
  return inLanguage(kEnglishCaptions[entry], kJapaneseCaptions[entry]);
}

const wchar_t* modifierOnNoteText() {
  // 音階には修飾キー(Ctrl, Alt, Shift)を使えません
  return inLanguage(L"Ctrl, Alt and Shift do not use in note",
                    L"\u97f3\u968e\u306b\u306f\u4fee\u98fe\u30ad\u30fc(Ctrl, Alt, Shift)\u3092\u4f7f\u3048\u307e\u305b\u3093");
}
const wchar_t* openFailedText() {
  // キーバインド設定が開けません。
  return inLanguage(L"Failed open key config.",
                    L"\u30ad\u30fc\u30d0\u30a4\u30f3\u30c9\u8a2d\u5b9a\u304c\u958b\u3051\u307e\u305b\u3093\u3002");
}

class KeyBindWindowTest : public test::ModalWindowTest {
 protected:
  KeyBindWindowTest() : ModalWindowTest(kKeyBindWindow.className, L"kbw") {}

  void SetUp() override {
    ModalWindowTest::SetUp();
    context = {GetModuleHandleW(nullptr), owner, table.get(), store.get(), &test::resourceStrings(), brush,
               &hotkeys};
    KeyBindWindow::registerClass(context.instance, context.background);
    hotkeys.atRegister = [this] { playStopAtRegister = table->keys[kHotkeyPlayIndex]; };
  }

  void TearDown() override {
    window.reset();
    ModalWindowTest::TearDown();
  }

  // Creates the window and gives it the keyboard, as the user would find it.
  void open() {
    window = std::make_unique<KeyBindWindow>(context);
    ASSERT_TRUE(window->create());
    ASSERT_EQ(hook.children.size(), static_cast<std::size_t>(kKeyBindControlCount));
    ASSERT_TRUE(test::focusWindow(window->window())) << "the key window did not get the keyboard focus";
  }

  HWND selectionLabel() const { return hook.children[0]; }
  HWND capturedLabel() const { return hook.children[1]; }
  HWND commitButton() const { return hook.children[2]; }
  HWND entryButton(int entry) const { return hook.children[3 + 2 * static_cast<std::size_t>(entry)]; }
  HWND keyLabel(int entry) const { return hook.children[4 + 2 * static_cast<std::size_t>(entry)]; }

  std::wstring iniValue(const wchar_t* key) const {
    wchar_t value[16] = {};
    GetPrivateProfileStringW(L"KeyBinds", key, L"", value, 16, iniPath.c_str());
    return value;
  }

  KeyBindWindowContext context{};
  std::unique_ptr<KeyBindWindow> window;
  KeyCode playStopAtRegister = 0xFFFF;
};

// The figures the layout is drawn to: a client area of 872 x 678, the first
// entry at 16, 70 with its key at 152, C6 below the third column, the
// hotkeys in a row of their own, Commit at the top right of the labels.
TEST(KeyBindLayout, TableHasTheWindowsFigures) {
  EXPECT_EQ(kKeyBindWindow.clientWidth, 872);
  EXPECT_EQ(kKeyBindWindow.clientHeight, 678);
  const auto place = [](const ControlLayout& c) { return std::vector<int>{c.x, c.y, c.width, c.height}; };
  EXPECT_EQ(place(kKeyBindLayout[2]), (std::vector<int>{620, 8, 64, 30}));         // Commit
  EXPECT_EQ(place(kKeyBindLayout[3]), (std::vector<int>{16, 70, 128, 30}));        // C3
  EXPECT_EQ(place(kKeyBindLayout[4]), (std::vector<int>{152, 70, 128, 30}));       // its key
  EXPECT_EQ(place(kKeyBindLayout[3 + 2 * 35]), (std::vector<int>{592, 488, 128, 30}));  // B5
  EXPECT_EQ(place(kKeyBindLayout[3 + 2 * 36]), (std::vector<int>{592, 526, 128, 30}));  // C6
  EXPECT_EQ(place(kKeyBindLayout[3 + 2 * 39 + 1]), (std::vector<int>{392, 640, 256, 30}));  // All stop's key
  for (const ControlLayout& control : kKeyBindLayout) {
    EXPECT_LE(control.x + control.width, kKeyBindWindow.clientWidth) << control.id;
    EXPECT_LE(control.y + control.height, kKeyBindWindow.clientHeight) << control.id;
  }
}

TEST_F(KeyBindWindowTest, EveryControlIsBuiltAsItsTableEntrySays) {
  open();
  expectBuiltAsLaid(
      window->window(), kKeyBindLayout,
      [](const ControlLayout& control) -> std::wstring {
        // 設定
        if (control.source == kNoSource) return control.textId == IDS_COMMIT ? inLanguage(L"Commit", L"\u8a2d\u5b9a") : L"";
        const bool keyLabel = std::wstring_view(control.className) == L"STATIC";
        return keyLabel ? kDefaultKeyLabels[control.source] : caption(control.source);
      },
      [](const ControlLayout& control) { return control.style; });
}

TEST_F(KeyBindWindowTest, WindowIsAFixedTopLevelWindowWithTitleIconAndGreyBackground) {
  open();
  // Murvane: キー設定
  expectFixedOwnedWindow(window->window(), kKeyBindWindow,
                         inLanguage(L"Murvane: Key config", L"Murvane: \u30ad\u30fc\u8a2d\u5b9a"));
}

TEST_F(KeyBindWindowTest, OpensCentredOnTheScreen) {
  open();
  RECT outer;
  GetWindowRect(window->window(), &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_GT(screenWidth, width);
  ASSERT_GT(screenHeight, height);
  // Integer halves of what is left over.
  EXPECT_EQ(outer.left, (screenWidth - width) / 2);
  EXPECT_EQ(outer.top, (screenHeight - height) / 2);
}

// Run by small_screen.sh on an 800x600 display of its own.
TEST_F(KeyBindWindowTest, SmallScreenPutsTheWindowAtTheTopLeftCorner) {
  wchar_t screen[16] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"MURVANE_TEST_SMALL_SCREEN", screen, 16), 0u) << "run by small_screen.sh";
  ASSERT_EQ(std::to_wstring(GetSystemMetrics(SM_CXSCREEN)) + L"x" + std::to_wstring(GetSystemMetrics(SM_CYSCREEN)),
            screen);
  open();
  RECT outer;
  GetWindowRect(window->window(), &outer);
  // The platform trims the size to the screen plus the frame, but the window
  // still does not fit.
  ASSERT_GT(outer.right - outer.left, GetSystemMetrics(SM_CXSCREEN));
  ASSERT_GT(outer.bottom - outer.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(outer.left, 0);
  EXPECT_EQ(outer.top, 0);
}

TEST_F(KeyBindWindowTest, StaticLabelsAreTransparentOnTheBackgroundBrush) {
  open();
  expectDrawnOnTheBackground(window->window(), keyLabel(0));
}

TEST_F(KeyBindWindowTest, ClickC4TypeQCommitStoresQAndClearsTheEntryThatHeldIt) {
  assignBinding(*table, *store, 13, 'Q');  // Q on C#4; C4 unbound
  open();
  ASSERT_EQ(test::windowText(keyLabel(12)), L"");
  ASSERT_EQ(test::windowText(keyLabel(13)), L" Q");

  click(entryButton(12));
  EXPECT_EQ(test::windowText(selectionLabel()), caption(12));
  EXPECT_EQ(GetFocus(), window->window());
  test::typeKey('Q');
  EXPECT_EQ(test::windowText(capturedLabel()), L" Q");

  click(commitButton());

  EXPECT_EQ(table->keys[12], 0x0051);
  EXPECT_EQ(test::windowText(keyLabel(12)), L" Q");
  EXPECT_EQ(table->keys[13], 0);
  EXPECT_EQ(test::windowText(keyLabel(13)), L"");
  EXPECT_EQ(iniValue(L"C4"), L"0x0051");
  EXPECT_EQ(iniValue(L"Cs4"), L"0x0000");
  EXPECT_EQ(GetFocus(), window->window());
  // Commit leaves the selection and the capture as they were.
  EXPECT_EQ(test::windowText(selectionLabel()), caption(12));
  EXPECT_EQ(test::windowText(capturedLabel()), L" Q");
  EXPECT_EQ(window->capture().selected(), 12);
}

struct CaptureCase {
  const char* name;
  std::vector<std::pair<bool, WORD>> strokes;  // true: press
  const wchar_t* label;                       // nullptr: nothing captured
  KeyCode captured;
};

TEST_F(KeyBindWindowTest, KeysAreCapturedWithTheModifiersHeldAtTheReleaseOfTheNamedKey) {
  const std::vector<CaptureCase> cases = {
      {"Ctrl held through F5", {{true, VK_CONTROL}, {true, VK_F5}, {false, VK_F5}, {false, VK_CONTROL}}, L" Ctrl + F5",
       0x0274},
      {"Ctrl released before F5", {{true, VK_CONTROL}, {true, VK_F5}, {false, VK_CONTROL}, {false, VK_F5}}, L" F5",
       0x0074},
      {"Shift with a letter", {{true, VK_SHIFT}, {true, 'A'}, {false, 'A'}, {false, VK_SHIFT}}, L" Shift + A", 0x0141},
      {"modifiers in the order Ctrl, Alt, Shift",
       {{true, VK_SHIFT}, {true, VK_MENU}, {true, VK_CONTROL}, {true, VK_F5}, {false, VK_F5}, {false, VK_CONTROL},
        {false, VK_MENU}, {false, VK_SHIFT}},
       L" Ctrl + Alt + Shift + F5", 0x0774},
      {"Shift alone", {{true, VK_SHIFT}, {false, VK_SHIFT}}, nullptr, 0},
      {"Ctrl alone", {{true, VK_CONTROL}, {false, VK_CONTROL}}, nullptr, 0},
      {"Caps Lock", {{true, VK_CAPITAL}, {false, VK_CAPITAL}, {true, VK_CAPITAL}, {false, VK_CAPITAL}}, nullptr, 0},
      {"F13 has no name", {{true, VK_F13}, {false, VK_F13}}, nullptr, 0},
  };
  for (const CaptureCase& c : cases) {
    SCOPED_TRACE(c.name);
    open();
    for (const auto& [press, vk] : c.strokes) {
      if (press) {
        test::pressKey(vk);
      } else {
        test::releaseKey(vk);
      }
    }
    EXPECT_EQ(test::windowText(capturedLabel()), c.label != nullptr ? c.label : L"");
    EXPECT_EQ(window->capture().captured(), c.captured);
    EXPECT_EQ(window->capture().modifiers(), 0);
    window.reset();
    hook.children.clear();
  }
}

TEST_F(KeyBindWindowTest, AltAloneCapturesNothing) {
  open();
  test::pressKey(VK_MENU);
  // Alt's release opens the system menu through the default processing;
  // Escape leaves it.
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EndMenu();
  });
  test::releaseKey(VK_MENU);
  test::pump();
  EXPECT_EQ(test::windowText(capturedLabel()), L"");
  EXPECT_EQ(window->capture().captured(), 0);
  EXPECT_EQ(window->capture().modifiers(), 0);
}

TEST_F(KeyBindWindowTest, ModifierOnANoteIsRefusedWithAMessageAndStoresNothing) {
  open();
  click(entryButton(12));
  test::pressKey(VK_CONTROL);
  test::typeKey('Q');
  test::releaseKey(VK_CONTROL);
  ASSERT_EQ(test::windowText(capturedLabel()), L" Ctrl + Q");
  const std::string before = iniText();
  expectErrorOnClick(commitButton(), modifierOnNoteText(), window->window());
  EXPECT_EQ(table->keys[12], 0x0051);
  EXPECT_EQ(iniText(), before);
  EXPECT_EQ(test::windowText(selectionLabel()), caption(12));
  EXPECT_EQ(test::windowText(capturedLabel()), L" Ctrl + Q");

  // The same capture on the Play/Stop hotkey is stored.
  click(entryButton(kHotkeyPlayIndex));
  click(commitButton());
  EXPECT_EQ(table->keys[kHotkeyPlayIndex], 0x0251);
  EXPECT_EQ(test::windowText(keyLabel(kHotkeyPlayIndex)), L" Ctrl + Q");
  EXPECT_EQ(iniValue(L"HotkeyPlay"), L"0x0251");
  // Ctrl+Q and the plain Q of C4 are different keys.
  EXPECT_EQ(table->keys[12], 0x0051);
}

TEST_F(KeyBindWindowTest, CommitWithNothingSelectedOrNothingCapturedDoesNothing) {
  open();
  const std::string before = iniText();
  MessageBoxCatcher catcher;

  test::typeKey('Z');  // captured, but no entry selected
  click(commitButton());
  EXPECT_EQ(iniText(), before);

  window.reset();
  hook.children.clear();
  open();
  click(entryButton(0));  // selected, nothing captured
  click(commitButton());

  EXPECT_EQ(iniText(), before);
  EXPECT_TRUE(catcher.seen.empty());
  for (int entry = 0; entry < kBindingCount; ++entry) {
    EXPECT_EQ(table->keys[static_cast<std::size_t>(entry)], defaultBinding(entry)) << entry;
    EXPECT_EQ(test::windowText(keyLabel(entry)), kDefaultKeyLabels[entry]) << entry;
  }
}

TEST_F(KeyBindWindowTest, CommitThatCannotBeSavedSaysSoOnceAndStaysInEffect) {
  open();
  const std::string before = iniText();
  // Open in another program that shares it with nobody: every write is
  // refused. (A read-only attribute is not enough when the tests run as root.)
  const HANDLE held = CreateFileW(iniPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  click(entryButton(12));
  test::typeKey('Z');  // held by C6, which a stored Commit clears too
  expectErrorOnClick(commitButton(), notSavedText(), window->window());
  CloseHandle(held);
  EXPECT_EQ(iniText(), before);
  EXPECT_EQ(table->keys[12], 0x005A);
  EXPECT_EQ(table->keys[36], 0);
  EXPECT_EQ(test::windowText(keyLabel(12)), L" Z");
  EXPECT_EQ(test::windowText(keyLabel(36)), L"");
  EXPECT_EQ(GetFocus(), window->window());
}

TEST_F(KeyBindWindowTest, SecondCreateOnTheSameObjectFailsWithoutAMessage) {
  open();
  expectSecondCreateFailsWithoutAMessage(*window);
}

// The opening sequence, with the modal loop playing what the user does.

TEST_F(KeyBindWindowTest, OpeningDisablesTheOwnerAndWithdrawsTheHotkeysUntilItCloses) {
  expectOwnerAndHotkeysWaitUntilItCloses([this] { runKeyBindWindow(context); });
}

TEST_F(KeyBindWindowTest, NoteBoundToF11ClearsThePlayStopHotkeyBeforeTheyAreRegisteredAgain) {
  hotkeys.whileOpen = [](HWND key) {
    PostMessageW(GetDlgItem(key, 12), BM_CLICK, 0, 0);
    PostMessageW(key, WM_KEYDOWN, VK_F11, 0x00570001);
    PostMessageW(key, WM_KEYUP, VK_F11, static_cast<LPARAM>(0xC0570001));
    PostMessageW(GetDlgItem(key, kCommitControlId), BM_CLICK, 0, 0);
    PostMessageW(key, WM_CLOSE, 0, 0);
  };
  runKeyBindWindow(context);

  EXPECT_EQ(table->keys[12], 0x007A);
  EXPECT_EQ(table->keys[kHotkeyPlayIndex], 0);
  EXPECT_EQ(playStopAtRegister, 0);
  EXPECT_EQ(iniValue(L"HotkeyPlay"), L"0x0000");
  EXPECT_EQ(iniValue(L"C4"), L"0x007a");
}

TEST_F(KeyBindWindowTest, QuitOrClosedOwnerWhileOpenEndsTheWindowAndRegistersNothingAgain) {
  expectQuitOrClosedOwnerEndsTheWindowAndRegistersNothingAgain([this] { runKeyBindWindow(context); });
}

TEST_F(KeyBindWindowTest, WindowThatCannotBeCreatedIsReportedToTheMainWindowTwice) {
  expectRefusedCreationsReported([this] { runKeyBindWindow(context); }, openFailedText(), {kRefuseWindow});
}

TEST_F(KeyBindWindowTest, ControlThatCannotBeCreatedClosesTheWindowAfterItsOwnMessage) {
  expectRefusedCreationsReported([this] { runKeyBindWindow(context); }, openFailedText(),
                                 {0, 2, 50, kKeyBindControlCount - 1});
}

}  // namespace
}  // namespace murvane
