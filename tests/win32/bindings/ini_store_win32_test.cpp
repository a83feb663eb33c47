#include "bindings/ini_store_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "bindings/binding_table.h"
#include "bindings/portable_ini_store.h"
#include "tests/native/bindings/ini_test_files.h"

namespace murvane {
namespace {

using test::kReadCases;
using test::ReadCase;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

std::filesystem::path executableFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

// The non-blank lines of a file the platform wrote (ANSI, CRLF).
std::vector<std::string> nonBlankLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream stream(bytes);
  std::string line;
  while (std::getline(stream, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string narrow(std::wstring_view text) { return std::string(text.begin(), text.end()); }

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

// The Windows services keep a file's contents cached for as long as its
// time stamp stays the same, and a time stamp changes only every few
// milliseconds: a file rewritten behind their back gets a new name instead.
class Win32IniStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return dir_.path() / ("Murvane" + std::to_string(serial_) + ".ini"); }
  void nextFile() { ++serial_; }
  std::unique_ptr<IniStore> win32() const { return makeWin32IniStore(file().wstring()); }
  std::unique_ptr<IniStore> portable() const { return makePortableIniStore(file()); }

  TempFolder dir_;
  int serial_ = 0;
};

TEST_F(Win32IniStoreTest, FirstRunCreatesTheSectionWithAllFortyKeysInIndexOrder) {
  auto store = win32();
  ASSERT_FALSE(store->exists());
  const auto table = loadBindings(*store);
  ASSERT_TRUE(store->exists());
  for (int i = 0; i < kBindingCount; ++i) EXPECT_EQ(table->keys[static_cast<std::size_t>(i)], defaultBinding(i));

  const std::vector<std::string> lines = nonBlankLines(readBytes(file()));
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(lines[0], "[KeyBinds]");
  for (int i = 0; i < kBindingCount; ++i) {
    EXPECT_EQ(lines[static_cast<std::size_t>(i) + 1],
              narrow(bindingIniKey(i)) + "=" + narrow(formatBindingValue(defaultBinding(i))));
  }
  EXPECT_EQ(lines[1], "C3=0x0031");
  EXPECT_EQ(lines[40], "HotkeyAllStop=0x007b");

  // Read again by either store, the file gives the defaults and stays as it is.
  const std::string written = readBytes(file());
  EXPECT_EQ(loadBindings(*win32())->keys, table->keys);
  EXPECT_EQ(loadBindings(*portable())->keys, table->keys);
  EXPECT_EQ(readBytes(file()), written);
}

TEST_F(Win32IniStoreTest, AssignmentLeavesOtherSectionsKeysAndCommentsAlone) {
  writeBytes(file(),
             "; Murvane settings\r\n"
             "[Window]\r\nLeft=10\r\nC3=0x0099\r\n"
             "[KeyBinds]\r\n; notes\r\nVolume=3\r\nC3=0x0031\r\nD3=0x0033\r\n"
             "[Recent]\r\nFile=a.mid\r\n");
  auto store = win32();
  auto table = loadBindings(*store);
  assignBinding(*table, *store, 2, 0x0031);  // D3 takes 1 from C3

  EXPECT_EQ(table->keys[0], 0);
  EXPECT_EQ(table->keys[2], 0x0031);
  const auto ours = portable();
  for (IniStore* reader : {store.get(), ours.get()}) {
    EXPECT_EQ(reader->read(L"KeyBinds", L"C3"), L"0x0000");
    EXPECT_EQ(reader->read(L"KeyBinds", L"D3"), L"0x0031");
    EXPECT_EQ(reader->read(L"KeyBinds", L"Volume"), L"3");
    EXPECT_EQ(reader->read(L"Window", L"Left"), L"10");
    EXPECT_EQ(reader->read(L"Window", L"C3"), L"0x0099");
    EXPECT_EQ(reader->read(L"Recent", L"File"), L"a.mid");
  }
  const std::vector<std::string> lines = nonBlankLines(readBytes(file()));
  EXPECT_EQ(lines.front(), "; Murvane settings");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "; notes"), lines.end());
  // Keys missing from the file are not added by an assignment elsewhere.
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "E3=0x0000"), lines.end());
}

