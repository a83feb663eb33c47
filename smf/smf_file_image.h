#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "smf/smf_load_result.h"

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

// A file shorter than the header of a Standard MIDI File cannot be one.
inline constexpr std::uint32_t kSmfHeaderSize = 14;

// The size rules of readFileImage: kTooLarge above 4,294,967,295 bytes,
// kIllegal below `minimumSize`, else kOk.
LoadResult checkFileSize(std::uint64_t size, std::uint32_t minimumSize);

// Reads the whole file at `path` into `image` with one read request, the
// step before the loader: kOpenFailed if it cannot be opened or sized;
// kTooLarge; kReadFailed if the read fails or delivers fewer bytes; kIllegal
// if it is shorter than kSmfHeaderSize (then nothing is read). The file is
// closed on every path once opened. `image` is emptied first.
LoadResult readFileImage(FileReader& reader, const std::filesystem::path& path, std::vector<std::uint8_t>& image);

}  // namespace murvane
