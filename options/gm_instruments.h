#pragma once

#include <string_view>

namespace murvane {

// Channel 10 plays the General MIDI drum kit, whatever its program says.
inline constexpr std::string_view kDrumKitName = "Drum Kit";

// The General MIDI name of a program (0-127); empty for anything else.
std::string_view instrumentName(int program);

// What a General MIDI family usually plays in a song: the tune (reeds,
// pipes, synth leads, solo strings, voices, trumpets), what goes under it
// (basses, pads, string ensembles, percussion and effects), or either
// (pianos, organs, guitars, and a channel without a program change).
enum class InstrumentRole : unsigned char { kEither, kLead, kBelow };

InstrumentRole instrumentRole(int program);

}  // namespace murvane
