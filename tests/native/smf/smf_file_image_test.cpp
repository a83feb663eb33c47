#include "smf/smf_file_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "smf/smf_file.h"
#include "smf/smf_load_file.h"
#include "tests/support/smf_bytes.h"
#include "tests/support/temp_folder.h"

namespace murvane {
namespace {

using test::Bytes;

// Plays back what a platform might do, and records what was asked of it.
class FakeFileReader final : public FileReader {
 public:
  bool opens = true;
  bool sizes = true;
  bool reads = true;
  Bytes content;
  std::uint64_t reportedSize = 0;  // 0: content.size()
  std::uint32_t deliverAtMost = 0xFFFFFFFF;

  int openCalls = 0;
  int readCalls = 0;
  int closeCalls = 0;

  bool open(const std::filesystem::path&) override {
    ++openCalls;
    return opens;
  }
  bool size(std::uint64_t& bytes) override {
    bytes = reportedSize != 0 ? reportedSize : content.size();
    return sizes;
  }
  bool read(std::uint8_t* buffer, std::uint32_t bytes, std::uint32_t& delivered) override {
    ++readCalls;
    delivered = std::min({bytes, deliverAtMost, static_cast<std::uint32_t>(content.size())});
    std::memcpy(buffer, content.data(), delivered);
    return reads;
  }
  void close() override { ++closeCalls; }
};

const Bytes kSong = test::smf(0, 96, {{0x00, 0x90, 0x3C, 0x40, 0x60, 0x80, 0x3C, 0x40}});

TEST(FileSize, LimitsAreFourGiBLessOneAndTheMinimum) {
  EXPECT_EQ(checkFileSize(0xFFFFFFFFull, 14), LoadResult::kOk);
  EXPECT_EQ(checkFileSize(0x100000000ull, 14), LoadResult::kTooLarge);
  EXPECT_EQ(checkFileSize(~0ull, 14), LoadResult::kTooLarge);
  EXPECT_EQ(checkFileSize(14, 14), LoadResult::kOk);
  EXPECT_EQ(checkFileSize(13, 14), LoadResult::kIllegal);
  EXPECT_EQ(checkFileSize(0, 14), LoadResult::kIllegal);
}

TEST(FileImage, ReadsTheWholeFileInOneRequest) {
  FakeFileReader reader;
  reader.content = kSong;
  SmfFile file;
  EXPECT_EQ(loadFile(file, reader, "song.mid"), LoadResult::kOk);
  EXPECT_EQ(reader.readCalls, 1);
  EXPECT_EQ(reader.closeCalls, 1);
  EXPECT_EQ(Bytes(file.imageData(), file.imageData() + file.imageSize()), kSong);
}

struct ReaderFault {
  const char* name;
  void (*arrange)(FakeFileReader&);
  LoadResult expected;
  int reads;
};

class FileImageFaultTest : public testing::TestWithParam<ReaderFault> {};

TEST_P(FileImageFaultTest, GivesTheResultAndClosesTheFile) {
  FakeFileReader reader;
  reader.content = kSong;
  GetParam().arrange(reader);
  SmfFile file;
  ASSERT_EQ(file.load(kSong), LoadResult::kOk);
  EXPECT_EQ(loadFile(file, reader, "song.mid"), GetParam().expected);
  EXPECT_FALSE(file.loaded());
  EXPECT_EQ(reader.readCalls, GetParam().reads);
  EXPECT_EQ(reader.closeCalls, reader.opens ? 1 : 0);
}

std::string nameOfCase(const testing::TestParamInfo<ReaderFault>& given) { return given.param.name; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Faults, FileImageFaultTest, testing::Values(
    ReaderFault{"CannotOpen", [](FakeFileReader& r) { r.opens = false; }, LoadResult::kOpenFailed, 0},
    ReaderFault{"CannotQuerySize", [](FakeFileReader& r) { r.sizes = false; }, LoadResult::kOpenFailed, 0},
    ReaderFault{"OverFourGiB", [](FakeFileReader& r) { r.reportedSize = 0x100000000ull; }, LoadResult::kTooLarge, 0},
    ReaderFault{"ThirteenBytes", [](FakeFileReader& r) { r.content.resize(13); }, LoadResult::kIllegal, 0},
    ReaderFault{"ReadFails", [](FakeFileReader& r) { r.reads = false; }, LoadResult::kReadFailed, 1},
    ReaderFault{"FewerBytesDelivered", [](FakeFileReader& r) { r.deliverAtMost = 10; }, LoadResult::kReadFailed, 1},
    ReaderFault{"FileShrankAfterSizing", [](FakeFileReader& r) { r.reportedSize = r.content.size() + 1; }, LoadResult::kReadFailed, 1},
    ReaderFault{"BytesAreIllegal", [](FakeFileReader& r) { r.content[0] = 'X'; }, LoadResult::kIllegal, 1}),
    nameOfCase);
// clang-format on

// The platform reader against real files in a scratch folder.
class PlatformFileTest : public testing::Test {
 protected:
  std::filesystem::path write(const char* name, const Bytes& bytes) { return folder_.write(name, bytes); }

  test::TempFolder folder_;
  std::unique_ptr<FileReader> reader_ = makePlatformFileReader();
};

TEST_F(PlatformFileTest, LoadsAFile) {
  SmfFile file;
  EXPECT_EQ(loadFile(file, *reader_, write("song.mid", kSong)), LoadResult::kOk);
  EXPECT_EQ(file.eventCount(), 2u);
}

TEST_F(PlatformFileTest, MissingFileFailsToOpen) {
  SmfFile file;
  EXPECT_EQ(loadFile(file, *reader_, folder_.file("missing.mid")), LoadResult::kOpenFailed);
}

TEST_F(PlatformFileTest, FolderFailsToOpen) {
  SmfFile file;
  EXPECT_EQ(loadFile(file, *reader_, folder_.path()), LoadResult::kOpenFailed);
}

TEST_F(PlatformFileTest, ShortFileIsIllegal) {
  SmfFile file;
  EXPECT_EQ(loadFile(file, *reader_, write("short.mid", Bytes(kSong.begin(), kSong.begin() + 13))), LoadResult::kIllegal);
}

// Counts reads, so that the test shows the big file is never read.
class CountingReader final : public FileReader {
 public:
  explicit CountingReader(FileReader& inner) : inner_(inner) {}
  bool open(const std::filesystem::path& path) override { return inner_.open(path); }
  bool size(std::uint64_t& bytes) override { return inner_.size(bytes); }
  bool read(std::uint8_t* buffer, std::uint32_t bytes, std::uint32_t& delivered) override {
    ++reads;
    return inner_.read(buffer, bytes, delivered);
  }
  void close() override { inner_.close(); }
  int reads = 0;

 private:
  FileReader& inner_;
};

TEST_F(PlatformFileTest, SparseFileOverFourGiBIsTooLargeAndNeverRead) {
  const std::filesystem::path path = write("huge.mid", kSong);
  std::error_code error;
  std::filesystem::resize_file(path, 0x100000000ull + 14, error);
  if (error) GTEST_SKIP() << "cannot make a sparse file here: " << error.message();
  CountingReader counting(*reader_);
  SmfFile file;
  EXPECT_EQ(loadFile(file, counting, path), LoadResult::kTooLarge);
  EXPECT_EQ(counting.reads, 0);
}

}  // namespace
}  // namespace murvane
