#include "tests/native/bindings/ini_test_files.h"

#include <fstream>
#include <sstream>

namespace murvane::test {

bool readIniFixtures(const std::filesystem::path& folder, std::vector<IniFixture>& fixtures, std::string& error) {
  std::ifstream file(folder / "expected.txt");
  if (!file) {
    error = "cannot open " + (folder / "expected.txt").string();
    return false;
  }
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    std::istringstream fields(line);
    IniFixture fixture;
    fields >> fixture.fileName;
    std::string value;
    while (fields >> value) fixture.entries.push_back(static_cast<unsigned>(std::stoul(value, nullptr, 16)));
    if (fixture.entries.size() != 40) {
      error = fixture.fileName + ": expected 40 values, found " + std::to_string(fixture.entries.size());
      return false;
    }
    fixtures.push_back(std::move(fixture));
  }
  if (fixtures.empty()) error = "no fixtures listed";
  return !fixtures.empty();
}

namespace {

std::string utf16le(std::wstring_view text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

}  // namespace

const std::vector<ReadCase> kReadCases = {
    {"plain", "[KeyBinds]\r\nC3=0x0031\r\n", L"0x0031"},
    {"section and key in other case", "[keybinds]\r\nc3=0x0031\r\n", L"0x0031"},
    {"blanks around the equals sign", "[KeyBinds]\r\nC3 \t= \t0x0031\r\n", L"0x0031"},
    {"blanks around the value", "[KeyBinds]\r\nC3=  0x0032  \r\n", L"0x0032"},
    {"indented line", "[KeyBinds]\r\n   C3=0x0031\r\n", L"0x0031"},
    {"indented section", "  [KeyBinds]\r\nC3=0x0031\r\n", L"0x0031"},
    {"double quotes", "[KeyBinds]\r\nC3=\"0x0031\"\r\n", L"0x0031"},
    {"single quotes", "[KeyBinds]\r\nC3='0x0031'\r\n", L"0x0031"},
    {"blanks outside quotes", "[KeyBinds]\r\nC3=  \"0x0031\"  \r\n", L"0x0031"},
    {"blanks inside quotes kept", "[KeyBinds]\r\nC3=\" 0x031\"\r\n", L" 0x031"},
    {"opening quote only", "[KeyBinds]\r\nC3=\"0x0031\r\n", L"\"0x0031"},
    {"mismatched quotes", "[KeyBinds]\r\nC3=\"0x031'\r\n", L"\"0x031'"},
    {"empty quotes", "[KeyBinds]\r\nC3=\"\"\r\n", L""},
    {"a lone quote", "[KeyBinds]\r\nC3=\"\r\n", L"\""},
    {"quoted value of seven characters", "[KeyBinds]\r\nC3=\"0x00031\"\r\n", L"0x0003"},
    {"quoted value of eight characters", "[KeyBinds]\r\nC3=\"0x000031\"\r\n", L"0x00003"},
    {"long value cut to seven", "[KeyBinds]\r\nC3=0x00310000\r\n", L"0x00310"},
    {"no inline comments", "[KeyBinds]\r\nC3=0x0031 ; one\r\n", L"0x0031 "},
    {"empty value", "[KeyBinds]\r\nC3=\r\n", L""},
    {"key without equals sign", "[KeyBinds]\r\nC3\r\n", L""},
    {"first of two lines wins", "[KeyBinds]\r\nC3=0x0031\r\nC3=0x0032\r\n", L"0x0031"},
    {"only the first section of the name counts", "[KeyBinds]\r\nD3=0x0033\r\n[KeyBinds]\r\nC3=0x0031\r\n", L""},
    {"other sections ignored", "[Other]\r\nC3=0x0031\r\n[KeyBinds]\r\nD3=0x0033\r\n", L""},
    {"keys before any section ignored", "C3=0x0031\r\n[KeyBinds]\r\n", L""},
    {"blanks inside the brackets", "[ KeyBinds\t]\r\nC3=0x0031\r\n", L"0x0031"},
    {"vertical tab and form feed are blanks", "[KeyBinds]\r\nC3=\v0x0031\f\r\n", L"0x0031"},
    {"end-of-file marks are blanks", "[KeyBinds]\r\nC3=\x1a" "0x0031\x1a\r\n", L"0x0031"},
    {"no-break space is not a blank", "[KeyBinds]\r\nC3=\xa0" "0x0031\xa0\r\n", L"\x00A0" L"0x0031"},
    {"no-break space is not a blank in utf-16", utf16le(L"[KeyBinds]\r\nC3=\x00a0" L"0x0031\x3000\r\n"), L"\x00A0" L"0x0031"},
    {"a lone carriage return ends the line", "[KeyBinds]\r\nC3=0x\r0031\r\n", L"0x"},
    {"a NUL ends the value", std::string("[KeyBinds]\r\nC3=0x\0" "0031\r\n", 24), L"0x"},
    {"blank inside the key name", "[KeyBinds]\r\nC 3=0x0031\r\n", L""},
    {"utf-8 byte order mark, then a blank", "\xEF\xBB\xBF [KeyBinds]\r\nC3=0x0031\r\n", L"0x0031"},
    {"text after the section", "[KeyBinds] ; keys\r\nC3=0x0031\r\n", L"0x0031"},
    {"section name up to the last bracket", "[KeyBinds]]\r\nC3=0x0031\r\n", L""},
    {"bracket never closed", "[KeyBinds]\r\n[Other\r\nC3=0x0031\r\n", L"0x0031"},
    {"line feeds only, no final break", "[KeyBinds]\nD3=0x0033\nC3=0x0031", L"0x0031"},
    {"comment lines", "; settings\r\n[KeyBinds]\r\n; C3=0x0032\r\nC3=0x0031\r\n", L"0x0031"},
    {"blank lines", "\r\n\r\n[KeyBinds]\r\n\r\n\r\nC3=0x0031\r\n\r\n", L"0x0031"},
    {"tab before the value", "[KeyBinds]\r\nC3=\t0x0031\r\n", L"0x0031"},
    {"equals sign in the value", "[KeyBinds]\r\nC3==0x31\r\n", L"=0x31"},
    {"utf-16 with byte order mark", utf16le(L"[KeyBinds]\r\nC3=0x0031\r\n"), L"0x0031"},
    {"utf-16 with a blank value", utf16le(L"[KeyBinds]\r\nC3=  0x0032  \r\n"), L"0x0032"},
    {"utf-8 with byte order mark", "\xEF\xBB\xBF[KeyBinds]\r\nC3=0x0031\r\n", L"0x0031"},
    {"utf-8 character of four bytes", "\xEF\xBB\xBF[KeyBinds]\r\nC3=\xF0\x9F\x8E\xB5" "1\r\n", L"\U0001F3B5" L"1"},
};

}  // namespace murvane::test
