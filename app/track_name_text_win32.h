#pragma once

#include <string>
#include <string_view>

namespace murvane {

// A track name as the file spells it, as text. Files say nothing of their
// encoding: UTF-8 when the bytes are, else Shift_JIS (most Japanese files),
// else Windows-1252.
std::wstring trackNameText(std::string_view bytes);

}  // namespace murvane
