#include "app/focus_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/foreground_windows_double.h"

namespace murvane::test {
namespace {

constexpr WindowId kGame = 1;
constexpr WindowId kChat = 2;
constexpr WindowId kMurvane = FakeForegroundWindows::kOurs;

using enum TargetPresence;

struct GuardCase {
  const char* name;
  WindowId inFrontAtStart;
  std::function<void(FakeForegroundWindows&)> then;
  TargetPresence presence;
  WindowId target;
};

class FocusGuardTest : public ::testing::TestWithParam<GuardCase> {};

TEST_P(FocusGuardTest, TheTargetIsTheWindowInFrontAtTheStartAndNeverOneOfOurs) {
  const GuardCase& c = GetParam();
  FakeForegroundWindows windows;
  windows.open(kGame);
  windows.open(kChat);
  windows.open(kMurvane);
  windows.bringToFront(c.inFrontAtStart);
  FocusGuard guard(windows);
  guard.engage();
  c.then(windows);
  EXPECT_EQ(guard.presence(), c.presence);
  EXPECT_EQ(guard.target(), c.target);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FocusGuardTest,
    ::testing::Values(
        GuardCase{"StillInFront", kGame, [](auto&) {}, kInFront, kGame},
        GuardCase{"AnotherInFront", kGame, [](auto& w) { w.bringToFront(kChat); }, kAway, kGame},
        GuardCase{"BackInFront", kGame, [](auto& w) { w.bringToFront(kChat), w.bringToFront(kGame); }, kInFront,
                  kGame},
        GuardCase{"OursInFront", kGame, [](auto& w) { w.bringToFront(kMurvane); }, kAway, kGame},
        GuardCase{"NoneInFront", kGame, [](auto& w) { w.bringToFront(0); }, kAway, kGame},
        GuardCase{"ClosedWhileAway", kGame, [](auto& w) { w.bringToFront(kChat), w.close(kGame); }, kGone, kGame},
        GuardCase{"ClosedInFront", kGame, [](auto& w) { w.close(kGame); }, kGone, kGame},
        // Started from our own window: held until another comes in front,
        // which then stays the target.
        GuardCase{"StartedFromOursStaysHeld", kMurvane, [](auto&) {}, kAway, 0},
        GuardCase{"StartedFromOursTakesTheNextWindow", kMurvane, [](auto& w) { w.bringToFront(kChat); }, kInFront,
                  kChat},
        GuardCase{"StartedWithNoneInFront", 0, [](auto& w) { w.bringToFront(kGame); }, kInFront, kGame}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(FocusGuard, ATargetTakenLaterIsKeptWhenAnotherComesInFront) {
  FakeForegroundWindows windows;
  windows.bringToFront(kMurvane);
  FocusGuard guard(windows);
  guard.engage();
  windows.bringToFront(kGame);
  EXPECT_EQ(guard.presence(), kInFront);
  windows.bringToFront(kChat);
  EXPECT_EQ(guard.presence(), kAway);
  EXPECT_EQ(guard.target(), kGame);
}

}  // namespace
}  // namespace murvane::test
