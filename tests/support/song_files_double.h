#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "playback/song_files.h"

namespace murvane::test {

// A file system in memory: files with their bytes; a folder is any path
// that a file lies under. Replacements are kept as files.
class MemorySongFiles final : public SongFiles {
 public:
  std::map<std::filesystem::path, std::string> files;
  bool writable = true;

  void add(const std::filesystem::path& path, std::string bytes = {}) { files[path] = std::move(bytes); }

  Kind kindOf(const std::filesystem::path& path) override {
    if (files.count(path) != 0) return Kind::kFile;
    for (const auto& [file, bytes] : files) {
      if (file.parent_path() == path || isUnder(file, path)) return Kind::kFolder;
    }
    return Kind::kMissing;
  }

  std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) override {
    std::vector<std::filesystem::path> names;
    // Backwards, so that a test sees the queue sort them.
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
      if (it->first.parent_path() == folder) names.push_back(it->first.filename());
    }
    return names;
  }

  bool readAll(const std::filesystem::path& path, std::size_t limit, std::string& bytes) override {
    const auto found = files.find(path);
    if (found == files.end() || found->second.size() > limit) return false;
    bytes = found->second;
    return true;
  }

  bool replace(const std::filesystem::path& path, std::string_view bytes) override {
    if (!writable) return false;
    files[path] = std::string(bytes);
    return true;
  }

 private:
  static bool isUnder(const std::filesystem::path& file, const std::filesystem::path& folder) {
    for (std::filesystem::path up = file.parent_path(); up != up.parent_path(); up = up.parent_path()) {
      if (up == folder) return true;
    }
    return false;
  }
};

}  // namespace murvane::test
