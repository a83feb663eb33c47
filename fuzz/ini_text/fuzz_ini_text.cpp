// Any file text: reading never fails, and setting one key of KeyBinds makes
// that key read back as set while every other key reads as before. Long
// values (names) are cut at their length, and the section names come once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bindings/binding_table.h"
#include "bindings/portable_ini_store.h"

namespace {

std::vector<std::wstring> readAll(std::string_view file) {
  std::vector<std::wstring> values;
  for (int i = 0; i < murvane::kBindingCount; ++i) {
    values.push_back(murvane::readIniValue(file, murvane::kBindingSection, murvane::bindingIniKey(i)));
  }
  for (const wchar_t* key : {L"C3", L"HotkeyPlay", L"Left"}) values.push_back(murvane::readIniValue(file, L"Other", key));
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int index = data[0] % murvane::kBindingCount;
  std::string file(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::vector<std::wstring> before = readAll(file);
  for (const std::wstring& value : before) {
    if (value.size() > murvane::kIniValueMaxLength) std::abort();
  }
  if (murvane::readIniText(file, L"Options", L"Layout").size() > murvane::kIniTextMaxLength) std::abort();
  const std::vector<std::wstring> sections = murvane::iniSectionNames(file);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    for (std::size_t j = i + 1; j < sections.size(); ++j) {
      if (sections[i] == sections[j]) std::abort();
    }
  }

  if (!murvane::writeIniValue(file, murvane::kBindingSection, murvane::bindingIniKey(index), L"0x0123")) return 0;
  const std::vector<std::wstring> after = readAll(file);
  for (std::size_t i = 0; i < after.size(); ++i) {
    const bool written = i == static_cast<std::size_t>(index);
    if (written ? after[i] != L"0x0123" : after[i] != before[i]) std::abort();
  }
  // Setting the same value again changes nothing.
  if (murvane::writeIniValue(file, murvane::kBindingSection, murvane::bindingIniKey(index), L"0x0123")) std::abort();
  return 0;
}
