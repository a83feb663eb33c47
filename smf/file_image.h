#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace murvane {

// The platform's file services, just enough to read one file in one piece.
// One file at a time: open, size, read, close.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // False when the file cannot be opened for reading.
  virtual bool open(const std::filesystem::path& path) = 0;
  // The open file's size in bytes; false when it cannot be queried.
  virtual bool size(std::uint64_t& bytes) = 0;
  // One read request for `bytes` bytes into `buffer`. False when the
  // platform reports failure; `delivered` is what it actually read.
  virtual bool read(std::uint8_t* buffer, std::uint32_t bytes, std::uint32_t& delivered) = 0;
  virtual void close() = 0;
};

// The reader of the build's platform (POSIX natively, Win32 on Windows).
std::unique_ptr<FileReader> makePlatformFileReader();

// The size rules of readFileImage: 2 above 4,294,967,295 bytes, 4 below
// `minimumSize`, else 0.
int checkFileSize(std::uint64_t size, std::uint32_t minimumSize);

// Reads the whole file at `path` into `image` with one read request.
// Returns 0 on success; 1 if it cannot be opened or sized; 2 if it is larger
// than 4,294,967,295 bytes; 3 if the read fails or delivers fewer bytes;
// 4 if it is smaller than `minimumSize` (then nothing is read). The file is
// closed on every path once opened. `image` is emptied first.
int readFileImage(FileReader& reader, const std::filesystem::path& path, std::uint32_t minimumSize,
                  std::vector<std::uint8_t>& image);

}  // namespace murvane
