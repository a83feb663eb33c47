#include <windows.h>

#include <memory>

#include "app/main_window_win32.h"
#include "app/process_values.h"
#include "res/resource.h"

namespace {

void showStartupFailure() {
  MessageBoxW(nullptr, murvane::lookupString(IDS_ERROR_INITIALIZE), murvane::lookupString(IDS_ERROR_CAPTION),
              MB_OK | MB_ICONERROR);
}

void releaseMutex(HANDLE mutex) {
  if (mutex == nullptr) return;
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace murvane;

  // A failure to create the mutex is no reason not to run.
  SetLastError(ERROR_SUCCESS);
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Murvane");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (mutex != nullptr) CloseHandle(mutex);
    return 1;
  }

  storeInstance(instance);
  loadStringTable();
  if (!buildIniPath()) {
    showStartupFailure();
    releaseProcessValues();
    releaseMutex(mutex);
    return 1;
  }
  createBackgroundBrush();

  auto mainWindow = std::make_unique<MainWindow>(instance, makeWin32Services(iniPath()));
  const bool started = mainWindow->init();
  if (started) {
    // Not translated: no character messages are wanted.
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  } else {
    showStartupFailure();
  }

  // The close request has already ended the player; this closes MIDI input
  // and releases every key that is still down.
  mainWindow.reset();
  deleteBackgroundBrush();
  releaseProcessValues();
  releaseMutex(mutex);
  // A start that failed with "Failed initialize application." is a failure
  // to the caller too, as when the INI path cannot be formed.
  return started ? 0 : 1;
}
