// The Win32 file reader against real files: CreateFileW, GetFileSizeEx and
// one ReadFile, through the loader.

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "smf/smf_file.h"
#include "smf/smf_file_image.h"
#include "smf/smf_load_file.h"

namespace murvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Format 0, one track: a note on and its note off.
const Bytes kSong = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96,  //
                     'M', 'T', 'r', 'k', 0, 0, 0, 8,                     //
                     0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40};

class Win32FileReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / L"murvane-smf-win32";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::filesystem::path write(const wchar_t* name, const Bytes& bytes) {
    const std::filesystem::path path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path folder_;
  // Read and loaded as the program does.
  LoadResult load(const std::filesystem::path& path) { return loadFile(file_, *reader_, path); }

  std::unique_ptr<FileReader> reader_ = makePlatformFileReader();
  SmfFile file_;
};

TEST_F(Win32FileReaderTest, LoadsAFileWithAUnicodeName) {
  EXPECT_EQ(load(write(L"\u66f2 \u00e9t\u00e9.mid", kSong)), LoadResult::kOk);
  EXPECT_EQ(file_.eventCount(), 2u);
  EXPECT_EQ(file_.division(), 96);
}

TEST_F(Win32FileReaderTest, MissingFileOrFolderFailsToOpen) {
  EXPECT_EQ(load(folder_ / L"missing.mid"), LoadResult::kOpenFailed);
  EXPECT_EQ(load(folder_), LoadResult::kOpenFailed);
}

TEST_F(Win32FileReaderTest, IllegalBytesAndShortFilesAreIllegal) {
  Bytes wrongMagic = kSong;
  wrongMagic[3] = 'x';
  EXPECT_EQ(load(write(L"wrong.mid", wrongMagic)), LoadResult::kIllegal);
  EXPECT_EQ(load(write(L"short.mid", Bytes(kSong.begin(), kSong.begin() + 13))), LoadResult::kIllegal);
}

// The read shares reading only: a file another program holds open for
// writing with no sharing cannot be opened.
TEST_F(Win32FileReaderTest, FileLockedByAWriterFailsToOpen) {
  const std::filesystem::path path = write(L"locked.mid", kSong);
  HANDLE writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(load(path), LoadResult::kOpenFailed);
  ::CloseHandle(writer);
  EXPECT_EQ(load(path), LoadResult::kOk);
}

// Over 4 GiB as a sparse file: its end is set, nothing is written, and the
// loader must refuse it on its size alone.
TEST_F(Win32FileReaderTest, FileOverFourGiBIsTooLarge) {
  const std::filesystem::path path = write(L"huge.mid", kSong);
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD ignored = 0;
  ::DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER size{};
  size.QuadPart = 0x100000000LL + 14;
  const bool grown = ::SetFilePointerEx(handle, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle);
  ::CloseHandle(handle);
  if (!grown) GTEST_SKIP() << "this file system cannot hold a sparse file over 4 GiB";
  EXPECT_EQ(load(path), LoadResult::kTooLarge);
}

}  // namespace
}  // namespace murvane
