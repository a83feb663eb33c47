// Our conversion against the C library's wcstoul, on short ASCII texts where
// both agree by definition (the C locale's blanks, results within 32 bits).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "bindings/binding_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8) return 0;
  std::wstring text;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 || data[i] >= 0x80) return 0;
    text.push_back(static_cast<wchar_t>(data[i]));
  }
  std::uint32_t ours = 0;
  const bool complete = murvane::parseHexValue(text, ours);

  wchar_t* end = nullptr;
  const unsigned long theirs = std::wcstoul(text.c_str(), &end, 16);
  const bool theirsComplete = end != text.c_str() && *end == L'\0';
  if (complete != theirsComplete) std::abort();
  if (complete && ours != static_cast<std::uint32_t>(theirs)) std::abort();
  return 0;
}
