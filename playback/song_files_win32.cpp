#include <windows.h>

#include <string>

#include "playback/song_files.h"
#include "smf/smf_long_path.h"

namespace murvane {
namespace {

namespace fs = std::filesystem;

// As the file reader opens a song: full, and in the form that takes any
// length, so that a queue of paths beyond MAX_PATH works throughout.
std::wstring longPath(const fs::path& given) {
  const std::wstring& text = given.native();
  const DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (size == 0) return text;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(text.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return text;
  full.resize(length);
  return extendedLengthPath(full);
}

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

class Win32SongFiles final : public SongFiles {
 public:
  Kind kindOf(const fs::path& path) override {
    const DWORD attributes = GetFileAttributesW(longPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Kind::kMissing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::kFolder : Kind::kFile;
  }

  std::vector<fs::path> filesIn(const fs::path& folder) override {
    std::vector<fs::path> names;
    std::wstring pattern = longPath(folder);
    if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found) != FALSE);
    FindClose(search);
    return names;
  }

  bool readAll(const fs::path& path, std::size_t limit, std::string& bytes) override {
    const Handle file(CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > limit) {
      return false;
    }
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    return bytes.empty() ||
           (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) != FALSE &&
            got == bytes.size());
  }

  bool replace(const fs::path& path, std::string_view bytes) override {
    const std::wstring target = longPath(path);
    const std::wstring fresh = target + L".new";
    bool whole = false;
    {
      const Handle file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
      if (!file.valid()) return false;
      DWORD written = 0;
      whole = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
              written == bytes.size() && FlushFileBuffers(file.get()) != FALSE;
    }
    if (!whole) {
      DeleteFileW(fresh.c_str());
      return false;
    }
    // In one step: the old file stays whole until the new one takes its place.
    if (MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE) {
      return true;
    }
    DeleteFileW(fresh.c_str());
    return false;
  }
};

}  // namespace

std::unique_ptr<SongFiles> makePlatformSongFiles() { return std::make_unique<Win32SongFiles>(); }

}  // namespace murvane
