#pragma once

// What the tests of the key configuration window and of the Options window
// share: a fresh INI file, a stand-in for the main window as owner, the
// creation hook, hotkeys that record the opener's calls, and the check of
// the built controls against the window's layout table.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/control_layout_win32.h"
#include "app/hotkeys.h"
#include "app/modal_window_win32.h"
#include "bindings/binding_table.h"
#include "bindings/ini_store.h"
#include "bindings/ini_store_win32.h"
#include "tests/win32/support/harness.h"

namespace murvane::test {

// Escapes, so that the expectations do not depend on how the source is read.
inline const wchar_t* errorCaption() { return L"Murvane: Error"; }
inline const wchar_t* createFailedText() {
  // ウィンドウの作成に失敗しました。
  return inLanguage(L"Failed create window.",
                    L"\u30a6\u30a3\u30f3\u30c9\u30a6\u306e\u4f5c\u6210\u306b\u5931\u6557\u3057\u307e\u3057\u305f\u3002");
}
inline const wchar_t* notSavedText() {
  // 設定ファイルを保存できませんでした。
  return inLanguage(L"Failed save settings file.",
                    L"\u8a2d\u5b9a\u30d5\u30a1\u30a4\u30eb\u3092\u4fdd\u5b58\u3067\u304d\u307e\u305b\u3093\u3067\u3057\u305f\u3002");
}

// Records the opener's calls, and whether the window was open at each.
class RecordingHotkeys final : public HotkeyControl {
 public:
  explicit RecordingHotkeys(const wchar_t* windowClass) : windowClass_(windowClass) {}

  void registerHotkeys() override {
    calls.push_back("register");
    windowOpenAtRegister = FindWindowW(windowClass_, nullptr) != nullptr;
    if (atRegister) atRegister();
  }
  void unregisterHotkeys() override {
    calls.push_back("unregister");
    windowAtUnregister = FindWindowW(windowClass_, nullptr);
    if (whileOpen) whileOpen(windowAtUnregister);
  }

  std::vector<std::string> calls;
  HWND windowAtUnregister = nullptr;
  bool windowOpenAtRegister = false;
  std::function<void()> atRegister;
  // Runs once the window is up, before its loop: the test's part of the
  // user's session, posted for the loop to play.
  void (*whileOpen)(HWND window) = nullptr;

 private:
  const wchar_t* windowClass_;
};

class ModalWindowTest : public ::testing::Test {
 protected:
  ModalWindowTest(const wchar_t* windowClass, const wchar_t* iniPrefix)
      : windowClass_(windowClass), iniPrefix_(iniPrefix), hotkeys(windowClass), hook(windowClass) {}

  // The first-run file, as Murvane leaves it.
  void SetUp() override {
    wchar_t folder[MAX_PATH] = {};
    wchar_t file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, iniPrefix_, 0, file);
    DeleteFileW(file);  // a missing file: the defaults are written out
    iniPath = file;
    store = makeWin32IniStore(iniPath);
    table = loadBindings(*store);

    static HBRUSH background = CreateSolidBrush(RGB(231, 231, 231));
    brush = background;
    owner = CreateWindowExW(0, L"STATIC", L"Main window stand-in", WS_OVERLAPPED, 0, 0, 100, 50, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  }

  // After the fixture's own window is gone.
  void TearDown() override {
    releaseModifiers();
    DestroyWindow(owner);
    pump();
    DeleteFileW(iniPath.c_str());
  }

  void click(HWND button) {
    SendMessageW(button, BM_CLICK, 0, 0);
    pump();
  }

