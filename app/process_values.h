#pragma once

#include <windows.h>

#include <cstdint>

#include "app/string_table.h"

namespace murvane {

// The process-wide values. Start-up sets them up on the GUI thread, in the
// order of the functions below, before any other thread exists; from then on
// they are only read, until releaseProcessValues at the very end of shutdown.

// Characters of the IniPath buffer, terminator included.
inline constexpr int kIniPathCapacity = MAX_PATH;
inline constexpr COLORREF kBackgroundColour = RGB(231, 231, 231);

void storeInstance(HINSTANCE instance);
// The module instance handle given to the entry point; null before
// storeInstance and after releaseProcessValues.
HINSTANCE instanceHandle();

// Loads the StringTable from the stored instance's resources, in the
// language the platform picks for the user's interface.
void loadStringTable();
const StringTable& stringTable();
// stringTable().lookup(id): null when there is no text. Callers hand a null
// result to the platform unchanged, which shows it as empty text.
const wchar_t* lookupString(std::int32_t id);

// The executable's full path with its last extension replaced by ".ini"
// (appended when there is none). Fails when the executable's path or the
// result does not fit kIniPathCapacity characters: the path is never cut.
bool buildIniPath();
// Null until buildIniPath succeeds and after releaseProcessValues.
const wchar_t* iniPath();

// Creates the BackgroundBrush; false (and a null brush) if the platform
// refuses.
bool createBackgroundBrush();
// Null before createBackgroundBrush and after deleteBackgroundBrush.
HBRUSH backgroundBrush();
void deleteBackgroundBrush();

// Frees the IniPath and the StringTable (lookups return null from then on)
// and clears the instance handle. Deletes the BackgroundBrush too if that is
// still alive.
void releaseProcessValues();

}  // namespace murvane