TEST_F(Win32IniStoreTest, ValuesReadAsThePlatformReadsThemByBothStores) {
  for (const ReadCase& test : kReadCases) {
    SCOPED_TRACE(test.name);
    nextFile();
    writeBytes(file(), test.file);
    EXPECT_EQ(win32()->read(L"KeyBinds", L"C3"), test.c3) << "Windows services";
    EXPECT_EQ(portable()->read(L"KeyBinds", L"C3"), test.c3) << "portable store";
  }
}

// Layout and device names are read whole, and layouts are found by their
// sections: both stores must agree with the platform on both.
TEST_F(Win32IniStoreTest, LongValuesAndSectionNamesReadTheSameThroughBothStores) {
  const std::string longName(300, 'n');
  writeBytes(file(), "[Options]\r\nLayout=\"my harp\"\r\nMidiInDevice=USB MIDI Keyboard 2\r\nLong=" + longName +
                         "\r\n[Layout my harp]\r\nC4=0x0041\r\n[layout MY HARP]\r\n[KeyBinds]\r\n");
  for (const auto& store : {win32(), portable()}) {
    EXPECT_EQ(store->readText(L"Options", L"Layout"), L"my harp");
    EXPECT_EQ(store->readText(L"Options", L"MidiInDevice"), L"USB MIDI Keyboard 2");
    EXPECT_EQ(store->readText(L"Options", L"Long"), std::wstring(kIniTextMaxLength, L'n'));
    EXPECT_EQ(store->read(L"Options", L"MidiInDevice"), L"USB MID") << "short values stay cut";
  }
  const std::vector<std::wstring> platform = win32()->sectionNames();
  EXPECT_EQ(portable()->sectionNames(), (std::vector<std::wstring>{L"Options", L"Layout my harp", L"KeyBinds"}));
  ASSERT_GE(platform.size(), 3u);
  EXPECT_EQ(platform[0], L"Options");
  EXPECT_EQ(platform[1], L"Layout my harp");
}

TEST_F(Win32IniStoreTest, FixturesGiveTheSameFortyEntriesThroughBothStores) {
  std::vector<test::IniFixture> fixtures;
  std::string error;
  ASSERT_TRUE(test::readIniFixtures(executableFolder() / "ini", fixtures, error)) << error;
  for (const test::IniFixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.fileName);
    const std::string original = readBytes(executableFolder() / "ini" / fixture.fileName);
    nextFile();
    writeBytes(file(), original);
    auto windows = win32();
    auto ours = portable();
    const auto fromWindows = loadBindings(*windows);
    const auto fromOurs = loadBindings(*ours);
    for (int i = 0; i < kBindingCount; ++i) {
      const auto at = static_cast<std::size_t>(i);
      SCOPED_TRACE(narrow(bindingIniKey(i)));
      EXPECT_EQ(hex(fromWindows->keys[at]), hex(fixture.entries[at])) << "Windows services";
      EXPECT_EQ(hex(fromOurs->keys[at]), hex(fixture.entries[at])) << "portable store";
      EXPECT_EQ(windows->read(L"KeyBinds", bindingIniKey(i)), ours->read(L"KeyBinds", bindingIniKey(i)));
    }
    EXPECT_EQ(readBytes(file()), original) << "a load never writes";
  }
}

// Assignments through one store, then the whole table read by the other.
TEST_F(Win32IniStoreTest, AFileWrittenByEitherStoreLoadsTheSameThroughTheOther) {
  struct Step {
    int index;
    KeyCode code;
  };
  const Step steps[] = {{2, 0x0031}, {37, 0x027A}, {5, 0x007A}, {38, 0x1A7A}, {0, 0x0032}, {39, 0x0131}, {36, 0x0031}};
  const std::string start = "[Other]\r\nKey=value\r\n\r\n[KeyBinds]\r\nC3=0x0031\r\nVolume=3\r\n";
  for (const bool writeWithWindows : {true, false}) {
    SCOPED_TRACE(writeWithWindows ? "written by the Windows services" : "written by the portable store");
    nextFile();
    writeBytes(file(), start);
    auto writer = writeWithWindows ? win32() : portable();
    auto table = loadBindings(*writer);
    for (const Step& step : steps) assignBinding(*table, *writer, step.index, step.code);
    auto reader = writeWithWindows ? portable() : win32();
    EXPECT_EQ(loadBindings(*reader)->keys, table->keys);
    EXPECT_EQ(reader->read(L"Other", L"Key"), L"value");
    EXPECT_EQ(reader->read(L"KeyBinds", L"Volume"), L"3");
  }
}

