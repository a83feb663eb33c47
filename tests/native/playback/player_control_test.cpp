#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "playback/plan.h"
#include "smf/smf_file.h"
#include "tests/support/player_fixture.h"

namespace murvane::test {
namespace {

// Division 500 at the default tempo: one tick is one millisecond of the song.
constexpr std::uint16_t kDivision = 500;

// Notes of 60-71 at random, none overlapping a note of its own key, so that
// every key alternates down and up in the song itself.
Bytes randomSong(std::mt19937& random) {
  struct Edge {
    std::uint32_t at;
    bool down;
    std::uint8_t key;
  };
  std::vector<Edge> edges;
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> taken(12);
  const int count = std::uniform_int_distribution<int>(3, 30)(random);
  for (int i = 0; i < count; ++i) {
    const int key = std::uniform_int_distribution<int>(0, 11)(random);
    const std::uint32_t from = std::uniform_int_distribution<std::uint32_t>(0, 3000)(random);
    const std::uint32_t to = from + std::uniform_int_distribution<std::uint32_t>(1, 800)(random);
    auto& mine = taken[static_cast<std::size_t>(key)];
    if (std::any_of(mine.begin(), mine.end(), [&](auto note) { return from <= note.second && to >= note.first; })) continue;
    mine.emplace_back(from, to);
    edges.push_back({from, true, static_cast<std::uint8_t>(60 + key)});
    edges.push_back({to, false, static_cast<std::uint8_t>(60 + key)});
  }
  std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
  TrackBytes track;
  std::uint32_t last = 0;
  for (const Edge& edge : edges) {
    if (edge.down) track.noteOn(edge.at - last, edge.key);
    else track.noteOff(edge.at - last, edge.key);
    last = edge.at;
  }
  return smfImage(kDivision, {track});
}

enum class Op { kPause, kResume, kSeek, kSpeed };
struct Control {
  std::uint64_t at;  // ms of the clock since the start
  Op op;
  std::uint64_t value;  // the seek's position or the speed
};
struct Expected {
  double at;
  std::string what;
};

// The song as the controls should make the player play it, worked out in
// real numbers from the plan (made at the start's speed): the song's
// position moves at speed/startSpeed of the clock while not paused.
class Model {
 public:
  Model(const PlaybackPlan& plan, int startSpeed)
      : changes_(plan.keys.changes), end_(plan.endMillis), base_(startSpeed), speed_(startSpeed) {}

  // Moves a control off the due times near it, where which comes first
  // would be the timer's to decide.
  std::uint64_t clear(std::uint64_t at) const {
    if (ended_ || paused_) return at;
    for (std::size_t i = next_; i <= changes_.size(); ++i) {
      const double due = dueAt(i < changes_.size() ? changes_[i].atMillis : end_);
      if (due > static_cast<double>(at) + 2) break;
      if (std::abs(due - static_cast<double>(at)) <= 2) at = static_cast<std::uint64_t>(due) + 3;
    }
    return at;
  }

  void apply(const Control& control) {
    const auto at = static_cast<double>(control.at);
    runTo(at);
    if (ended_) return;
    switch (control.op) {
      case Op::kPause:
        if (paused_) return;
        paused_ = true;
        add(at, "all off");
        return;
      case Op::kResume:
        if (!paused_) return;
        paused_ = false;
        pressSounding(at);
        return;
      case Op::kSpeed:
        speed_ = static_cast<double>(control.value);
        return;
      case Op::kSeek:
        add(at, "all off");
        if (control.value >= end_) {
          end(at);
          return;
        }
        sounding_.reset();
        next_ = 0;
        for (; next_ < changes_.size() && changes_[next_].atMillis <= control.value; ++next_) {
          sounding_[changes_[next_].key] = changes_[next_].down;
        }
        position_ = static_cast<double>(control.value);
        if (!paused_) pressSounding(at);
        return;
    }
  }

  std::vector<Expected> finish() {
    if (!paused_) runTo(1e12);
    return expected_;
  }

 private:
  double dueAt(std::uint64_t songMillis) const {
    return wall_ + std::max(0.0, static_cast<double>(songMillis) - position_) * base_ / speed_;
  }
  void runTo(double at) {
    if (ended_) return;
    if (!paused_) {
      for (; next_ < changes_.size() && dueAt(changes_[next_].atMillis) <= at; ++next_) {
        const KeyChange& change = changes_[next_];
        sounding_[change.key] = change.down;
        add(dueAt(change.atMillis), (change.down ? "on " : "off ") + std::to_string(change.key));
      }
      if (next_ == changes_.size() && dueAt(end_) <= at) {
        end(dueAt(end_));
        return;
      }
      position_ += (at - wall_) * speed_ / base_;
    }
    wall_ = at;
  }
  void pressSounding(double at) {
    for (std::size_t key = 0; key < 128; ++key) {
      if (sounding_[key]) add(at, "on " + std::to_string(key));
    }
  }
  void end(double at) {
    add(at, "close");
    add(at, "ended");
    ended_ = true;
  }
  void add(double at, std::string what) { expected_.push_back({at, std::move(what)}); }

