#include "app/target_integrity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace murvane {
namespace {

constexpr std::uint32_t kLow = 0x1000;
constexpr std::uint32_t kMedium = 0x2000;
constexpr std::uint32_t kMediumPlus = 0x2100;
constexpr std::uint32_t kHigh = 0x3000;
constexpr std::uint32_t kSystem = 0x4000;
constexpr std::optional<std::uint32_t> kUnreadable;

struct DecisionCase {
  const char* name;
  IntegrityReading reading;
  bool blocked;
};

class KeysBlockedTest : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(KeysBlockedTest, DecidesFromTheTwoLevels) {
  EXPECT_EQ(keysBlockedByIntegrity(GetParam().reading), GetParam().blocked);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, KeysBlockedTest,
    ::testing::Values(
        // Above us: the system drops our input.
        DecisionCase{"MediumUnderHigh", {kMedium, true, kHigh}, true},
        DecisionCase{"MediumUnderMediumPlus", {kMedium, true, kMediumPlus}, true},
        DecisionCase{"LowUnderMedium", {kLow, true, kMedium}, true},
        DecisionCase{"HighUnderSystem", {kHigh, true, kSystem}, true},
        // At or below us: it arrives.
        DecisionCase{"MediumIntoMedium", {kMedium, true, kMedium}, false},
        DecisionCase{"HighIntoHigh", {kHigh, true, kHigh}, false},
        DecisionCase{"HighIntoMedium", {kHigh, true, kMedium}, false},
        DecisionCase{"MediumIntoLow", {kMedium, true, kLow}, false},
        // A target we may not query: from below high, an elevated one.
        DecisionCase{"MediumUnderUnreadable", {kMedium, true, kUnreadable}, true},
        DecisionCase{"MediumPlusUnderUnreadable", {kMediumPlus, true, kUnreadable}, true},
        DecisionCase{"LowUnderUnreadable", {kLow, true, kUnreadable}, true},
        DecisionCase{"HighOverUnreadable", {kHigh, true, kUnreadable}, false},
        DecisionCase{"SystemOverUnreadable", {kSystem, true, kUnreadable}, false},
        // Nothing to say without our own level or without a window in front.
        DecisionCase{"OwnUnreadable", {kUnreadable, true, kHigh}, false},
        DecisionCase{"OwnAndTargetUnreadable", {kUnreadable, true, kUnreadable}, false},
        DecisionCase{"NoForegroundWindow", {kMedium, false, kUnreadable}, false}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace murvane
