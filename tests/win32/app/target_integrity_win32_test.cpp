#include "app/target_integrity_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/win32/support/harness.h"

namespace murvane {
namespace {

using test::pumpUntil;

bool bringToFront(HWND window) {
  return pumpUntil([window] {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    return false;
  });
}

std::wstring folderOfThisExecutable() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

class Win32IntegrityProbeTest : public ::testing::Test {
 protected:
  std::unique_ptr<IntegrityProbe> probe_ = makeWin32IntegrityProbe();
};

TEST_F(Win32IntegrityProbeTest, AWindowOfOurOwnInFrontIsNotBlocked) {
  HWND window = CreateWindowExW(0, L"STATIC", L"Integrity probe target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200,
                                100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(bringToFront(window));

  const IntegrityReading reading = probe_->read();
  ASSERT_TRUE(reading.own.has_value()) << "our own token could not be read";
  EXPECT_TRUE(reading.foregroundWindow);
  EXPECT_EQ(reading.foreground, reading.own);
  EXPECT_FALSE(keysBlockedByIntegrity(reading));
  DestroyWindow(window);
}

// Through OpenProcess on another process, as with a game in front.
TEST_F(Win32IntegrityProbeTest, AWindowOfAnotherProcessOfOursInFrontIsNotBlocked) {
  const std::wstring folder = folderOfThisExecutable();
  // The key recorder is built in the shared support folder, beside ours.
  const std::wstring recorder = folder + L"\\..\\support\\key_recorder.exe";
  const std::wstring log = folder + L"\\integrity-probe-recorder.log";
  constexpr wchar_t kTitle[] = L"Integrity probe recorder";
  std::wstring commandLine = L"\"" + recorder + L"\" \"" + log + L"\" --title \"" + kTitle + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(recorder.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << "cannot start the key recorder, error " << GetLastError();

  HWND window = nullptr;
  EXPECT_TRUE(pumpUntil([&] { return (window = FindWindowW(nullptr, kTitle)) != nullptr; }));
  if (window != nullptr) {
    EXPECT_TRUE(bringToFront(window));
    const IntegrityReading reading = probe_->read();
    EXPECT_TRUE(reading.own.has_value());
    EXPECT_TRUE(reading.foregroundWindow);
    EXPECT_EQ(reading.foreground, reading.own) << "a process of the same user, started as we were";
    EXPECT_FALSE(keysBlockedByIntegrity(reading));
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  DeleteFileW(log.c_str());
}

}  // namespace
}  // namespace murvane
