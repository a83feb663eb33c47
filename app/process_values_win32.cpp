#include "app/process_values.h"

#include <shlwapi.h>

#include <memory>

#include "app/string_table_win32.h"

namespace murvane {

namespace {

HINSTANCE gInstance = nullptr;
StringTable gStrings;
std::unique_ptr<wchar_t[]> gIniPath;
HBRUSH gBackgroundBrush = nullptr;

}  // namespace

void storeInstance(HINSTANCE instance) { gInstance = instance; }

HINSTANCE instanceHandle() { return gInstance; }

void loadStringTable() {
  ResourceStringLoader loader(gInstance);
  gStrings.load(loader);
}

const StringTable& stringTable() { return gStrings; }

const wchar_t* lookupString(std::int32_t id) { return gStrings.lookup(id); }

bool buildIniPath() {
  gIniPath.reset();
  auto path = std::make_unique<wchar_t[]>(kIniPathCapacity);
  // A path that fills the whole buffer was cut: the result is then
  // kIniPathCapacity, not the path's length.
  const DWORD length = GetModuleFileNameW(nullptr, path.get(), kIniPathCapacity);
  if (length == 0 || length >= static_cast<DWORD>(kIniPathCapacity)) {
    return false;
  }
  // Fails when the new extension would not fit.
  if (!PathRenameExtensionW(path.get(), L".ini")) {
    return false;
  }
  gIniPath = std::move(path);
  return true;
}

const wchar_t* iniPath() { return gIniPath.get(); }

bool createBackgroundBrush() {
  deleteBackgroundBrush();
  gBackgroundBrush = CreateSolidBrush(kBackgroundColour);
  return gBackgroundBrush != nullptr;
}

HBRUSH backgroundBrush() { return gBackgroundBrush; }

void deleteBackgroundBrush() {
  if (gBackgroundBrush != nullptr) {
    DeleteObject(gBackgroundBrush);
    gBackgroundBrush = nullptr;
  }
}

void releaseProcessValues() {
  deleteBackgroundBrush();
  gIniPath.reset();
  gStrings.release();
  gInstance = nullptr;
}

}  // namespace murvane
