#pragma once

#include "keyplan/note_counts.h"
#include "smf/smf_file.h"

namespace murvane {

// The note-ons (with a velocity above 0) of every channel of a loaded file,
// by note, and what each channel is: its first program change, the names of
// the tracks that play on it (none in a format 0 file, whose one name is the
// song's), and how its notes lie against the other channels' (ChannelInfo).
// Reads the file to its end from its beginning: it must be rewound again
// before it is played. A file that is not loaded has none.
NoteCounts countNoteOns(SmfFile& file);

}  // namespace murvane
