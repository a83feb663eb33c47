#include <windows.h>

#include <string>

#include "smf/smf_file_image.h"
#include "smf/smf_long_path.h"

namespace murvane {

namespace {

// Without the extended form a path of MAX_PATH characters or more does not
// open, whether it was dropped or given on the command line. The platform
// makes the path full first (relative parts, "." and "..", slashes), which
// the extended form would otherwise pass on as they stand.
std::wstring openablePath(const std::wstring& given) {
  const DWORD size = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  if (size == 0) return given;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(given.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return given;
  full.resize(length);
  return extendedLengthPath(full);
}

class Win32FileReader final : public FileReader {
 public:
  ~Win32FileReader() override { close(); }

  bool open(const std::filesystem::path& path) override {
    close();
    file_ = ::CreateFileW(openablePath(path.native()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
  }

  bool size(std::uint64_t& bytes) override {
    LARGE_INTEGER size{};
    if (file_ == INVALID_HANDLE_VALUE || !::GetFileSizeEx(file_, &size) || size.QuadPart < 0) return false;
    bytes = static_cast<std::uint64_t>(size.QuadPart);
    return true;
  }

  bool read(std::uint8_t* buffer, std::uint32_t bytes, std::uint32_t& delivered) override {
    DWORD got = 0;
    const BOOL ok = ::ReadFile(file_, buffer, bytes, &got, nullptr);
    delivered = got;
    return ok != FALSE;
  }

  void close() override {
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<FileReader> makePlatformFileReader() { return std::make_unique<Win32FileReader>(); }

}  // namespace murvane
