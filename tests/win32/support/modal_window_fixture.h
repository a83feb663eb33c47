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
      : iniPrefix_(iniPrefix), hotkeys(windowClass), hook(windowClass) {}

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

  std::string iniText() const {
    std::ifstream in(std::string(iniPath.begin(), iniPath.end()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every control of the window built as its table entry says, in creation
  // order: class, id, place, size, style (as the platform leaves it, which
  // styleOf tells) and text (textOf).
  void expectBuiltAsLaid(HWND window, std::span<const ControlLayout> layout,
                         const std::function<std::wstring(const ControlLayout&)>& textOf,
                         const std::function<DWORD(const ControlLayout&)>& styleOf) const {
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
      EXPECT_EQ(place.bottom - place.top, expected.height);
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)), styleOf(expected))
          << std::hex << GetWindowLongW(control, GWL_STYLE);
      EXPECT_EQ(GetWindowLongW(control, GWL_EXSTYLE), 0);
      EXPECT_EQ(GetDlgCtrlID(control), expected.id);
      EXPECT_EQ(windowText(control), textOf(expected));
      EXPECT_EQ(GetParent(control), window);
    }
  }

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