  const std::vector<KeyChange>& changes_;
  std::uint64_t end_;
  std::vector<Expected> expected_;
  std::bitset<128> sounding_;
  std::size_t next_ = 0;
  double position_ = 0;
  double wall_ = 0;
  double base_;
  double speed_;
  bool paused_ = false;
  bool ended_ = false;
};

std::vector<Control> randomControls(std::mt19937& random, int count, std::uint64_t songEnd) {
  std::vector<Control> controls;
  std::uint64_t at = 0;
  for (int i = 0; i < count; ++i) {
    at += std::uniform_int_distribution<std::uint64_t>(1, 600)(random);
    const auto op = static_cast<Op>(std::uniform_int_distribution<int>(0, 3)(random));
    std::uint64_t value = 0;
    if (op == Op::kSeek) value = std::uniform_int_distribution<std::uint64_t>(0, songEnd + songEnd / 20)(random);
    if (op == Op::kSpeed) value = std::uniform_int_distribution<std::uint64_t>(25, 400)(random);
    controls.push_back({at, op, value});
  }
  return controls;
}

// Every key goes down only while up and up only while down, and nothing is
// down after "all off" or "close".
void expectKeysAlternate(const Lines& lines) {
  std::bitset<128> down;
  for (const std::string& line : lines) {
    const std::string what = line.substr(line.find(' ') + 1);
    if (what == "all off" || what == "close") down.reset();
    if (what.rfind("on ", 0) == 0) {
      const auto key = std::stoul(what.substr(3));
      EXPECT_FALSE(down[key]) << line;
      down.set(key);
    }
    if (what.rfind("off ", 0) == 0) {
      const auto key = std::stoul(what.substr(4));
      EXPECT_TRUE(down[key]) << line;
      down.reset(key);
    }
  }
  EXPECT_TRUE(down.none()) << "left down at the end";
}

class PlayerControlTest : public PlayerFixture {
 protected:
  // Plays the song with the controls, each at its time on the clock.
  Lines playWith(const Bytes& song, const PlayOptions& options, std::vector<Control>& controls,
                 std::vector<Expected>& expected) {
    SmfFile file;
    EXPECT_EQ(file.load(Bytes(song)), LoadResult::kOk);
    const PlaybackPlan plan = planPlayback(file, options);
    Model model(plan, options.speed);
    EXPECT_TRUE(player->loadFile(Bytes(song)) == LoadResult::kOk);
    time.awaitBlocked();
    player->setOptions(options);
    time.setAutoAdvance(false);
    const std::uint64_t start = time.sinceOrigin();
    log.take();
    EXPECT_TRUE(player->start(synth));
    for (Control& control : controls) {
      control.at = model.clear(control.at);
      model.apply(control);
      runTo(start + control.at);
      switch (control.op) {
        case Op::kPause: player->pause(); break;
        case Op::kResume: player->resume(); break;
        case Op::kSeek: player->seek(control.value); break;
        case Op::kSpeed: player->setSpeed(static_cast<int>(control.value)); break;
      }
    }
    player->resume();
    model.apply({controls.empty() ? 0 : controls.back().at, Op::kResume, 0});
    time.setAutoAdvance(true);
    time.awaitBlocked();
    expected = model.finish();
    Lines lines = log.take();
    lines.erase(lines.begin());  // "open"
    for (std::string& line : lines) {
      line = std::to_string(std::stoull(line) - start) + line.substr(line.find(' '));
    }
    return lines;
  }

