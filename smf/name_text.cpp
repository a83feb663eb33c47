#include "smf/name_text.h"

#include <array>
#include <cstdint>

#include "smf/shift_jis_table.h"

namespace murvane {
namespace {

constexpr char32_t kNoCharacter = 0xFFFD;

std::uint8_t byteAt(std::string_view bytes, std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); }

// Strict: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool decodeUtf8(std::string_view bytes, std::u32string& text) {
  text.clear();
  for (std::size_t i = 0; i < bytes.size();) {
    const std::uint8_t lead = byteAt(bytes, i);
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2, c = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3, c = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      length = 4, c = lead & 0x07u, least = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const std::uint8_t next = byteAt(bytes, i + k);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
    text.push_back(c);
    i += length;
  }
  return true;
}

// The row of the table for a lead byte, or -1 for a byte that leads nothing.
int shiftJisRow(std::uint8_t lead) {
  if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
  if (lead >= 0xE0 && lead <= 0xEF) return lead - 0xE0 + 31;
  if (lead >= 0xFA && lead <= 0xFC) return lead - 0xFA + 47;
  return -1;
}

bool decodeShiftJis(std::string_view bytes, std::u32string& text) {
  text.clear();
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t lead = byteAt(bytes, i);
    if (lead < 0x80) {
      text.push_back(lead);
      continue;
    }
    if (lead >= 0xA1 && lead <= 0xDF) {  // half-width katakana
      text.push_back(0xFF61 + (lead - 0xA1u));
      continue;
    }
    const int row = shiftJisRow(lead);
    if (row < 0 || i + 1 >= bytes.size()) return false;
    const std::uint8_t trail = byteAt(bytes, ++i);
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
    const std::size_t cell = trail - (trail > 0x7F ? 0x41u : 0x40u);
    const char32_t c = kShiftJisRows[row][cell];
    if (c == kNoCharacter) return false;
    text.push_back(c);
  }
  return true;
}

// Windows-1252: Latin-1 but for 0x80-0x9F; the five bytes it leaves unused
// stand for the control characters of their own value, as Windows reads them.
char32_t windows1252(std::uint8_t byte) {
  static constexpr std::array<char16_t, 32> kHigh = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80u] : byte;
}

std::u32string oneName(std::string_view bytes) {
  std::u32string text;
  if (decodeUtf8(bytes, text) || decodeShiftJis(bytes, text)) return text;
  text.clear();
  for (std::size_t i = 0; i < bytes.size(); ++i) text.push_back(windows1252(byteAt(bytes, i)));
  return text;
}

}  // namespace

// The separator is ASCII in all three encodings and never inside a
// character of either multi-byte one, so cutting there splits no character.
std::u32string nameText(std::string_view bytes) {
  constexpr std::string_view kSeparator = " / ";
  std::u32string text;
  for (;;) {
    const std::size_t cut = bytes.find(kSeparator);
    text += oneName(bytes.substr(0, cut));
    if (cut == std::string_view::npos) return text;
    text += U" / ";
    bytes.remove_prefix(cut + kSeparator.size());
  }
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string nameTextUtf8(std::string_view bytes) {
  std::string out;
  for (const char32_t c : nameText(bytes)) appendUtf8(out, c);
  return out;
}

void appendWide(std::wstring& out, char32_t c) {
  if (c >= 0x10000 && sizeof(wchar_t) == 2) {
    out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(c));
  }
}

std::wstring nameTextWide(std::string_view bytes) {
  std::wstring out;
  for (const char32_t c : nameText(bytes)) appendWide(out, c);
  return out;
}

std::string utf8OfWide(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<char32_t>(text[i]);
    // UTF-16 surrogate pairs, where wchar_t is 16 bits wide.
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      const auto low = static_cast<char32_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    appendUtf8(out, c);
  }
  return out;
}

}  // namespace murvane
