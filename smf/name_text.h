#pragma once

#include <string>
#include <string_view>

namespace murvane {

// A name as a file spells it (a track name) as text. Files say nothing of
// their encoding: the bytes are taken as UTF-8 when they are valid UTF-8,
// else as Shift_JIS (most Japanese files) when they are valid Shift_JIS,
// else as Windows-1252, which reads any byte. Both the tool and the windows
// read names this way, so they never disagree. Names of several tracks
// joined by " / " (as NoteCounts holds them) are read each on its own.
std::u32string nameText(std::string_view bytes);

// The same as UTF-8 and as the wide text of the platform (UTF-16 where
// wchar_t is 16 bits wide).
std::string nameTextUtf8(std::string_view bytes);
// One character as UTF-8 at the end of `out`.
void appendUtf8(std::string& out, char32_t c);
// One character at the end of `out`: a surrogate pair where wchar_t is 16 bits.
void appendWide(std::wstring& out, char32_t c);
std::wstring nameTextWide(std::string_view bytes);
// Wide text (UTF-16 where wchar_t is 16 bits wide) as UTF-8; a lone
// surrogate is written as it stands.
std::string utf8OfWide(std::wstring_view text);

}  // namespace murvane
