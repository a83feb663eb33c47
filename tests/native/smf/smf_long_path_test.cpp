#include "smf/smf_long_path.h"

#include <gtest/gtest.h>

#include <string>

namespace murvane {
namespace {

struct PathCase {
  const char* name;
  const wchar_t* given;
  const wchar_t* expected;
};

class LongPath : public testing::TestWithParam<PathCase> {};

TEST_P(LongPath, FullPathsTakeTheFormOfAnyLengthOthersStayAsTheyAre) {
  EXPECT_EQ(extendedLengthPath(GetParam().given), std::wstring(GetParam().expected));
}

std::string nameOfCase(const testing::TestParamInfo<PathCase>& given) { return given.param.name; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Paths, LongPath, testing::Values(
    PathCase{"DrivePath", L"C:\\Music\\song.mid", L"\\\\?\\C:\\Music\\song.mid"},
    PathCase{"LowerCaseDrive", L"z:\\song.mid", L"\\\\?\\z:\\song.mid"},
    PathCase{"DriveRoot", L"C:\\", L"\\\\?\\C:\\"},
    PathCase{"ForwardSlashesBecomeBackslashes", L"C:/Music/song.mid", L"\\\\?\\C:\\Music\\song.mid"},
    PathCase{"NetworkPath", L"\\\\server\\share\\song.mid", L"\\\\?\\UNC\\server\\share\\song.mid"},
    PathCase{"NetworkPathWithForwardSlashes", L"//server/share/song.mid", L"\\\\?\\UNC\\server\\share\\song.mid"},
    PathCase{"AlreadyExtended", L"\\\\?\\C:\\Music\\song.mid", L"\\\\?\\C:\\Music\\song.mid"},
    PathCase{"AlreadyExtendedNetworkPath", L"\\\\?\\UNC\\server\\share\\a.mid", L"\\\\?\\UNC\\server\\share\\a.mid"},
    PathCase{"DevicePath", L"\\\\.\\CON", L"\\\\.\\CON"},
    PathCase{"Relative", L"Music\\song.mid", L"Music\\song.mid"},
    PathCase{"RelativeToTheCurrentFolder", L".\\song.mid", L".\\song.mid"},
    PathCase{"JustAName", L"song.mid", L"song.mid"},
    PathCase{"RelativeToADrive", L"C:song.mid", L"C:song.mid"},
    PathCase{"FromTheRootOfTheCurrentDrive", L"\\Music\\song.mid", L"\\Music\\song.mid"},
    PathCase{"DotPart", L"C:\\Music\\.\\song.mid", L"C:\\Music\\.\\song.mid"},
    PathCase{"DotDotPart", L"C:\\Music\\..\\song.mid", L"C:\\Music\\..\\song.mid"},
    PathCase{"EmptyPart", L"C:\\Music\\\\song.mid", L"C:\\Music\\\\song.mid"},
    PathCase{"NetworkPathWithoutServer", L"\\\\\\share\\song.mid", L"\\\\\\share\\song.mid"},
    PathCase{"NamesWithDotsAreNames", L"C:\\a.b\\...x\\song..mid", L"\\\\?\\C:\\a.b\\...x\\song..mid"},
    PathCase{"Empty", L"", L""}),
    nameOfCase);
// clang-format on

TEST(LongPath, APathOfAnyLengthIsExtended) {
  std::wstring path = L"C:";
  for (int i = 0; i < 40; ++i) path += L"\\folder-with-a-long-name-" + std::to_wstring(i);
  path += L"\\song.mid";
  ASSERT_GT(path.size(), 1000u);
  EXPECT_EQ(extendedLengthPath(path), L"\\\\?\\" + path);
}

}  // namespace
}  // namespace murvane
