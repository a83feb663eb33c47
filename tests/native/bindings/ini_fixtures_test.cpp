#include <gtest/gtest.h>

#include "bindings/binding_table.h"
#include "bindings/portable_ini_store.h"
#include "tests/native/bindings/ini_test_files.h"

namespace murvane {
namespace {

// The same files are loaded through the Windows services in the Wine tests
// and must give these same entries there.
TEST(IniFixtures, PortableStoreGivesTheExpectedFortyEntries) {
  const std::filesystem::path folder = MURVANE_INI_FIXTURES;
  std::vector<test::IniFixture> fixtures;
  std::string error;
  ASSERT_TRUE(test::readIniFixtures(folder, fixtures, error)) << error;
  test::TempFolder dir;
  for (const test::IniFixture& fixture : fixtures) {
    SCOPED_TRACE(fixture.fileName);
    const std::string original = test::readBytes(folder / fixture.fileName);
    ASSERT_FALSE(original.empty() && fixture.fileName != "empty.ini");
    const auto copy = dir.path() / fixture.fileName;
    test::writeBytes(copy, original);
    auto store = makePortableIniStore(copy);
    const auto table = loadBindings(*store);
    for (std::size_t i = 0; i < table->keys.size(); ++i) {
      EXPECT_EQ(table->keys[i], fixture.entries[i]) << bindingIniKey(static_cast<int>(i)).data();
    }
    EXPECT_EQ(test::readBytes(copy), original) << "a load never writes";
  }
}

}  // namespace
}  // namespace murvane
