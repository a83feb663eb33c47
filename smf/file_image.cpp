#include "smf/file_image.h"

#include "smf/smf_file.h"

namespace murvane {

int checkFileSize(std::uint64_t size, std::uint32_t minimumSize) {
  if (size > 0xFFFFFFFFu) return kLoadTooLarge;
  if (size < minimumSize) return kLoadIllegal;
  return kLoadOk;
}

int readFileImage(FileReader& reader, const std::filesystem::path& path, std::uint32_t minimumSize,
                  std::vector<std::uint8_t>& image) {
  image.clear();
  if (!reader.open(path)) return kLoadOpenFailed;
  std::uint64_t size = 0;
  if (!reader.size(size)) {
    reader.close();
    return kLoadOpenFailed;
  }
  const int sizeResult = checkFileSize(size, minimumSize);
  if (sizeResult != kLoadOk) {
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
    return kLoadReadFailed;
  }
  return kLoadOk;
}

}  // namespace murvane
