#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace murvane::test {

// A fresh folder under the temporary folder, named after the prefix and this
// process; removes what the test put there when it goes. Paths may be longer
// than MAX_PATH: they are handed to the system in their long form.
class ScratchFolder {
 public:
  explicit ScratchFolder(const wchar_t* prefix) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // Wine hands out the same process ids again after every start of its
    // server, so the id alone may name a folder an earlier run left behind.
    const std::wstring base = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = base + L"-" + std::to_wstring(GetTickCount64() % 1000000 + static_cast<ULONGLONG>(attempt));
      if (makeFolder(path_)) break;
    }
  }
  ~ScratchFolder() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      const std::wstring longForm = L"\\\\?\\" + it->path;
      if (it->folder) {
        RemoveDirectoryW(longForm.c_str());
      } else {
        DeleteFileW(longForm.c_str());
      }
    }
    // What the programs under test left there.
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }

  bool makeFolder(const std::wstring& path) {
    const std::wstring longForm = L"\\\\?\\" + path;
    if (!CreateDirectoryW(longForm.c_str(), nullptr)) return false;
    created_.push_back({path, true});
    return true;
  }

  bool copyFile(const std::wstring& from, const std::wstring& to) {
    const std::wstring longForm = L"\\\\?\\" + to;
    if (!CopyFileW(from.c_str(), longForm.c_str(), FALSE)) return false;
    created_.push_back({to, false});
    return true;
  }

  std::filesystem::path write(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path file = std::filesystem::path(path_) / name;
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    created_.push_back({file.wstring(), false});
    return file;
  }

 private:
  struct Entry {
    std::wstring path;
    bool folder;
  };
  std::wstring path_;
  std::vector<Entry> created_;
};

}  // namespace murvane::test
