#include "app/track_name_text_win32.h"

#include <windows.h>

namespace murvane {
namespace {

constexpr UINT kShiftJis = 932;
constexpr UINT kWestern = 1252;

bool decode(UINT codePage, DWORD flags, std::string_view bytes, std::wstring& text) {
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  text.assign(static_cast<std::size_t>(length), L'\0');
  return MultiByteToWideChar(codePage, flags, bytes.data(), size, text.data(), length) == length;
}

}  // namespace

std::wstring trackNameText(std::string_view bytes) {
  std::wstring text;
  if (bytes.empty()) return text;
  if (decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, text)) return text;
  if (decode(kShiftJis, MB_ERR_INVALID_CHARS, bytes, text)) return text;
  if (decode(kWestern, 0, bytes, text)) return text;
  return std::wstring(bytes.begin(), bytes.end());
}

}  // namespace murvane
