#pragma once

#include <cstddef>

namespace murvane {

// The two-byte characters of Shift_JIS as Windows reads it (code page 932),
// made by scripts/make-shift-jis-table.py. One row of kShiftJisTrailCount
// characters per lead byte 0x81-0x9F, 0xE0-0xEF, 0xFA-0xFC in that order,
// trail bytes 0x40-0x7E and 0x80-0xFC; U+FFFD where a pair means nothing.
inline constexpr std::size_t kShiftJisLeadCount = 50;
inline constexpr std::size_t kShiftJisTrailCount = 188;
extern const char16_t* const kShiftJisRows[kShiftJisLeadCount];

}  // namespace murvane
