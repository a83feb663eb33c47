#include "cli/text_output.h"

#include "smf/name_text.h"

#include <cstdio>

namespace murvane {

std::string toUtf8(std::wstring_view text) { return utf8OfWide(text); }

// Malformed bytes become U+FFFD, one for each.
std::wstring fromUtf8(std::string_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    bool whole = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (int k = 1; whole && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      whole = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    if (!whole) {
      out.push_back(L'\uFFFD');
      ++i;
      continue;
    }
    i += static_cast<std::size_t>(length);
    appendWide(out, static_cast<char32_t>(c));
  }
  return out;
}

std::string keyText(KeyCode code, KeyNameFormatter& formatter) {
  const wchar_t* name = formatter.formatKeyName(code);
  if (name == nullptr) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", virtualKeyOf(code));
    return text;
  }
  if (*name == L' ') ++name;
  return toUtf8(name);
}

}  // namespace murvane
