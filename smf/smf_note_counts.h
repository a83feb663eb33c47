#pragma once

#include "options/track_suggestion.h"
#include "smf/smf_file.h"

namespace murvane {

// The note-ons (with a velocity above 0) of every channel of a loaded file,
// by note. Reads the file to its end from its beginning: it must be rewound
// again before it is played. A file that is not loaded has none.
NoteCounts countNoteOns(SmfFile& file);

}  // namespace murvane
