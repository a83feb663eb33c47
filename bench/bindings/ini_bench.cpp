// Loading the 40 bindings re-reads and re-parses the INI text once per key,
// as the Windows services do; these show what that costs on a typical file.
#include <benchmark/benchmark.h>

#include <string>

#include "bindings/binding_table.h"
#include "bindings/portable_ini_store.h"

namespace {

std::string typicalFile() {
  std::string text = "; settings\r\n[Window]\r\nLeft=10\r\nTop=20\r\n\r\n[KeyBinds]\r\n";
  for (int i = 0; i < murvane::kBindingCount; ++i) {
    const std::wstring key(murvane::bindingIniKey(i));
    const std::wstring value = murvane::formatBindingValue(murvane::defaultBinding(i));
    text += std::string(key.begin(), key.end()) + "=" + std::string(value.begin(), value.end()) + "\r\n";
  }
  return text;
}

void BM_ReadOneKey(benchmark::State& state) {
  const std::string file = typicalFile();
  for (auto _ : state) {
    benchmark::DoNotOptimize(murvane::readIniValue(file, murvane::kBindingSection, L"HotkeyAllStop"));
  }
}
BENCHMARK(BM_ReadOneKey);

void BM_ReadAllFortyKeys(benchmark::State& state) {
  const std::string file = typicalFile();
  for (auto _ : state) {
    for (int i = 0; i < murvane::kBindingCount; ++i) {
      benchmark::DoNotOptimize(murvane::readIniValue(file, murvane::kBindingSection, murvane::bindingIniKey(i)));
    }
  }
}
BENCHMARK(BM_ReadAllFortyKeys);

void BM_WriteOneKey(benchmark::State& state) {
  const std::string file = typicalFile();
  bool flip = false;
  for (auto _ : state) {
    std::string copy = file;
    flip = !flip;
    benchmark::DoNotOptimize(
        murvane::writeIniValue(copy, murvane::kBindingSection, L"C3", flip ? L"0x0041" : L"0x0000"));
  }
}
BENCHMARK(BM_WriteOneKey);

void BM_ParseHexValue(benchmark::State& state) {
  std::uint32_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(murvane::parseHexValue(L"0x027a", value));
  }
}
BENCHMARK(BM_ParseHexValue);

}  // namespace
