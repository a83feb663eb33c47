#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bindings/ini_store.h"

namespace murvane::testing {

// Keeps the keys of one section in memory and records every write in order.
class FakeIniStore final : public IniStore {
 public:
  struct Write {
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool operator==(const Write&) const = default;
  };

  bool fileExists = true;
  bool writable = true;  // false: every write fails, as in a read-only folder
  std::map<std::wstring, std::wstring> values;
  std::vector<Write> writes;

  bool exists() override { return fileExists; }

  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    if (!fileExists || section != L"KeyBinds") return {};
    const auto found = values.find(std::wstring(key));
    if (found == values.end()) return {};
    return found->second.substr(0, kIniValueMaxLength);
  }

  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    writes.push_back({std::wstring(section), std::wstring(key), std::wstring(value)});
    if (!writable) return false;
    if (section == L"KeyBinds") values[std::wstring(key)] = std::wstring(value);
    fileExists = true;
    return true;
  }
};

}  // namespace murvane::testing