// Both stores write into the same odd files; every result reads the same
// through either store.
TEST_F(Win32IniStoreTest, WritesIntoOddFilesReadTheSameWhoeverWroteThem) {
  int serial = 0;
  for (const ReadCase& test : kReadCases) {
    SCOPED_TRACE(test.name);
    ++serial;
    const auto byWindows = dir_.path() / ("windows" + std::to_string(serial) + ".ini");
    const auto byUs = dir_.path() / ("portable" + std::to_string(serial) + ".ini");
    writeBytes(byWindows, test.file);
    writeBytes(byUs, test.file);
    for (const auto& path : {byWindows, byUs}) {
      auto store = path == byWindows ? makeWin32IniStore(path.wstring()) : makePortableIniStore(path);
      store->write(L"KeyBinds", L"C3", L"0x0041");
      store->write(L"KeyBinds", L"D3", L"0x0033");
    }
    for (const wchar_t* key : {L"C3", L"D3", L"E3"}) {
      const std::wstring expected = makeWin32IniStore(byWindows.wstring())->read(L"KeyBinds", key);
      EXPECT_EQ(makePortableIniStore(byWindows)->read(L"KeyBinds", key), expected);
      EXPECT_EQ(makeWin32IniStore(byUs.wstring())->read(L"KeyBinds", key), expected);
      EXPECT_EQ(makePortableIniStore(byUs)->read(L"KeyBinds", key), expected);
    }
  }
}

// A key taken out through either store reads as missing through both, every
// line of it (here three, one of them empty), and every other key, of its
// section or another, stays as it was.
TEST_F(Win32IniStoreTest, ARemovedKeyReadsAsMissingThroughBothStoresAndNothingElseChanges) {
  const std::string start =
      "[KeyBinds]\r\nC3=0x0031\r\n[Options]\r\nSpeed=50\r\nTranspose=12\r\nSpeed=\r\nSpeed=70\r\n"
      "[Other]\r\nSpeed=7\r\n";
  for (const bool removeWithWindows : {true, false}) {
    SCOPED_TRACE(removeWithWindows ? "removed by the Windows services" : "removed by the portable store");
    nextFile();
    writeBytes(file(), start);
    auto store = removeWithWindows ? win32() : portable();
    EXPECT_TRUE(store->remove(L"Options", L"Speed"));
    EXPECT_TRUE(store->remove(L"Options", L"RepressGap"));  // never there
    for (const auto& reader : {win32(), portable()}) {
      EXPECT_EQ(reader->read(L"Options", L"Speed"), L"");
      EXPECT_EQ(reader->read(L"Options", L"Transpose"), L"12");
      EXPECT_EQ(reader->read(L"Other", L"Speed"), L"7");
      EXPECT_EQ(reader->read(L"KeyBinds", L"C3"), L"0x0031");
    }
    const std::vector<std::string> lines = nonBlankLines(readBytes(file()));
    EXPECT_EQ(lines, (std::vector<std::string>{"[KeyBinds]", "C3=0x0031", "[Options]", "Transpose=12", "[Other]",
                                                "Speed=7"}));
  }
}

TEST_F(Win32IniStoreTest, RemovingFromAFileThatIsNotThereMakesNoFile) {
  EXPECT_TRUE(win32()->remove(L"Options", L"Speed"));
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(Win32IniStoreTest, FolderThatDoesNotExistGivesDefaultsAndNoFile) {
  const auto path = dir_.path() / "missing" / "Murvane.ini";
  auto store = makeWin32IniStore(path.wstring());
  const auto table = loadBindings(*store);
  EXPECT_EQ(table->keys[0], 0x0031);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace murvane
