#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "playback/song_files.h"

namespace murvane::test {

// A file system in memory: files with their bytes; a folder is the parent
// of a file. Replacements are kept as files.
class MemorySongFiles final : public SongFiles {
 public:
  std::map<std::filesystem::path, std::string> files;

  void add(const std::filesystem::path& path, std::string bytes = {}) { files[path] = std::move(bytes); }

  Kind kindOf(const std::filesystem::path& path) override {
    if (files.count(path) != 0) return Kind::kFile;
    for (const auto& entry : files) {
      if (entry.first.parent_path() == path) return Kind::kFolder;
    }
    return Kind::kMissing;
  }

  // Backwards, so that a test sees the queue sort them.
  std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) override {
    std::vector<std::filesystem::path> names;
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
    files[path] = std::string(bytes);
    return true;
  }
};

}  // namespace murvane::test
