#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "playback/clock_win32.h"
#include "playback/player_win32.h"
#include "playback/load_song.h"
#include "tests/support/synthesizer_double.h"
#include "tests/win32/support/wait_timer_doubles.h"

namespace murvane {
namespace {

using test::RecordingSynthesizer;

// One note: on at once, off after `offTicks` at 480 ticks per half second.
std::filesystem::path writeSong(const char* name, std::uint8_t offTicksHigh, std::uint8_t offTicksLow) {
  const std::uint8_t bytes[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xE0,
                                'M', 'T', 'r', 'k', 0, 0, 0, 9,
                                0x00, 0x90, 60, 100,
                                static_cast<std::uint8_t>(0x80 | offTicksHigh), offTicksLow, 0x80, 60, 0};
  const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  return path;
}

class Win32PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                              nullptr);
    ASSERT_NE(window_, nullptr);
    player_ = makeWin32Player(window_);
  }
  void TearDown() override {
    player_.reset();
    DestroyWindow(window_);
  }

  // The next WM_APP for our window; false if none comes within a generous
  // limit that only guards against a hang.
  bool awaitPlaybackEnded(MSG& message) {
    const ULONGLONG giveUp = GetTickCount64() + 20000;
    while (GetTickCount64() < giveUp) {
      if (PeekMessageW(&message, window_, WM_APP, WM_APP, PM_REMOVE)) return true;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_POSTMESSAGE);
    }
    return false;
  }

  HWND window_ = nullptr;
  std::unique_ptr<Player> player_;
  NoteCounts counts_;
  RecordingSynthesizer synth_;
};

TEST_F(Win32PlayerTest, TheEndOfTheFileIsPostedToTheOwnerAsWmAppAfterTheOutputIsClosed) {
  const std::filesystem::path song = writeSong("murvane_player_end.mid", 0, 48);  // 50 ms
  ASSERT_EQ(loadSong(*player_, *makePlatformFileReader(), song, counts_), LoadResult::kOk);
  ASSERT_TRUE(player_->start(synth_));
  MSG message{};
  ASSERT_TRUE(awaitPlaybackEnded(message));
  EXPECT_EQ(message.message, static_cast<UINT>(0x8000));
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_EQ(message.lParam, 0);
  EXPECT_FALSE(player_->playing());
  EXPECT_EQ(synth_.calls(), (std::vector<std::string>{"open", "on 60", "off 60", "close"}));
  std::filesystem::remove(song);
}

TEST_F(Win32PlayerTest, StopDuringALongRestIsPostedWithoutSendingTheWaitingNote) {
  const std::filesystem::path song = writeSong("murvane_player_stop.mid", 0x4B, 0x00);  // 9600 ticks: 10 s
  ASSERT_EQ(loadSong(*player_, *makePlatformFileReader(), song, counts_), LoadResult::kOk);
  ASSERT_TRUE(player_->start(synth_));
  while (synth_.calls().size() < 2) Sleep(1);
  player_->stop();
  MSG message{};
  ASSERT_TRUE(awaitPlaybackEnded(message));
  EXPECT_EQ(synth_.calls(), (std::vector<std::string>{"open", "on 60", "close"}));
  std::filesystem::remove(song);
}

class Win32PlayerOnFallbackTest : public Win32PlayerTest {
 protected:
  void SetUp() override {
    Win32PlayerTest::SetUp();
    player_ = makeWin32Player(window_, timers_);
  }

  testing::RecordingWaitTimer timers_{true};
};

TEST_F(Win32PlayerOnFallbackTest, HoldsTheFineResolutionWhilePlayingAndGivesItUpOnceEnded) {
  const std::filesystem::path song = writeSong("murvane_player_fallback.mid", 0, 48);  // 50 ms
  ASSERT_EQ(loadSong(*player_, *makePlatformFileReader(), song, counts_), LoadResult::kOk);
  ASSERT_TRUE(player_->start(synth_));
  MSG message{};
  ASSERT_TRUE(awaitPlaybackEnded(message));
  EXPECT_EQ(synth_.calls(), (std::vector<std::string>{"open", "on 60", "off 60", "close"}));
  // The worker gives the resolution up when it next waits without limit,
  // just after it has posted the end.
  const std::vector<std::string> expected{"create timer", "begin 1 ms", "honour while hidden", "system manages",
                                          "end 1 ms"};
  for (int tries = 0; tries < 2000 && timers_.calls() != expected; ++tries) Sleep(1);
  EXPECT_EQ(timers_.calls(), expected);
  std::filesystem::remove(song);
}

TEST(Win32Clock, AdvancesInSmallSteps) {
  std::unique_ptr<Clock> clock = makeWin32Clock();
  std::vector<std::uint32_t> steps;
  std::uint32_t last = clock->nowMillis();
  while (steps.size() < 50) {
    const std::uint32_t now = clock->nowMillis();
    if (now != last) steps.push_back(now - last);
    last = now;
  }
  std::sort(steps.begin(), steps.end());
  EXPECT_EQ(steps.front(), 1u);
  // A step of 10 or more in the middle would be a coarse tick count; the
  // largest steps may come from this thread being descheduled.
  EXPECT_LE(steps[steps.size() / 2], 2u);
  EXPECT_LT(steps.back(), 0x80000000u) << "the clock went backwards";
}

}  // namespace
}  // namespace murvane
