#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace murvane {

// The file system as far as the queue needs it: what a dropped path is, a
// folder's files, a playlist's bytes, and a file replaced whole.
class SongFiles {
 public:
  enum class Kind : std::uint8_t { kMissing, kFile, kFolder };

  virtual ~SongFiles() = default;
  virtual Kind kindOf(const std::filesystem::path& path) = 0;
  // The names (without the folder) of the files directly in `folder`, in
  // any order; not its subfolders. Empty when it cannot be listed.
  virtual std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) = 0;
  // The whole file, at most `limit` bytes; false when it cannot be read or
  // is larger.
  virtual bool readAll(const std::filesystem::path& path, std::size_t limit, std::string& bytes) = 0;
  // Writes `bytes` to a new file beside `path`, then puts that in the place
  // of `path`: at any moment `path` is the old file or the new one, whole.
  // False, with `path` as it was, when either step fails.
  virtual bool replace(const std::filesystem::path& path, std::string_view bytes) = 0;
};

// The build's platform's (std::filesystem natively, Win32 on Windows).
std::unique_ptr<SongFiles> makePlatformSongFiles();

}  // namespace murvane
