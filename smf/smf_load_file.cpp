#include "smf/smf_load_file.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace murvane {

namespace {

template <class Load>
LoadResult readThenLoad(FileReader& reader, const std::filesystem::path& path, Load load) {
  std::vector<std::uint8_t> image;
  const LoadResult read = readFileImage(reader, path, image);
  // After a failed read the image is empty: loading it discards the old file.
  const LoadResult loaded = load(std::move(image));
  return read != LoadResult::kOk ? read : loaded;
}

}  // namespace

LoadResult loadFile(SmfFile& file, FileReader& reader, const std::filesystem::path& path) {
  return readThenLoad(reader, path, [&file](std::vector<std::uint8_t> image) { return file.load(std::move(image)); });
}

LoadResult loadFile(Player& player, FileReader& reader, const std::filesystem::path& path) {
  return readThenLoad(reader, path,
                      [&player](std::vector<std::uint8_t> image) { return player.loadFile(std::move(image)); });
}

}  // namespace murvane
