#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bindings/ini_store.h"

namespace murvane::test {

// An INI file in memory: the values of every section, by section and key,
// and every write and removal in order.
class MemoryIniStore final : public IniStore {
 public:
  struct Write {
    std::wstring section;
    std::wstring key;
    std::wstring value;  // empty for a removal
    bool operator==(const Write&) const = default;
  };

  // The file is there once it holds a value or has been written; set this
  // for a file that is there but empty.
  bool fileExists = false;
  bool writable = true;  // false: every change fails, as in a read-only folder
  std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;
  std::vector<Write> writes;
  std::vector<Write> removals;
  std::vector<std::pair<std::wstring, std::wstring>> reads;  // section and key of every read, in order

  // The text a key holds in the file, before the reader cuts it.
  std::wstring& value(std::wstring_view section, std::wstring_view key) {
    return values[{std::wstring(section), std::wstring(key)}];
  }

  // The keys of one section as "Key=value", in key order.
  std::vector<std::wstring> lines(std::wstring_view section) const {
    std::vector<std::wstring> found;
    for (const auto& [where, text] : values) {
      if (where.first == section) found.push_back(where.second + L"=" + text);
    }
    return found;
  }

  bool exists() override { return fileExists || !values.empty(); }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    reads.emplace_back(section, key);
    if (!exists()) return {};
    const auto found = values.find({std::wstring(section), std::wstring(key)});
    if (found == values.end()) return {};
    return found->second.substr(0, kIniValueMaxLength);
  }

  std::wstring readText(std::wstring_view section, std::wstring_view key) override {
    if (!exists()) return {};
    const auto found = values.find({std::wstring(section), std::wstring(key)});
    if (found == values.end()) return {};
    return found->second.substr(0, kIniTextMaxLength);
  }

  // In name order, which is all a test needs.
  std::vector<std::wstring> sectionNames() override {
    std::vector<std::wstring> names;
    for (const auto& [where, text] : values) {
      if (names.empty() || names.back() != where.first) names.push_back(where.first);
    }
    return names;
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view text) override {
    writes.push_back({std::wstring(section), std::wstring(key), std::wstring(text)});
    if (!writable) return false;
    value(section, key) = std::wstring(text);
    fileExists = true;
    return true;
  }

  bool remove(std::wstring_view section, std::wstring_view key) override {
    removals.push_back({std::wstring(section), std::wstring(key), {}});
    if (!writable) return false;
    values.erase({std::wstring(section), std::wstring(key)});
    return true;
  }
};

}  // namespace murvane::test
