#include <cstdio>
#include <fstream>
#include <system_error>

#include "playback/song_files.h"

namespace murvane {
namespace {

namespace fs = std::filesystem;

class PosixSongFiles final : public SongFiles {
 public:
  Kind kindOf(const fs::path& path) override {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) return Kind::kMissing;
    if (fs::is_directory(status)) return Kind::kFolder;
    return fs::exists(status) ? Kind::kFile : Kind::kMissing;
  }

  std::vector<fs::path> filesIn(const fs::path& folder) override {
    std::vector<fs::path> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::error_code kindError;
      if (!it->is_directory(kindError)) names.push_back(it->path().filename());
    }
    return names;
  }

  bool readAll(const fs::path& path, std::size_t limit, std::string& bytes) override {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > limit) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    return static_cast<std::uintmax_t>(in.gcount()) == size;
  }

  bool replace(const fs::path& path, std::string_view bytes) override {
    fs::path fresh = path;
    fresh += ".new";
    {
      std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
      if (!out) return false;
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.flush();
      if (!out) {
        out.close();
        std::error_code ignored;
        fs::remove(fresh, ignored);
        return false;
      }
    }
    // rename() replaces the old file in one step.
    std::error_code error;
    fs::rename(fresh, path, error);
    if (!error) return true;
    fs::remove(fresh, error);
    return false;
  }
};

}  // namespace

std::unique_ptr<SongFiles> makePlatformSongFiles() { return std::make_unique<PosixSongFiles>(); }

}  // namespace murvane
