#include "playback/playlist.h"

#include <algorithm>
#include <type_traits>

#include "smf/name_text.h"

namespace murvane {
namespace {

namespace fs = std::filesystem;

// The extension in lowercase ASCII, with its dot.
std::string lowerExtension(const fs::path& path) {
  std::string extension;
  const fs::path given = path.extension();
  for (const auto c : given.native()) {
    if (static_cast<std::make_unsigned_t<std::remove_const_t<decltype(c)>>>(c) > 0x7F) return {};
    extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return extension;
}

// By name as a user reads a folder: letters in either case alike, ties by
// the exact name, so that the order never depends on the listing's.
bool nameBefore(const fs::path& a, const fs::path& b) {
  const auto& x = a.native();
  const auto& y = b.native();
  const auto fold = [](auto c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
  const bool less = std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                                 [&](auto p, auto q) { return fold(p) < fold(q); });
  if (less) return true;
  const bool more = std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end(),
                                                 [&](auto p, auto q) { return fold(p) < fold(q); });
  return !more && x < y;
}

// A path's text as UTF-8 and back, for the platform's kind of path text.
[[maybe_unused]] std::string utf8OfNative(const std::string& native) { return native; }
[[maybe_unused]] std::string utf8OfNative(const std::wstring& native) { return utf8OfWide(native); }
[[maybe_unused]] fs::path nativeOfUtf8(std::string_view text, const std::string*) { return fs::path(std::string(text)); }
[[maybe_unused]] fs::path nativeOfUtf8(std::string_view text, const std::wstring*) {
  return fs::path(nameTextWide(text));
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
  return line;
}

void expandInto(SongFiles& files, const fs::path& item, int depth, std::vector<fs::path>& songs) {
  switch (files.kindOf(item)) {
    case SongFiles::Kind::kFolder: {
      std::vector<fs::path> names = files.filesIn(item);
      names.erase(std::remove_if(names.begin(), names.end(), [](const fs::path& name) { return !isSongFileName(name); }),
                  names.end());
      std::sort(names.begin(), names.end(), nameBefore);
      for (const fs::path& name : names) songs.push_back(item / name);
      return;
    }
    case SongFiles::Kind::kFile: {
      if (!isPlaylistName(item)) break;
      // A playlist that names itself, or one another, stops somewhere.
      if (depth >= kDeepestPlaylist) return;
      std::string bytes;
      if (!files.readAll(item, kLargestPlaylist, bytes)) break;  // queued, to show why
      for (const fs::path& entry : playlistEntries(bytes, item.parent_path())) {
        // A song's name needs no look at the disk: a long list goes quickly.
        if (!isSongFileName(entry) && (isPlaylistName(entry) || files.kindOf(entry) == SongFiles::Kind::kFolder)) {
          expandInto(files, entry, depth + 1, songs);
        } else {
          songs.push_back(entry);  // without asking again whether it is there: the load will tell
        }
      }
      return;
    }
    case SongFiles::Kind::kMissing:
      break;
  }
  songs.push_back(item);
}

}  // namespace

bool isSongFileName(const fs::path& path) {
  const std::string extension = lowerExtension(path);
  return extension == ".mid" || extension == ".midi";
}

bool isPlaylistName(const fs::path& path) {
  const std::string extension = lowerExtension(path);
  return extension == ".m3u" || extension == ".m3u8";
}

std::string utf8Of(const fs::path& path) { return utf8OfNative(path.native()); }

fs::path pathOfUtf8(std::string_view text) {
  return nativeOfUtf8(text, static_cast<const fs::path::string_type*>(nullptr));
}

std::vector<fs::path> playlistEntries(std::string_view bytes, const fs::path& folder) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) bytes.remove_prefix(kByteOrderMark.size());
  std::vector<fs::path> entries;
  while (!bytes.empty()) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    const std::string_view line = trimmed(bytes.substr(0, end));
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    if (line.empty() || line.front() == '#') continue;
    // Read as UTF-8 when it is, else as a name in a file is read.
    const fs::path entry = pathOfUtf8(line);
    entries.push_back(entry.is_absolute() ? entry : folder / entry);
  }
  return entries;
}

std::string playlistText(const std::vector<fs::path>& songs) {
  std::string text = "#EXTM3U\r\n";
  for (const fs::path& song : songs) {
    text += utf8Of(song);
    text += "\r\n";
  }
  return text;
}

std::vector<fs::path> expandItems(SongFiles& files, const std::vector<fs::path>& items) {
  std::vector<fs::path> songs;
  for (const fs::path& item : items) expandInto(files, item, 0, songs);
  return songs.empty() ? items : songs;
}

}  // namespace murvane
