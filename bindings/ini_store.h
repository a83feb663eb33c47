#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace murvane {

// Values come back as the platform's private-profile read returns them into
// an 8-character buffer, terminator included: a longer value is cut to this.
inline constexpr std::size_t kIniValueMaxLength = 7;
// Names (of a layout, of a MIDI device) are read whole, up to this length.
inline constexpr std::size_t kIniTextMaxLength = 255;

// One INI file, read and written one key of one section at a time.
class IniStore {
 public:
  virtual ~IniStore() = default;

  virtual bool exists() = 0;

  // The value of key in section, at most kIniValueMaxLength characters;
  // empty when the file, the section or the key is missing.
  virtual std::wstring read(std::wstring_view section, std::wstring_view key) = 0;

  // As read, but cut only at kIniTextMaxLength characters.
  virtual std::wstring readText(std::wstring_view section, std::wstring_view key) { return read(section, key); }

  // The names of the file's sections in the order they stand, each once.
  virtual std::vector<std::wstring> sectionNames() { return {}; }

  // Creates the file, the section or the key as needed. False when the value
  // could not be written (a folder the user may not write, say); the file is
  // then as it was.
  virtual bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) = 0;

  // Takes key out of section, every line of it when the file holds it more
  // than once, so that it reads as missing again; a key that is not there is
  // no failure. False when the file could not be changed.
  // A store that cannot take keys out says so.
  virtual bool remove(std::wstring_view section, std::wstring_view key) {
    static_cast<void>(section);
    static_cast<void>(key);
    return false;
  }
};

}  // namespace murvane
