#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "playback/song_files.h"

namespace murvane {

// What the queue takes: Standard MIDI Files (".mid", ".midi") and playlists
// (".m3u", ".m3u8"), by their names' extensions, in any case.
bool isSongFileName(const std::filesystem::path& path);
bool isPlaylistName(const std::filesystem::path& path);

// A path as UTF-8, and back; on Windows through UTF-16, elsewhere the
// bytes as they stand.
std::string utf8Of(const std::filesystem::path& path);
std::filesystem::path pathOfUtf8(std::string_view text);

// The songs a playlist names, in its order: one path a line (CR LF or LF),
// blanks around it ignored, lines starting with '#' and empty ones skipped;
// a relative path counts from `folder`, the playlist's own. The text is
// UTF-8 with or without its byte order mark (on Windows a line that is not
// UTF-8 is read as a name in a file is: Shift_JIS, else Windows-1252).
std::vector<std::filesystem::path> playlistEntries(std::string_view bytes, const std::filesystem::path& folder);

// The queue as a UTF-8 playlist (.m3u8): a header comment, then one full
// path a line.
std::string playlistText(const std::vector<std::filesystem::path>& songs);

// The playlists read are at most this large, and nest at most this deep.
inline constexpr std::size_t kLargestPlaylist = 16u << 20;
inline constexpr int kDeepestPlaylist = 8;

// What a drop or a command line queues, in the order given: a folder is its
// song files, sorted by name (not its subfolders); a playlist its entries,
// each taken the same way; anything else itself, even a file that is not
// there (it shows as not found). When that is nothing at all (an empty
// folder or playlist), the items themselves, so that loading the first
// says what is wrong with it.
std::vector<std::filesystem::path> expandItems(SongFiles& files, const std::vector<std::filesystem::path>& items);

}  // namespace murvane
