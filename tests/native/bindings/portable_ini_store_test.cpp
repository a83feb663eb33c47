#include "bindings/portable_ini_store.h"

#include <gtest/gtest.h>

#include <string>

#include "bindings/binding_table.h"
#include "tests/native/bindings/ini_test_files.h"

namespace murvane::test {
namespace {

class PortableIniStoreTest : public ::testing::Test {
 protected:
  std::filesystem::path file() const { return dir_.path() / "Murvane.ini"; }
  std::unique_ptr<IniStore> store() const { return makePortableIniStore(file()); }

  TempFolder dir_;
};

TEST_F(PortableIniStoreTest, ReadsValuesAsThePlatformDoes) {
  for (const ReadCase& test : kReadCases) {
    SCOPED_TRACE(test.name);
    writeBytes(file(), test.file);
    EXPECT_EQ(store()->read(L"KeyBinds", L"C3"), test.c3);
  }
}

TEST_F(PortableIniStoreTest, MissingFileReadsEmptyAndIsCreatedByAWrite) {
  auto ini = store();
  EXPECT_FALSE(ini->exists());
  EXPECT_EQ(ini->read(L"KeyBinds", L"C3"), L"");
  ini->write(L"KeyBinds", L"C3", L"0x0031");
  EXPECT_TRUE(ini->exists());
  EXPECT_EQ(readBytes(file()), "[KeyBinds]\r\nC3=0x0031\r\n");
}

TEST_F(PortableIniStoreTest, FirstRunWritesTheSectionAndAllFortyKeysInIndexOrder) {
  auto ini = store();
  loadBindings(*ini);
  std::string expected = "[KeyBinds]\r\n";
  for (int i = 0; i < kBindingCount; ++i) {
    const std::wstring key(bindingIniKey(i));
    expected += std::string(key.begin(), key.end()) + "=";
    const std::wstring value = formatBindingValue(defaultBinding(i));
    expected += std::string(value.begin(), value.end()) + "\r\n";
  }
  EXPECT_EQ(readBytes(file()), expected);
  EXPECT_NE(expected.find("C3=0x0031\r\n"), std::string::npos);
  EXPECT_TRUE(expected.ends_with("HotkeyAllStop=0x007b\r\n"));
}

struct WriteCase {
  const char* name;
  std::string before;
  const wchar_t* key;
  const wchar_t* value;
  std::string after;
};

TEST_F(PortableIniStoreTest, WriteChangesOnlyItsOwnLine) {
  // Comments, other sections, blank lines, line endings and bytes in any
  // code page survive as they were.
  const std::string head = "; Murvane \x83\x4c\x81\x5b\r\n\r\n[Window]\nLeft = 10\r\n\r\n";
  const std::string tail = "\r\n[Other]\r\nC3=0x0099\r\n; end";
  const WriteCase cases[] = {
      {"value replaced in place", head + "[KeyBinds]\r\nC3=0x0031\r\nD3=0x0033\r\n" + tail, L"C3", L"0x0000",
       head + "[KeyBinds]\r\nC3=0x0000\r\nD3=0x0033\r\n" + tail},
      {"key and section found in any case, spelling kept", head + "[KEYBINDS]\r\n  c3 = \"0x0031\"\r\n" + tail, L"C3",
       L"0x0041", head + "[KEYBINDS]\r\nc3=0x0041\r\n" + tail},
      {"Z and z are one letter, [ and { are not", "[KeyBinds]\r\nZ{=0x0033\r\nZ[=0x0031\r\n", L"z[", L"0x0032",
       "[KeyBinds]\r\nZ{=0x0033\r\nZ[=0x0032\r\n"},
      {"line feed ending kept", "[KeyBinds]\nC3=0x0031\nD3=0x0033\n", L"C3", L"0x0032",
       "[KeyBinds]\nC3=0x0032\nD3=0x0033\n"},
      {"key without equals sign given its value", "[KeyBinds]\r\nC3\r\n", L"C3", L"0x0031", "[KeyBinds]\r\nC3=0x0031\r\n"},
      {"new key after the last line of the section", head + "[KeyBinds]\r\nC3=0x0031\r\n" + tail, L"D3", L"0x0033",
       head + "[KeyBinds]\r\nC3=0x0031\r\nD3=0x0033\r\n" + tail},
      {"new key in an empty section", "[KeyBinds]\r\n\r\n[Other]\r\n", L"C3", L"0x0031",
       "[KeyBinds]\r\nC3=0x0031\r\n\r\n[Other]\r\n"},
      {"new key after a last line without a break", "[KeyBinds]\r\nC3=0x0031", L"D3", L"0x0033",
       "[KeyBinds]\r\nC3=0x0031\r\nD3=0x0033\r\n"},
      {"only the first section of the name is written", "[KeyBinds]\r\n[KeyBinds]\r\nC3=0x0031\r\n", L"C3", L"0x0032",
       "[KeyBinds]\r\nC3=0x0032\r\n[KeyBinds]\r\nC3=0x0031\r\n"},
      {"new section at the end", head + "[Other]\r\nC3=0x0099", L"C3", L"0x0031",
       head + "[Other]\r\nC3=0x0099\r\n\r\n[KeyBinds]\r\nC3=0x0031\r\n"},
      {"new section in an empty file", "", L"C3", L"0x0031", "[KeyBinds]\r\nC3=0x0031\r\n"},
      {"the same value leaves the line as it was", "[KeyBinds]\r\n  C3 = 0x0031 \r\n", L"C3", L"0x0031",
       "[KeyBinds]\r\n  C3 = 0x0031 \r\n"},
      {"utf-8 byte order mark kept", "\xEF\xBB\xBF[KeyBinds]\r\nC3=0x0031\r\n", L"C3", L"0x0032",
       "\xEF\xBB\xBF[KeyBinds]\r\nC3=0x0032\r\n"},
      {"utf-16 with a byte left over is not touched", std::string("\xFF\xFE[\0K\0]\0\r\0\n\0C", 13), L"C3", L"1",
       std::string("\xFF\xFE[\0K\0]\0\r\0\n\0C", 13)},
      {"utf-16 stays utf-16", std::string("\xFF\xFE[\0K\0]\0\r\0\n\0", 12), L"C3", L"1",
       std::string("\xFF\xFE[\0K\0]\0\r\0\n\0\r\0\n\0[\0K\0e\0y\0B\0i\0n\0d\0s\0]\0\r\0\n\0C\0" "3\0=\0" "1\0\r\0\n\0", 52)},
      // Its file is the one a read case decodes to the same value.
      {"a character beyond U+FFFF as four bytes of utf-8", "\xEF\xBB\xBF[KeyBinds]\r\nC3=0x0031\r\n", L"C3",
       L"\U0001F3B5" L"1", "\xEF\xBB\xBF[KeyBinds]\r\nC3=\xF0\x9F\x8E\xB5" "1\r\n"},
      {"a character beyond U+FFFF as a utf-16 pair", std::string("\xFF\xFE[\0K\0]\0\r\0\n\0", 12), L"C3", L"\U0001F3B5",
       std::string("\xFF\xFE[\0K\0]\0\r\0\n\0\r\0\n\0[\0K\0e\0y\0B\0i\0n\0d\0s\0]\0\r\0\n\0C\0" "3\0=\0"
                   "\x3C\xD8\xB5\xDF\r\0\n\0", 54)},
  };
  for (const WriteCase& test : cases) {
    SCOPED_TRACE(test.name);
    writeBytes(file(), test.before);
    store()->write(L"KeyBinds", test.key, test.value);
    EXPECT_EQ(readBytes(file()), test.after);
    if (test.after != test.before) {
      EXPECT_EQ(store()->readText(L"KeyBinds", test.key), test.value) << "read back";
    }
  }
}

struct RemoveCase {
  const char* name;
  std::string before;
  bool removed;  // the store's answer
  std::string after;
};

TEST_F(PortableIniStoreTest, RemoveTakesOutEveryLineOfTheKeyInTheSectionAReadLooksIn) {
  const std::string tail = "\r\n[Other]\r\nSpeed=50\r\n; end";
  const RemoveCase cases[] = {
      {"the key's line goes, its neighbours stay", "; x\r\n[Options]\r\nTranspose=12\r\nSpeed=50\r\nRepressGap=30\r\n" + tail,
       true, "; x\r\n[Options]\r\nTranspose=12\r\nRepressGap=30\r\n" + tail},
      {"found in any case and spacing", "[OPTIONS]\r\n  speed = 50 \r\n", true, "[OPTIONS]\r\n"},
      {"a key written twice: both lines go", "[Options]\r\nSpeed=50\r\nTranspose=12\r\n SPEED = 70\r\nSpeed\r\n",
       true, "[Options]\r\nTranspose=12\r\n"},
      {"the last line without a break", "[Options]\r\nTranspose=12\r\nSpeed=50", true, "[Options]\r\nTranspose=12\r\n"},
      {"a key without equals sign", "[Options]\r\nSpeed\r\nTranspose=12\r\n", true, "[Options]\r\nTranspose=12\r\n"},
      {"only the first section of the name", "[Options]\r\n[Options]\r\nSpeed=50\r\n", true,
       "[Options]\r\n[Options]\r\nSpeed=50\r\n"},
      {"no such key: nothing changes", "[Options]\r\nTranspose=12\r\n" + tail, true, "[Options]\r\nTranspose=12\r\n" + tail},
      {"no such section: nothing changes", "[Other]\r\nSpeed=50\r\n", true, "[Other]\r\nSpeed=50\r\n"},
      {"utf-16 stays utf-16", std::string("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0s\0]\0\r\0\n\0S\0p\0e\0e\0d\0=\0" "5\0" "0\0\r\0\n\0", 42),
       true, std::string("\xFF\xFE[\0O\0p\0t\0i\0o\0n\0s\0]\0\r\0\n\0", 24)},
      {"utf-16 with a byte left over is not touched", std::string("\xFF\xFE[\0O\0]\0\r\0\n\0S", 13), false,
       std::string("\xFF\xFE[\0O\0]\0\r\0\n\0S", 13)},
  };
  for (const RemoveCase& test : cases) {
    SCOPED_TRACE(test.name);
    writeBytes(file(), test.before);
    EXPECT_EQ(store()->remove(L"Options", L"Speed"), test.removed);
    EXPECT_EQ(readBytes(file()), test.after);
  }
}

TEST_F(PortableIniStoreTest, RemoveFromAMissingFileCreatesNothing) {
  EXPECT_TRUE(store()->remove(L"Options", L"Speed"));
  EXPECT_FALSE(std::filesystem::exists(file()));
  EXPECT_TRUE(makePortableIniStore(dir_.path() / "missing" / "Murvane.ini")->remove(L"Options", L"Speed"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "missing"));
}

TEST_F(PortableIniStoreTest, RemovedKeyReadsAsMissingAndAWriteAddsItAgain) {
  writeBytes(file(), "[Options]\r\nSpeed=50\r\n");
  auto ini = store();
  ASSERT_TRUE(ini->remove(L"Options", L"Speed"));
  EXPECT_EQ(ini->read(L"Options", L"Speed"), L"");
  ini->write(L"Options", L"Speed", L"200");
  EXPECT_EQ(readBytes(file()), "[Options]\r\nSpeed=200\r\n");
}

TEST_F(PortableIniStoreTest, WhatIsWrittenReadsBack) {
  writeBytes(file(), std::string("\xFF\xFE", 2));
  auto ini = store();
  ini->write(L"KeyBinds", L"HotkeyPlay", L"0x027a");
  ini->write(L"Other", L"HotkeyPlay", L"0x0000");
  EXPECT_EQ(ini->read(L"KeyBinds", L"HotkeyPlay"), L"0x027a");
  EXPECT_EQ(ini->read(L"keybinds", L"hotkeyplay"), L"0x027a");
  EXPECT_EQ(ini->read(L"Other", L"HotkeyPlay"), L"0x0000");
  EXPECT_TRUE(readBytes(file()).starts_with("\xFF\xFE"));
}

TEST_F(PortableIniStoreTest, WriteTellsWhetherTheFileHoldsTheValue) {
  struct Case {
    const char* name;
    void (*prepare)(const std::filesystem::path& file);
    bool written;
  };
  const Case cases[] = {
      {"a new file", [](const std::filesystem::path&) {}, true},
      {"a changed line", [](const std::filesystem::path& f) { writeBytes(f, "[KeyBinds]\r\nC3=0x0000\r\n"); }, true},
      {"the value it holds already", [](const std::filesystem::path& f) { writeBytes(f, "[KeyBinds]\r\nC3=0x0031\r\n"); },
       true},
      {"the temporary file blocked",
       [](const std::filesystem::path& f) {
         writeBytes(f, "[KeyBinds]\r\nC3=0x0000\r\n");
         std::filesystem::path blocker = f;
         blocker += ".tmp";
         std::filesystem::create_directory(blocker);
       },
       false},
      {"a folder in place of the file", [](const std::filesystem::path& f) { std::filesystem::create_directory(f); },
       false},
      {"utf-16 with a byte left over", [](const std::filesystem::path& f) { writeBytes(f, std::string("\xFF\xFE[\0K", 5)); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    const std::filesystem::path path = dir.path() / "Murvane.ini";
    c.prepare(path);
    EXPECT_EQ(makePortableIniStore(path)->write(L"KeyBinds", L"C3", L"0x0031"), c.written);
  }
  EXPECT_FALSE(makePortableIniStore(dir_.path() / "missing" / "Murvane.ini")->write(L"KeyBinds", L"C3", L"0x0031"));
}

TEST_F(PortableIniStoreTest, FailedWriteLeavesTheFileAsItWas) {
  const std::string original = "[KeyBinds]\r\nC3=0x0031\r\n";
  writeBytes(file(), original);
  // The temporary file cannot be created where a folder stands in its way.
  std::filesystem::path blocker = file();
  blocker += ".tmp";
  std::filesystem::create_directory(blocker);
  store()->write(L"KeyBinds", L"C3", L"0x0000");
  EXPECT_EQ(readBytes(file()), original);
  EXPECT_TRUE(std::filesystem::is_directory(blocker));
}

TEST_F(PortableIniStoreTest, FullDiskLeavesTheFileAsItWas) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const std::string original = "[KeyBinds]\r\nC3=0x0031\r\n";
  writeBytes(file(), original);
  std::filesystem::path temporary = file();
  temporary += ".tmp";
  std::filesystem::create_symlink("/dev/full", temporary);
  store()->write(L"KeyBinds", L"C3", L"0x0000");
  EXPECT_EQ(readBytes(file()), original);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(temporary)));
}

TEST_F(PortableIniStoreTest, WriteIntoAMissingFolderCreatesNothing) {
  const auto path = dir_.path() / "missing" / "Murvane.ini";
  auto ini = makePortableIniStore(path);
  ini->write(L"KeyBinds", L"C3", L"0x0031");
  EXPECT_FALSE(std::filesystem::exists(path.parent_path()));
}

TEST_F(PortableIniStoreTest, AFolderInPlaceOfTheFileExistsButReadsEmptyAndIsNotReplaced) {
  std::filesystem::create_directory(file());
  auto ini = store();
  EXPECT_TRUE(ini->exists());
  EXPECT_EQ(ini->read(L"KeyBinds", L"C3"), L"");
  ini->write(L"KeyBinds", L"C3", L"0x0031");
  EXPECT_TRUE(std::filesystem::is_directory(file()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(PortableIniStoreTest, WriteThroughALinkChangesTheFileItPointsTo) {
  const auto target = dir_.path() / "settings.ini";
  writeBytes(target, "[KeyBinds]\r\nC3=0x0031\r\n");
  std::error_code error;
  std::filesystem::create_symlink(target, file(), error);
  if (error) GTEST_SKIP() << "no symbolic links here";
  store()->write(L"KeyBinds", L"C3", L"0x0032");
  EXPECT_TRUE(std::filesystem::is_symlink(file()));
  EXPECT_EQ(readBytes(target), "[KeyBinds]\r\nC3=0x0032\r\n");
}

TEST_F(PortableIniStoreTest, NoTemporaryFileIsLeftBehind) {
  auto ini = store();
  loadBindings(*ini);
  BindingTable table;
  assignBinding(table, *ini, 0, 0x0041);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace murvane::test
