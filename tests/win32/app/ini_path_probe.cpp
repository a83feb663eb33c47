// Builds its own IniPath as start-up does and writes it, UTF-16, to the file
// named by its argument. Exit code 1 when the IniPath cannot be formed.
#include <windows.h>

#include <cwchar>

#include "app/process_values.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    return 2;
  }
  const bool built = murvane::buildIniPath();
  const wchar_t* text = built ? murvane::iniPath() : L"";
  HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return 3;
  }
  DWORD written = 0;
  WriteFile(file, text, static_cast<DWORD>(std::wcslen(text) * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  murvane::releaseProcessValues();
  return built ? 0 : 1;
}
