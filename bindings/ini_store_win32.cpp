#include "bindings/ini_store_win32.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

namespace murvane {

namespace {

class Win32IniStore final : public IniStore {
 public:
  explicit Win32IniStore(std::wstring path) : path_(std::move(path)) {}

  bool exists() override { return PathFileExistsW(path_.c_str()) != FALSE; }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    return readCut(section, key, kIniValueMaxLength);
  }

  std::wstring readText(std::wstring_view section, std::wstring_view key) override {
    return readCut(section, key, kIniTextMaxLength);
  }

  // The names come back one after another, each with its terminator, the
  // list ending with an empty one; a list that does not fit is cut, so the
  // buffer grows until it does.
  std::vector<std::wstring> sectionNames() override {
    for (DWORD size = 4096; size <= 1u << 20; size *= 4) {
      std::wstring buffer(size, L'\0');
      const DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), size, path_.c_str());
      if (length + 2 >= size) continue;
      std::vector<std::wstring> names;
      for (const wchar_t* name = buffer.c_str(); *name != L'\0'; name += wcslen(name) + 1) names.emplace_back(name);
      return names;
    }
    return {};
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    const std::wstring valueText(value);
    return WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), valueText.c_str(), path_.c_str()) != FALSE;
  }

  // A null value deletes only the first line of the key, and the next read
  // finds the one after it: delete until none is left. The count is bounded
  // so that a line the platform keeps finding but never deletes is reported
  // as a failure instead of holding the program.
  bool remove(std::wstring_view section, std::wstring_view key) override {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    for (int deleted = 0; deleted < kMostLinesOfOneKey; ++deleted) {
      if (!holds(sectionText, keyText)) return true;
      if (WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), nullptr, path_.c_str()) == FALSE) {
        return false;
      }
    }
    return !holds(sectionText, keyText);
  }

 private:
  static constexpr int kMostLinesOfOneKey = 64;

  std::wstring readCut(std::wstring_view section, std::wstring_view key, std::size_t longest) const {
    std::wstring buffer(longest + 1, L'\0');
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    const DWORD length = GetPrivateProfileStringW(sectionText.c_str(), keyText.c_str(), L"", buffer.data(),
                                                  static_cast<DWORD>(longest + 1), path_.c_str());
    buffer.resize(length <= longest ? length : longest);
    return buffer;
  }

  // Whether a read finds the key, even with an empty value. No value can be
  // a line break, so the default given for a missing key tells it apart.
  bool holds(const std::wstring& section, const std::wstring& key) const {
    wchar_t buffer[2] = {};
    GetPrivateProfileStringW(section.c_str(), key.c_str(), L"\n", buffer, 2, path_.c_str());
    return buffer[0] != L'\n';
  }

  std::wstring path_;
};

}  // namespace

std::unique_ptr<IniStore> makeWin32IniStore(std::wstring path) {
  return std::make_unique<Win32IniStore>(std::move(path));
}

}  // namespace murvane
