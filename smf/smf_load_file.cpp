#include "smf/smf_load_file.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace murvane {

LoadResult loadFile(SmfFile& file, FileReader& reader, const std::filesystem::path& path) {
  std::vector<std::uint8_t> image;
  const LoadResult read = readFileImage(reader, path, image);
  // After a failed read the image is empty: loading it discards the old file.
  const LoadResult loaded = file.load(std::move(image));
  return read != LoadResult::kOk ? read : loaded;
}

}  // namespace murvane
