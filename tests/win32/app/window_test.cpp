// The window base under Wine: which messages reach the object, and how a
// modal window's loop treats its owner, a quit message and windows that go
// away while it waits.
#include "app/window_win32.h"

#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "tests/win32/support/harness.h"

namespace murvane {
namespace {

using namespace murvane::test;

WindowClass gTestClass{L"MurvaneTestWindow", {}};

class TestWindow final : public Window {
 public:
  static void registerOnce(HBRUSH background) {
    registerClass(gTestClass, GetModuleHandleW(nullptr), background);
  }
  bool createTopLevel() { return createCentred(frame()); }
  bool createOwnedBy(HWND owner) { return createModal(frame(), owner); }
  using Window::destroy;
  using Window::runModalLoop;

  std::vector<UINT> messages;
  HWND handleAtCreate = nullptr;
  int activations = 0;
  bool enabledWhenActivated = false;
  int appMessages = 0;

 private:
  static Frame frame() {
    return Frame{GetModuleHandleW(nullptr), gTestClass.name, L"Test window", WS_CAPTION | WS_SYSMENU, 200, 100};
  }

  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    messages.push_back(message);
    switch (message) {
      case WM_CREATE:
        handleAtCreate = window();
        break;
      case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
          ++activations;
          enabledWhenActivated = IsWindowEnabled(window()) != FALSE;
        }
        break;
      case WM_APP:
        ++appMessages;
        return 0;
      case WM_CLOSE:
        destroy();
        return 0;
      default:
        break;
    }
    return defaultProcessing(message, wParam, lParam);
  }
};

// Sends a message from another thread, as another program would, once the
// loop under test is waiting.
class LaterSender {
 public:
  LaterSender(HWND target, UINT message)
      : thread_([target, message] {
          std::this_thread::sleep_for(std::chrono::milliseconds(200));
          DWORD_PTR ignored = 0;
          SendMessageTimeoutW(target, message, 0, 0, SMTO_NORMAL, 10000, &ignored);
        }) {}
  ~LaterSender() { thread_.join(); }

 private:
  std::thread thread_;
};

// Ends a loop that would otherwise never return, so that the test fails
// instead of hanging.
class Watchdog {
 public:
  Watchdog()
      : thread_([this, loopThread = GetCurrentThreadId()] {
          for (int i = 0; i < 200 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
          if (!done_) {
            fired = true;
            PostThreadMessageW(loopThread, WM_QUIT, 99, 0);
          }
        }) {}
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }
  std::atomic<bool> fired{false};

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static HBRUSH background = CreateSolidBrush(RGB(231, 231, 231));
    TestWindow::registerOnce(background);
    ASSERT_TRUE(owner.createTopLevel());
    ShowWindow(owner.window(), SW_SHOW);
  }
  void TearDown() override { pump(); }

  TestWindow owner;
  TestWindow modal;
};

