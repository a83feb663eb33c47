#include "playback/playlist.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/song_files_double.h"
#include "tests/support/temp_folder.h"

namespace murvane {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<fs::path>;

TEST(PlaylistTest, EntriesAreLinesButCommentsWithRelativePathsFromThePlaylistsFolder) {
  const std::string text =
      "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:123,Title\r\nsongs/a.mid\r\n\r\n  /abs/b.mid \r\n\xE6\x9B\xB2.mid\n"
      "../up.MIDI";
  EXPECT_EQ(playlistEntries(text, "/lists"),
            (Paths{"/lists/songs/a.mid", "/abs/b.mid", "/lists/" + std::string("\xE6\x9B\xB2.mid"), "/lists/../up.MIDI"}));
  EXPECT_TRUE(playlistEntries("# only a comment\n\n", "/lists").empty());
  const Paths queue = {"/a/x.mid", "/b/\xE6\x9B\xB2 y.mid"};
  EXPECT_EQ(playlistEntries(playlistText(queue), "/elsewhere"), queue);
}

struct ExpandCase {
  const char* name;
  Paths items;
  Paths queued;
};

TEST(PlaylistTest, DroppedItemsAreQueuedInOrderFoldersSortedByNamePlaylistsByTheirLines) {
  test::MemorySongFiles files;
  for (const char* song : {"/f/b.mid", "/f/A.MID", "/f/c.midi", "/f/notes.txt", "/f/sub/deep.mid", "/g/z.mid"}) {
    files.add(song);
  }
  files.add("/f/list.m3u8", "#EXTM3U\nb.mid\nsub\n/g/z.mid\nmissing.mid\nself.m3u\n");
  files.add("/f/self.m3u", "self.m3u\n");
  files.add("/f/empty.m3u", "# nothing\n");
  const ExpandCase cases[] = {
      {"one file: itself", {"/g/z.mid"}, {"/g/z.mid"}},
      {"several files in the order given", {"/g/z.mid", "/f/b.mid"}, {"/g/z.mid", "/f/b.mid"}},
      {"a folder: its songs by name, no subfolder", {"/f"}, {"/f/A.MID", "/f/b.mid", "/f/c.midi"}},
      {"a playlist: its lines, a folder in it expanded, one naming itself stops", {"/f/list.m3u8"},
       {"/f/b.mid", "/f/sub/deep.mid", "/g/z.mid", "/f/missing.mid"}},
      {"a missing file is queued to show as not found", {"/nowhere.mid", "/g/z.mid"}, {"/nowhere.mid", "/g/z.mid"}},
      {"nothing at all: the items, so the load says why", {"/f/empty.m3u"}, {"/f/empty.m3u"}},
      {"an empty playlist beside a song: the song", {"/f/empty.m3u", "/g/z.mid"}, {"/g/z.mid"}},
  };
  for (const ExpandCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(expandItems(files, c.items), c.queued);
  }
}

// The platform's own: a playlist replaced whole, and a folder listed.
TEST(PlaylistTest, ThePlatformsFilesReplaceWholeAndListAFolder) {
  test::TempFolder folder;
  const std::unique_ptr<SongFiles> files = makePlatformSongFiles();
  const fs::path kept = folder.path() / "Murvane.queue.m3u8";
  const Paths songs = {folder.path() / "b.mid", folder.path() / "a.mid"};
  ASSERT_TRUE(files->replace(kept, "old") && files->replace(kept, playlistText(songs)));
  for (const fs::path& song : songs) files->replace(song, "MThd");
  fs::create_directory(folder.path() / "sub");
  std::string bytes;
  ASSERT_TRUE(files->readAll(kept, kLargestPlaylist, bytes));
  EXPECT_FALSE(files->readAll(kept, 3, bytes));
  EXPECT_EQ(expandItems(*files, {kept}), songs);
  EXPECT_EQ(expandItems(*files, {folder.path()}), (Paths{songs[1], songs[0]}));
  EXPECT_EQ(files->kindOf(folder.path() / "none"), SongFiles::Kind::kMissing);
  EXPECT_FALSE(files->replace(folder.path() / "no" / "such" / "folder.m3u8", "x"));
}

}  // namespace
}  // namespace murvane
