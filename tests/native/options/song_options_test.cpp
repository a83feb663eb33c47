#include "options/song_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options/sha256.h"
#include "options/track_suggestion.h"
#include "tests/support/ini_store_double.h"

namespace murvane {
namespace {

using test::MemoryIniStore;

std::string hexOf(const std::string& text) {
  return sha256Hex(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// FIPS 180-4's examples and NIST's long message, fed whole and in pieces
// that cross every block boundary in a different place.
TEST(Sha256Test, StandardVectorsWholeAndInPieces) {
  const std::pair<std::string, const char*> vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [text, digest] : vectors) {
    EXPECT_EQ(hexOf(text), digest);
    for (std::size_t piece : {1u, 3u, 63u, 65u}) {
      Sha256 hash;
      for (std::size_t at = 0; at < text.size(); at += piece) {
        hash.update(reinterpret_cast<const std::uint8_t*>(text.data()) + at, std::min(piece, text.size() - at));
      }
      std::string hex;
      for (const std::uint8_t byte : hash.finish()) hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
      EXPECT_EQ(hex, digest) << "in pieces of " << piece;
    }
  }
  const std::string abc = "abc";
  EXPECT_EQ(songHashOf(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()), L"ba7816bf8f01cfea");
}

constexpr std::wstring_view kHash = L"0123456789abcdef";
constexpr std::wstring_view kSong = L"Song 0123456789abcdef";

struct OverlayCase {
  const char* name;
  std::vector<std::pair<std::wstring, std::wstring>> options, song;  // key and value
  PlayOptions expected;
  bool own;
  bool ownChannelsOrTranspose;
};

TEST(SongOptionsTest, TheSongsKeysOverlayOptionsKeyByKey) {
  PlayOptions transposed;
  transposed.channels = 0x0004;
  transposed.transpose = 5;
  PlayOptions ownDefault = transposed;
  ownDefault.transpose = 0;
  PlayOptions named;
  named.layout = L"lyre36";
  named.songGap = 500;
  const OverlayCase cases[] = {
      {"no section: [Options] alone", {{L"Channels", L"0x0004"}, {L"Transpose", L"5"}}, {}, transposed, false, false},
      {"a key of its own wins", {{L"Channels", L"0x0004"}, {L"Transpose", L"9"}}, {{L"Transpose", L"5"}}, transposed,
       true, true},
      {"its own default over [Options]", {{L"Channels", L"0x0004"}, {L"Transpose", L"9"}},
       {{L"Transpose", L"default"}}, ownDefault, true, true},
      {"a name and a gap of its own", {{L"Layout", L"piano61"}}, {{L"Layout", L"lyre36"}, {L"SongGap", L"500"}}, named,
       true, false},
      {"a value it cannot take is its default", {{L"Speed", L"50"}}, {{L"Speed", L"fast"}}, {}, true, false},
  };
  for (const OverlayCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIniStore store;
    for (const auto& [key, value] : c.options) store.value(L"Options", key) = value;
    for (const auto& [key, value] : c.song) store.value(kSong, key) = value;
    const SongOptions song = readSongOptions(store, kHash);
    EXPECT_EQ(song.options, c.expected);
    EXPECT_EQ(song.own, c.own);
    EXPECT_EQ(song.ownChannelsOrTranspose, c.ownChannelsOrTranspose);
    EXPECT_EQ(readSongOptions(store, L"").options, readPlayOptions(store));
  }
}

// Whatever [Options] holds, what was written for a song reads back for it,
// [Options] is not touched, and taking the section away gives [Options].
TEST(SongOptionsTest, WrittenForASongReadsBackForItAndRemovedGivesOptionsAgain) {
  PlayOptions global;
  global.channels = 0x0002;
  global.transpose = 7;
  global.layout = L"piano61";
  PlayOptions wanted;  // every key at its default: each must beat [Options]'s
  PlayOptions other = global;
  other.speed = 50;
  other.songGap = 0;
  for (const PlayOptions& options : {wanted, other}) {
    MemoryIniStore store;
    ASSERT_TRUE(writePlayOptions(store, global));
    const auto before = store.lines(L"Options");
    ASSERT_TRUE(writeSongOptions(store, kHash, options));
    EXPECT_EQ(readSongOptions(store, kHash).options, options);
    EXPECT_EQ(store.lines(L"Options"), before);
    ASSERT_TRUE(removeSongOptions(store, kHash));
    EXPECT_TRUE(store.lines(kSong).empty());
    EXPECT_EQ(readSongOptions(store, kHash).options, global);
    EXPECT_FALSE(readSongOptions(store, kHash).own);
  }
  MemoryIniStore store;
  ASSERT_TRUE(writeSongOptions(store, kHash, global));
  EXPECT_EQ(store.lines(kSong), (std::vector<std::wstring>{L"Channels=0x0002", L"Layout=piano61", L"Transpose=7"}));
}

TEST(SongOptionsTest, AutoSuggestTakesTheSuggestionOnlyForASongWithoutItsOwnChannelOrShift) {
  NoteCounts counts;
  for (int i = 0; i < 20; ++i) counts.byChannel[2][static_cast<std::size_t>(40 + i % 5)] += 1;  // low: shifted up
  const TrackSuggestion best = suggestTrack(counts, defaultKeyedNotes());
  for (const auto& [auto_, own, suggested] : {std::tuple{false, false, false}, std::tuple{true, false, true},
                                               std::tuple{true, true, false}}) {
    SongOptions song;
    song.options.autoSuggest = auto_;
    song.ownChannelsOrTranspose = own;
    EXPECT_EQ(applyAutoSuggest(song, counts, defaultKeyedNotes()), suggested);
    EXPECT_EQ(song.options.channels, suggested ? 1u << best.channel : 1u);
    EXPECT_EQ(song.options.transpose, suggested ? best.transpose : 0);
  }
}

}  // namespace
}  // namespace murvane
