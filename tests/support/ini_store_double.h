#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bindings/binding_table.h"
#include "bindings/ini_store.h"

namespace murvane::test {

// An INI file in memory: the values of the bindings' section, by key, and
// every write in order. Other sections read as empty, as the program uses
// none.
class MemoryIniStore final : public IniStore {
 public:
  struct Write {
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool operator==(const Write&) const = default;
  };

  // The file is there once it holds a value or has been written; set this
  // for a file that is there but empty.
  bool fileExists = false;
  bool writable = true;  // false: every write fails, as in a read-only folder
  std::map<std::wstring, std::wstring> values;
  std::vector<Write> writes;

  bool exists() override { return fileExists || !values.empty(); }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    if (!exists() || section != kBindingSection) return {};
    const auto found = values.find(std::wstring(key));
    if (found == values.end()) return {};
    return found->second.substr(0, kIniValueMaxLength);
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    writes.push_back({std::wstring(section), std::wstring(key), std::wstring(value)});
    if (!writable) return false;
    if (section == kBindingSection) values[std::wstring(key)] = std::wstring(value);
    fileExists = true;
    return true;
  }

  bool remove(std::wstring_view section, std::wstring_view key) override {
    if (!writable) return false;
    if (section == kBindingSection) values.erase(std::wstring(key));
    return true;
  }
};

}  // namespace murvane::test