  // The click shows one error message, with the text, owned by the window.
  void expectErrorOnClick(HWND button, const std::wstring& text, HWND window) {
    MessageBoxCatcher catcher;
    click(button);
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].text, text);
    EXPECT_EQ(catcher.seen[0].caption, errorCaption());
    EXPECT_EQ(catcher.seen[0].owner, window);
    EXPECT_TRUE(catcher.seen[0].errorIcon);
  }

  std::string iniText() const {
    std::ifstream in(std::string(iniPath.begin(), iniPath.end()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every control of the window built as its table entry says, in creation
  // order: class, id, place, size, style (as the platform leaves it, which
  // styleOf tells; the extended style, which exStyleOf tells, none without it)
  // and text (textOf).
  void expectBuiltAsLaid(HWND window, std::span<const ControlLayout> layout,
                         const std::function<std::wstring(const ControlLayout&)>& textOf,
                         const std::function<DWORD(const ControlLayout&)>& styleOf,
                         const std::function<DWORD(const ControlLayout&)>& exStyleOf = {}) const {
    ASSERT_EQ(hook.children.size(), layout.size());
    for (std::size_t i = 0; i < layout.size(); ++i) {
      const ControlLayout& expected = layout[i];
      const HWND control = hook.children[i];
      SCOPED_TRACE(::testing::Message() << "control " << i << " (id " << expected.id << ")");
      const RECT place = placeInParent(control);
      EXPECT_TRUE(isClass(control, expected.className)) << classOf(control).c_str();
      EXPECT_EQ(place.left, expected.x);
      EXPECT_EQ(place.top, expected.y);
      EXPECT_EQ(place.right - place.left, expected.width);
      // A drop-down list is laid out by the height it drops to; the box
      // itself takes the height its font needs.
      EXPECT_EQ(isClass(control, L"COMBOBOX") ? droppedHeight(control) : place.bottom - place.top, expected.height);
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), styleOf(expected))
          << std::hex << GetWindowLongW(control, GWL_STYLE);
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)), exStyleOf ? exStyleOf(expected) : 0);
      EXPECT_EQ(GetDlgCtrlID(control), expected.id);
      EXPECT_EQ(windowText(control), textOf(expected));
      EXPECT_EQ(GetParent(control), window);
    }
  }

  // What every modal window does, whichever it is.

  // A fixed top-level window owned by the main window, with the shape of its
  // table, the title, the application's icon and the grey background.
  void expectFixedOwnedWindow(HWND window, const WindowShape& shape, const wchar_t* title) const {
    EXPECT_EQ(classOf(window), shape.className);
    EXPECT_EQ(windowText(window), title);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & ~static_cast<DWORD>(WS_CLIPSIBLINGS),
              shape.style | WS_VISIBLE);
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, shape.clientWidth);
    EXPECT_EQ(client.bottom, shape.clientHeight);
    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)), brush);
    EXPECT_EQ(GetClassLongW(window, GCL_STYLE), 0u);
  }

  // A label or check box of the window is drawn transparently on the grey.
  void expectDrawnOnTheBackground(HWND window, HWND child) const {
    HDC dc = GetDC(child);
    SetBkMode(dc, OPAQUE);
    const auto result =
        SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(result), brush);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    ReleaseDC(child, dc);
  }

  void expectSecondCreateFailsWithoutAMessage(ModalWindow& window) {
    MessageBoxCatcher catcher;
    EXPECT_FALSE(window.create());
    pump();
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_TRUE(IsWindow(window.window()));
  }

  // The opening as run() does it, closed by the user in its loop: the owner
  // disabled while it is open and enabled after, the hotkeys withdrawn for
  // the loop and registered once the window has gone.
  void expectOwnerAndHotkeysWaitUntilItCloses(const std::function<void()>& run) {
    static bool ownerEnabledWhileOpen;
    ownerEnabledWhileOpen = true;
    hotkeys.calls.clear();
    hotkeys.whileOpen = [](HWND window) {
      ownerEnabledWhileOpen = IsWindowEnabled(GetWindow(window, GW_OWNER)) != FALSE;
      PostMessageW(window, WM_CLOSE, 0, 0);
    };
    run();
    EXPECT_EQ(hotkeys.calls, (std::vector<std::string>{"unregister", "register"}));
    EXPECT_NE(hotkeys.windowAtUnregister, nullptr);
    EXPECT_FALSE(IsWindow(hotkeys.windowAtUnregister));
    EXPECT_FALSE(hotkeys.windowOpenAtRegister);
    EXPECT_FALSE(ownerEnabledWhileOpen);
    EXPECT_TRUE(IsWindowEnabled(owner));
  }

  // Regression: a quit message or the end of the main window while the
  // window was open left the hotkeys registered again on a window that was
  // gone, and the quit message lost.
  void expectQuitOrClosedOwnerEndsTheWindowAndRegistersNothingAgain(const std::function<void()>& run) {
    const struct {
      const char* name;
      void (*whileOpen)(HWND window);
      bool quit;
    } cases[] = {
        {"quit message", [](HWND) { PostQuitMessage(3); }, true},
        {"owner closed", [](HWND window) { PostMessageW(GetWindow(window, GW_OWNER), WM_CLOSE, 0, 0); }, false},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      hotkeys.calls.clear();
      hotkeys.whileOpen = c.whileOpen;
      MessageBoxCatcher catcher;
      run();
      EXPECT_EQ(hotkeys.calls, (std::vector<std::string>{"unregister"}));
      EXPECT_EQ(FindWindowW(windowClass_, nullptr), nullptr);
      EXPECT_TRUE(catcher.seen.empty());
      MSG quit{};
      const bool quitQueued = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
      EXPECT_EQ(quitQueued, c.quit) << "the quit message was swallowed or made up";
      if (c.quit) {
        EXPECT_EQ(quit.wParam, 3u);
        EXPECT_TRUE(IsWindowEnabled(owner));
      } else {
        EXPECT_FALSE(IsWindow(owner));
      }
    }
  }

  static constexpr int kRefuseWindow = -2;

  // The platform refuses the window itself (kRefuseWindow) or one of its
  // controls (by position in creation order): the creation's own message,
  // owned by the owner or by the window, which is then gone, and the
  // opening's message owned by the owner. Nothing is written, and the
  // hotkeys are left alone.
  void expectRefusedCreationsReported(const std::function<void()>& run, const wchar_t* openFailedText,
                                      std::initializer_list<int> refusals) {
    const std::string before = iniText();
    for (int refused : refusals) {
      SCOPED_TRACE(refused);
      hook.children.clear();
      hook.refuseWindow = refused == kRefuseWindow;
      hook.refuseChild = refused;
      hotkeys.calls.clear();
      MessageBoxCatcher catcher;

      run();

      ASSERT_EQ(catcher.seen.size(), 2u);
      EXPECT_EQ(catcher.seen[0].text, createFailedText());
      if (refused == kRefuseWindow) {
        EXPECT_EQ(catcher.seen[0].owner, owner);
      } else {
        EXPECT_NE(catcher.seen[0].owner, owner);
        EXPECT_FALSE(IsWindow(catcher.seen[0].owner)) << "the window was left open";
      }
      EXPECT_EQ(catcher.seen[1].text, openFailedText);
      EXPECT_EQ(catcher.seen[1].owner, owner);
      for (const SeenMessageBox& seen : catcher.seen) {
        EXPECT_EQ(seen.caption, errorCaption());
        EXPECT_TRUE(seen.errorIcon);
      }
      EXPECT_TRUE(hotkeys.calls.empty());
      EXPECT_EQ(FindWindowW(windowClass_, nullptr), nullptr);
      EXPECT_EQ(iniText(), before);
    }
    hook.refuseWindow = false;
  }

  const wchar_t* windowClass_;
  const wchar_t* iniPrefix_;
  std::wstring iniPath;
  std::unique_ptr<IniStore> store;
  std::unique_ptr<BindingTable> table;
  RecordingHotkeys hotkeys;
  HBRUSH brush = nullptr;
  HWND owner = nullptr;
  CreationHook hook;
};

}  // namespace murvane::test
