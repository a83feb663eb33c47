#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_folder.h"

// The INI fixtures, shared by the native tests and the Wine tests of the INI
// stores; their scratch files go in a TempFolder.
namespace murvane::test {

// One file of tests/data/ini and the 40 entries that loading it must give.
struct IniFixture {
  std::string fileName;
  std::vector<unsigned> entries;
};

// Reads expected.txt in folder: "# comment" lines, then one line per file,
// "name.ini" followed by 40 hexadecimal values in index order.
bool readIniFixtures(const std::filesystem::path& folder, std::vector<IniFixture>& fixtures, std::string& error);

// A file's text and what reading key C3 of section KeyBinds must give, as the
// platform reads it (quotes and blanks removed, 7 characters at most).
struct ReadCase {
  const char* name;
  std::string file;
  const wchar_t* c3;
};

extern const std::vector<ReadCase> kReadCases;

}  // namespace murvane::test
