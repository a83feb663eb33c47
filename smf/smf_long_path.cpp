#include "smf/smf_long_path.h"

#include <algorithm>

namespace murvane {
namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Every part between separators is a name: not empty, not "." or "..".
bool partsAreNames(std::wstring_view rest) {
  std::size_t begin = 0;
  while (begin <= rest.size()) {
    std::size_t end = begin;
    while (end < rest.size() && !isSeparator(rest[end])) ++end;
    const std::wstring_view part = rest.substr(begin, end - begin);
    // A trailing separator (a folder's path) leaves one empty part at the end.
    if (part.empty() && end < rest.size()) return false;
    if (part == L"." || part == L"..") return false;
    begin = end + 1;
  }
  return true;
}

std::wstring withBackslashes(std::wstring_view path) {
  std::wstring result(path);
  std::replace(result.begin(), result.end(), L'/', L'\\');
  return result;
}

}  // namespace

std::wstring extendedLengthPath(std::wstring_view fullPath) {
  const std::wstring unchanged(fullPath);
  if (fullPath.size() >= 3 && isDriveLetter(fullPath[0]) && fullPath[1] == L':' && isSeparator(fullPath[2])) {
    if (!partsAreNames(fullPath.substr(3))) return unchanged;
    return L"\\\\?\\" + withBackslashes(fullPath);
  }
  if (fullPath.size() >= 3 && isSeparator(fullPath[0]) && isSeparator(fullPath[1])) {
    const std::wstring_view rest = fullPath.substr(2);
    // "\\?\..." and "\\.\..." are device paths already.
    if ((rest[0] == L'?' || rest[0] == L'.') && (rest.size() == 1 || isSeparator(rest[1]))) return unchanged;
    if (isSeparator(rest[0]) || !partsAreNames(rest)) return unchanged;
    return L"\\\\?\\UNC\\" + withBackslashes(rest);
  }
  return unchanged;
}

}  // namespace murvane