TEST_F(WindowTest, ObjectGetsEveryMessageFromNcCreateToNcDestroyAndThenForgetsTheHandle) {
  TestWindow window;
  ASSERT_TRUE(window.createTopLevel());
  const HWND handle = window.window();
  ASSERT_FALSE(window.messages.empty());
  EXPECT_EQ(window.messages.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(window.handleAtCreate, handle);
  EXPECT_EQ(Window::fromHandle(handle), &window);

  DestroyWindow(handle);
  EXPECT_EQ(window.messages.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(window.window(), nullptr);
  EXPECT_EQ(Window::fromHandle(handle), nullptr);
}

TEST_F(WindowTest, WindowsOfOthersAreNotTakenForOurs) {
  const HWND label = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(label, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
  EXPECT_EQ(Window::fromHandle(label), nullptr);
  DestroyWindow(label);
}

TEST_F(WindowTest, ModalWindowIsOwnedAndItsOwnerDisabledUntilItCloses) {
  ASSERT_TRUE(modal.createOwnedBy(owner.window()));
  EXPECT_EQ(GetWindow(modal.window(), GW_OWNER), owner.window());
  EXPECT_FALSE(IsWindowEnabled(owner.window()));
  EXPECT_TRUE(owner.ownsModalWindow());

  PostMessageW(modal.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(modal.runModalLoop(), ModalEnd::kClosed);
  EXPECT_EQ(modal.window(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner.window()));
  EXPECT_FALSE(owner.ownsModalWindow());
}

// Regression: enabled only after the modal window had gone, the owner was
// passed over when the platform chose the next window to activate.
TEST_F(WindowTest, OwnerIsEnabledBeforeItIsActivatedOnReturn) {
  ASSERT_TRUE(modal.createOwnedBy(owner.window()));
  ShowWindow(modal.window(), SW_SHOW);
  ASSERT_TRUE(pumpUntil([&] { return GetActiveWindow() == modal.window(); }));
  const int activationsBefore = owner.activations;

  PostMessageW(modal.window(), WM_CLOSE, 0, 0);
  modal.runModalLoop();
  EXPECT_EQ(GetActiveWindow(), owner.window());
  EXPECT_GT(owner.activations, activationsBefore);
  EXPECT_TRUE(owner.enabledWhenActivated);
}

TEST_F(WindowTest, OwnerThatWasDisabledAlreadyIsLeftDisabled) {
  EnableWindow(owner.window(), FALSE);
  ASSERT_TRUE(modal.createOwnedBy(owner.window()));
  PostMessageW(modal.window(), WM_CLOSE, 0, 0);
  modal.runModalLoop();
  EXPECT_FALSE(IsWindowEnabled(owner.window()));
  EnableWindow(owner.window(), TRUE);
}

TEST_F(WindowTest, QuitMessageEndsTheModalWindowAndIsPostedAgainForTheOuterLoop) {
  ASSERT_TRUE(modal.createOwnedBy(owner.window()));
  PostQuitMessage(7);
  EXPECT_EQ(modal.runModalLoop(), ModalEnd::kQuit);
  EXPECT_EQ(modal.window(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner.window()));
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
}

TEST_F(WindowTest, CloseRequestPostedToTheOwnerIsTakenAndTheOwnersOtherMessagesWait) {
  ASSERT_TRUE(modal.createOwnedBy(owner.window()));
  PostMessageW(owner.window(), WM_APP, 0, 0);
  PostMessageW(modal.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(modal.runModalLoop(), ModalEnd::kClosed);
  EXPECT_EQ(owner.appMessages, 0);
  pump();
  EXPECT_EQ(owner.appMessages, 1);

  TestWindow second;
  ASSERT_TRUE(second.createOwnedBy(owner.window()));
  PostMessageW(owner.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(second.runModalLoop(), ModalEnd::kOwnerGone);
  EXPECT_EQ(owner.window(), nullptr);
}

// A retrieval filtered on the modal window need not return once a message
// sent during the wait has destroyed that window; the loop must.
TEST_F(WindowTest, MessageSentWhileTheLoopWaitsThatDestroysTheWindowsEndsTheLoop) {
  struct Case {
    const char* name;
    bool toOwner;
    ModalEnd end;
  };
  for (const Case& c : {Case{"close sent to the modal window", false, ModalEnd::kClosed},
                        Case{"close sent to the owner", true, ModalEnd::kOwnerGone}}) {
    SCOPED_TRACE(c.name);
    TestWindow window;
    if (owner.window() == nullptr) {
      ASSERT_TRUE(owner.createTopLevel());
    }
    ASSERT_TRUE(window.createOwnedBy(owner.window()));
    Watchdog watchdog;
    ModalEnd end;
    {
      LaterSender sender(c.toOwner ? owner.window() : window.window(), WM_CLOSE);
      end = window.runModalLoop();
    }
    EXPECT_FALSE(watchdog.fired) << "the loop did not return by itself";
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(window.window(), nullptr);
  }
}

}  // namespace
}  // namespace murvane
