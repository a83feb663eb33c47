#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bindings/ini_store.h"
#include "bindings/note_range.h"

namespace murvane {

inline constexpr std::wstring_view kOptionsSection = L"Options";
inline constexpr std::wstring_view kChannelsKey = L"Channels";
inline constexpr std::wstring_view kTransposeKey = L"Transpose";
inline constexpr std::wstring_view kFoldOctavesKey = L"FoldOctaves";
inline constexpr std::wstring_view kSpeedKey = L"Speed";
inline constexpr std::wstring_view kRepressGapKey = L"RepressGap";
inline constexpr std::wstring_view kLayoutKey = L"Layout";
inline constexpr std::wstring_view kModifierHoldKey = L"ModifierHold";
inline constexpr std::wstring_view kFocusGuardKey = L"FocusGuard";
inline constexpr std::wstring_view kMidiInDeviceKey = L"MidiInDevice";
inline constexpr std::wstring_view kSeekStepKey = L"SeekStep";
inline constexpr std::wstring_view kLoopKey = L"Loop";
inline constexpr std::wstring_view kPressLengthKey = L"PressLength";
inline constexpr std::wstring_view kMaxKeysKey = L"MaxKeys";
inline constexpr std::wstring_view kChordSpreadKey = L"ChordSpread";
inline constexpr std::wstring_view kSongGapKey = L"SongGap";
inline constexpr std::wstring_view kAutoSuggestKey = L"AutoSuggest";

inline constexpr int kTransposeLimit = 48;
inline constexpr int kSlowestSpeed = 25;
inline constexpr int kFastestSpeed = 400;
inline constexpr int kLongestRepressGap = 200;
inline constexpr int kLongestModifierHold = 50;
inline constexpr int kShortestSeekStep = 1;
inline constexpr int kLongestSeekStep = 60;
inline constexpr int kLongestPressLength = 1000;
inline constexpr int kMostKeys = 10;
inline constexpr int kWidestChordSpread = 50;
inline constexpr int kLongestSongGap = 10000;

// How the songs are played. The defaults are the program's behaviour before
// these settings existed, and a file without them plays exactly so.
struct PlayOptions {
  std::uint16_t channels = 0x0001;  // bit n: MIDI channel n + 1 (0-based channel n of an event)
  int transpose = 0;                // semitones, -48 to 48
  bool foldOctaves = false;
  int speed = 100;       // percent, 25 to 400
  int repressGap = 0;    // milliseconds, 0 to 200; 0 sends every key event at once
  std::wstring layout;   // a built-in layout or a [Layout NAME] section; empty: [KeyBinds]
  int modifierHold = 0;  // milliseconds, 0 to 50, that Shift or Ctrl is held before and after its key
  bool focusGuard = false;   // keys only into the window in front when playing started
  std::wstring midiInDevice;  // the MIDI input device's name; empty: the first device
  int seekStep = 5;   // seconds, 1 to 60, that a seek hotkey moves the song
  bool loop = false;  // at its end the song starts again, until stopped
  int pressLength = 0;  // milliseconds, 0 to 1000, every press is held; 0: as long as its note
  int maxKeys = 0;      // 1 to 10 keys down at most; 0: no limit
  int chordSpread = 0;  // milliseconds, 0 to 50, between presses due together; files only
  int songGap = 2000;  // milliseconds, 0 to 10000, between a queued song's end and the next one's start
  bool autoSuggest = false;  // a song without its own Channels and Transpose plays the suggested ones

  bool operator==(const PlayOptions&) const = default;
};

// Whether the options change which keys a song types or when: false plays
// the file's events as they come, as Murvane did before it had options.
bool shapesKeys(const PlayOptions& options);

// The options with those that leave the plan as it is (how it is controlled
// while playing) set to their defaults: two options that agree here plan a
// song alike.
PlayOptions planningPart(const PlayOptions& options);

// Reads the section "Options"; a key that is missing or holds anything but a
// value of its range gives that key's default. Never writes.
PlayOptions readPlayOptions(IniStore& store);

// Makes the section show what differs from the defaults: a key whose value
// is not its default is written in the form readPlayOptions takes back, a key
// set back to its default is taken out (every line of it), and a key whose
// text readPlayOptions reads as the wanted value already, in whatever form,
// is not touched. False when a change failed or does not read back.
bool writePlayOptions(IniStore& store, const PlayOptions& options);

// The value texts, one key at a time. A parse gives nothing for text that is
// not a value of that key's range (so the default applies).
std::wstring formatChannels(std::uint16_t channels);  // "0x%04x"
std::wstring formatDecimal(int value);
std::optional<std::uint16_t> parseChannels(std::wstring_view text);  // 0x0000 gives nothing
std::optional<int> parseTranspose(std::wstring_view text);
std::optional<bool> parseFoldOctaves(std::wstring_view text);
std::optional<int> parseSpeed(std::wstring_view text);
std::optional<int> parseRepressGap(std::wstring_view text);
std::optional<int> parseModifierHold(std::wstring_view text);
std::optional<bool> parseFocusGuard(std::wstring_view text);
std::optional<int> parseSeekStep(std::wstring_view text);
std::optional<bool> parseLoop(std::wstring_view text);
std::optional<int> parsePressLength(std::wstring_view text);
std::optional<int> parseMaxKeys(std::wstring_view text);  // 0 (no limit) too
std::optional<int> parseChordSpread(std::wstring_view text);
std::optional<int> parseSongGap(std::wstring_view text);
std::optional<bool> parseAutoSuggest(std::wstring_view text);

// The note a played note becomes: transposed, then, when folding, moved by
// whole octaves into the key notes if it lies outside. May lie outside 0-127 when not
// folding (then it is no MIDI note at all and plays nothing).
int mapNote(std::uint8_t note, const PlayOptions& options);
// The same, folding into lowest-highest (a layout's first and last key) instead.
int mapNote(std::uint8_t note, const PlayOptions& options, int lowest, int highest);

}  // namespace murvane
