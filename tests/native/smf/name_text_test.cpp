#include <gtest/gtest.h>

#include <string>

#include "smf/name_text.h"
#include "smf/shift_jis_table.h"

namespace murvane {
namespace {

// A row one character short would shift every character after the gap and
// read beyond the row's end; the table is made by a script, so check it.
TEST(ShiftJisTable, EveryRowHasOneCharacterForEveryTrailByte) {
  for (std::size_t lead = 0; lead < kShiftJisLeadCount; ++lead) {
    EXPECT_EQ(std::u16string(kShiftJisRows[lead]).size(), kShiftJisTrailCount) << lead;
  }
  // The last pair of each block of lead bytes: 0x9FFC, 0xEAA4 (the end of
  // JIS X 0208), 0xFC4B (the end of the IBM rows).
  EXPECT_EQ(nameText("\x9F\xFC\xEA\xA4\xFC\x4B"), U"\u6ECC\u7199\u9ED1");
}

}  // namespace
}  // namespace murvane
