#include "bindings/ini_store_win32.h"

#include <windows.h>
#include <shlwapi.h>

namespace murvane {

namespace {

class Win32IniStore final : public IniStore {
 public:
  explicit Win32IniStore(std::wstring path) : path_(std::move(path)) {}

  bool exists() override { return PathFileExistsW(path_.c_str()) != FALSE; }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    wchar_t buffer[kIniValueMaxLength + 1] = {};
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    const DWORD length = GetPrivateProfileStringW(sectionText.c_str(), keyText.c_str(), L"", buffer,
                                                  static_cast<DWORD>(kIniValueMaxLength + 1), path_.c_str());
    return std::wstring(buffer, length <= kIniValueMaxLength ? length : kIniValueMaxLength);
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    const std::wstring valueText(value);
    return WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), valueText.c_str(), path_.c_str()) != FALSE;
  }

  // A null value deletes the key.
  bool remove(std::wstring_view section, std::wstring_view key) override {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    return WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), nullptr, path_.c_str()) != FALSE;
  }

 private:
  std::wstring path_;
};

}  // namespace

std::unique_ptr<IniStore> makeWin32IniStore(std::wstring path) {
  return std::make_unique<Win32IniStore>(std::move(path));
}

}  // namespace murvane
