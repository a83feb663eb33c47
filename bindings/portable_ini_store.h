#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bindings/ini_store.h"

namespace murvane {

// Reads and writes the same files as the Windows private-profile services
// (ANSI, CRLF, key=value); other sections, keys and comments survive writes.
std::unique_ptr<IniStore> makePortableIniStore(std::filesystem::path path);

// The store's work on a file's bytes, apart from reading and replacing the
// file. What reading key of section gives, cut as the platform cuts it.
std::wstring readIniValue(std::string_view file, std::wstring_view section, std::wstring_view key);
// The same, cut at kIniTextMaxLength instead.
std::wstring readIniText(std::string_view file, std::wstring_view section, std::wstring_view key);
// The sections' names in file order, each once (compared as the platform does, ignoring case).
std::vector<std::wstring> iniSectionNames(std::string_view file);

// Sets key of section, leaving every other line as it was. False when there
// is nothing to change, or when the text cannot be changed safely (UTF-16
// with an odd number of bytes).
bool writeIniValue(std::string& file, std::wstring_view section, std::wstring_view key, std::wstring_view value);

// Takes out every line of key in the section that a read looks in, leaving
// every other line as it was. False when there is no such line, or when the
// text cannot be changed safely.
bool removeIniValue(std::string& file, std::wstring_view section, std::wstring_view key);

}  // namespace murvane
