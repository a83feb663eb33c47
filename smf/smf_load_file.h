#pragma once

#include <filesystem>

#include "smf/smf_file.h"
#include "smf/smf_file_image.h"
#include "smf/smf_load_result.h"

namespace murvane {

// The one step between a path and the loader: the file is read whole through
// `reader` (readFileImage), then its bytes are handed over. A file that cannot
// be read still counts as a load, so whatever was loaded before is discarded
//; the read's result is returned then.
LoadResult loadFile(SmfFile& file, FileReader& reader, const std::filesystem::path& path);

}  // namespace murvane