  void expectModel(const Lines& lines, const std::vector<Expected>& expected) {
    expectKeysAlternate(lines);
    std::string both;
    for (const std::string& line : lines) both += line + "\n";
    for (const Expected& e : expected) both += std::to_string(e.at) + " " + e.what + "\n";
    ASSERT_EQ(lines.size(), expected.size()) << both;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const double at = std::stod(lines[i]);
      EXPECT_EQ(lines[i].substr(lines[i].find(' ') + 1), expected[i].what) << "line " << i;
      // Within the timer's floor: a due time is met in the millisecond that reaches it.
      EXPECT_NEAR(at, expected[i].at, 1.0) << lines[i];
    }
  }
};

TEST_F(PlayerControlTest, RandomControlsOverRandomSongsKeepTheModelsKeysAndDueTimes) {
  struct Case {
    const char* name;
    int songs;
    int controls;
    PlayOptions options;
  };
  PlayOptions planned;
  planned.foldOctaves = true;  // moves none of these notes, but plans them
  PlayOptions faster;
  faster.speed = 150;
  const std::vector<Case> cases = {
      {"as read", 25, 12, PlayOptions{}},
      {"planned", 15, 12, planned},
      {"started at 150%", 15, 12, faster},
  };
  std::mt19937 random(32);
  for (const Case& c : cases) {
    for (int i = 0; i < c.songs; ++i) {
      SCOPED_TRACE(std::string(c.name) + ", song " + std::to_string(i));
      const Bytes song = randomSong(random);
      std::vector<Control> controls = randomControls(random, c.controls, 3800 * 100 / c.options.speed);
      std::vector<Expected> expected;
      const Lines lines = playWith(song, c.options, controls, expected);
      expectModel(lines, expected);
    }
  }
}

TEST_F(PlayerControlTest, AThousandPausesAndResumesAddNoDrift) {
  std::mt19937 random(1000);
  const Bytes song = randomSong(random);
  std::vector<Control> controls;
  std::uint64_t at = 0;
  for (int i = 0; i < 1000; ++i) {
    at += std::uniform_int_distribution<std::uint64_t>(1, 7)(random);
    controls.push_back({at, i % 2 == 0 ? Op::kPause : Op::kResume, 0});
  }
  std::vector<Expected> expected;
  const Lines lines = playWith(song, PlayOptions{}, controls, expected);
  expectModel(lines, expected);
}

}  // namespace
}  // namespace murvane::test

namespace murvane::test {
namespace {

const TrackBytes kShortSong = TrackBytes().noteOn(0, 60).noteOff(500, 60).noteOn(0, 62).noteOff(500, 62);

Lines timedFrom(Lines lines, std::uint64_t start) {
  for (std::string& line : lines) line = std::to_string(std::stoull(line) - start) + line.substr(line.find(' '));
  return lines;
}

// Neither pause undoes the other: the keys go out again when neither holds.
TEST_F(PlayerFixture, TheUsersPauseAndTheFocusGuardsHoldApart) {
  ScriptedGate gate;
  load({kShortSong}, kDivision);
  time.setAutoAdvance(false);
  const std::uint64_t start = time.sinceOrigin();
  ASSERT_TRUE(player->start(synth, &gate));
  runTo(start + 100);
  player->pause();
  gate.set(TargetPresence::kAway);
  player->followTarget();
  player->resume();
  EXPECT_TRUE(player->paused()) << "the window in front still holds it";
  EXPECT_FALSE(player->pausedByUser());
  runTo(start + 200);
  player->pause();
  gate.set(TargetPresence::kInFront);
  player->followTarget();
  EXPECT_TRUE(player->paused()) << "the user's pause still holds it";
  runTo(start + 300);
  time.setAutoAdvance(true);
  player->resume();
  time.awaitBlocked();
  EXPECT_EQ(timedFrom(log.take(), start), (Lines{"0 open", "0 on 60", "100 all off", "300 on 60", "700 off 60",
                                                 "700 on 62", "1200 off 62", "1200 close", "1200 ended"}));
}

// The sustain key goes down again with the notes sounding where the song
// goes on; before the start is the start; past the end ends it.
TEST_F(PlayerFixture, ASeekPressesTheSustainKeyAndTheNotesSoundingThere) {
  const KeyLayout piano = builtInLayout(L"piano61").value();
  load({TrackBytes().event(0, {0xB0, 64, 127}).noteOn(0, 61).noteOff(1000, 61).event(0, {0xB0, 64, 0}).noteOn(0, 62)
            .noteOff(500, 62)},
       kDivision);
  PlayOptions options;
  options.layout = L"piano61";
  player->setOptions(options, &piano);
  time.setAutoAdvance(false);
  const std::uint64_t start = time.sinceOrigin();
  ASSERT_TRUE(player->start(synth));
  runTo(start + 100);
  player->seek(600);
  runTo(start + 200);
  player->seekBy(-5000);
  runTo(start + 300);
  player->seekBy(5000);
  time.awaitBlocked();
  EXPECT_EQ(timedFrom(log.take(), start),
            (Lines{"0 open", "0 hold sustain down", "0 on 61", "100 all off", "100 hold sustain down", "100 on 61",
                   "200 all off", "200 hold sustain down", "200 on 61", "300 all off", "300 close", "300 ended"}));
}

TEST_F(PlayerFixture, ALoopingSongStartsAgainASecondAfterItsEndUntilStopped) {
  load({kShortSong}, kDivision);
  PlayOptions options;
  options.loop = true;
  player->setOptions(options);
  time.setAutoAdvance(false);
  const std::uint64_t start = time.sinceOrigin();
  ASSERT_TRUE(player->start(synth));
  runTo(start + 2500);
  player->stop();
  time.awaitBlocked();
  EXPECT_EQ(timedFrom(log.take(), start),
            (Lines{"0 open", "0 on 60", "500 off 60", "500 on 62", "1000 off 62", "1000 all off", "2000 on 60",
                   "2500 off 60", "2500 on 62", "2500 close", "2500 ended"}));
}

}  // namespace
}  // namespace murvane::test
