#include "smf/smf_file_image.h"

namespace murvane {

LoadResult checkFileSize(std::uint64_t size, std::uint32_t minimumSize) {
  if (size > 0xFFFFFFFFu) return LoadResult::kTooLarge;
  if (size < minimumSize) return LoadResult::kIllegal;
  return LoadResult::kOk;
}

LoadResult readFileImage(FileReader& reader, const std::filesystem::path& path, std::vector<std::uint8_t>& image) {
  image.clear();
  if (!reader.open(path)) return LoadResult::kOpenFailed;
  std::uint64_t size = 0;
  if (!reader.size(size)) {
    reader.close();
    return LoadResult::kOpenFailed;
  }
  const LoadResult sizeResult = checkFileSize(size, kSmfHeaderSize);
  if (sizeResult != LoadResult::kOk) {
    reader.close();
    return sizeResult;
  }
  const auto bytes = static_cast<std::uint32_t>(size);
  image.resize(bytes);
  std::uint32_t delivered = 0;
  const bool ok = reader.read(image.data(), bytes, delivered);
  reader.close();
  if (!ok || delivered != bytes) {
    image.clear();
    return LoadResult::kReadFailed;
  }
  return LoadResult::kOk;
}

}  // namespace murvane
