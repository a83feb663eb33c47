#include <gtest/gtest.h>

#include <bitset>
#include <cmath>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bindings/built_in_layouts.h"
#include "playback/plan.h"
#include "tests/support/player_fixture.h"

namespace murvane::test {
namespace {

constexpr std::uint16_t kDivision = 500;  // at the default tempo one tick is one millisecond

// Notes of 60-71, none overlapping one of its own key, so that the song
// itself alternates every key.
Bytes randomSong(std::mt19937& random) {
  const auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  std::multimap<std::uint32_t, std::pair<bool, std::uint8_t>> edges;  // at: down, key
  for (std::uint8_t key = 60; key < 72; ++key) {
    for (std::uint32_t at = below(1500); at < 3000 && below(3) != 0; at += below(300) + 1) {
      edges.emplace(at, std::pair{true, key});
      edges.emplace(at += below(500) + 1, std::pair{false, key});
    }
  }
  TrackBytes track;
  std::uint32_t last = 0;
  for (const auto& [at, edge] : edges) {
    edge.first ? track.noteOn(at - last, edge.second) : track.noteOff(at - last, edge.second);
    last = at;
  }
  return smfImage(kDivision, {track});
}

enum class Op { kPause, kResume, kSeek, kSpeed };
struct Control {
  std::uint64_t at;     // ms of the clock since the start
  Op op;
  std::uint64_t value;  // the seek's position or the speed
};
struct Expected {
  double at;
  std::string what;
};

// What the controls should make of the plan, in real numbers: the song's
// position moves at speed/startSpeed of the clock while not paused.
class Model {
 public:
  Model(const PlaybackPlan& plan, int startSpeed) : plan_(plan), base_(startSpeed), speed_(startSpeed) {}

  // Moves a control off the due times near it, where which comes first is the timer's to decide.
  std::uint64_t clear(std::uint64_t at) const {
    for (std::size_t i = next_; !ended_ && !paused_ && i <= changes().size(); ++i) {
      const double due = dueAt(i < changes().size() ? changes()[i].atMillis : plan_.endMillis);
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
      case Op::kSpeed:
        speed_ = static_cast<double>(control.value);
        return;
      case Op::kPause:
        if (!paused_) add(at, "all off");
        paused_ = true;
        return;
      case Op::kResume:
        if (paused_) press(at);
        paused_ = false;
        return;
      case Op::kSeek:
        break;
    }
    add(at, "all off");
    if (control.value >= plan_.endMillis) return end(at);
    sounding_.reset();
    for (next_ = 0; next_ < changes().size() && changes()[next_].atMillis <= control.value; ++next_) {
      sounding_[changes()[next_].key] = changes()[next_].down;
    }
    position_ = static_cast<double>(control.value);
    if (!paused_) press(at);
  }

  std::vector<Expected> finish() {
    runTo(1e12);
    return expected_;
  }

 private:
  const std::vector<KeyChange>& changes() const { return plan_.keys.changes; }
  double dueAt(std::uint64_t song) const {
    return wall_ + std::max(0.0, static_cast<double>(song) - position_) * base_ / speed_;
  }
  void runTo(double at) {
    if (ended_ || paused_) {
      wall_ = at;
      return;
    }
    for (; next_ < changes().size() && dueAt(changes()[next_].atMillis) <= at; ++next_) {
      const KeyChange& change = changes()[next_];
      sounding_[change.key] = change.down;
      add(dueAt(change.atMillis), (change.down ? "on " : "off ") + std::to_string(change.key));
    }
    if (next_ == changes().size() && dueAt(plan_.endMillis) <= at) return end(dueAt(plan_.endMillis));
    position_ += (at - wall_) * speed_ / base_;
    wall_ = at;
  }
  void press(double at) {
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

  const PlaybackPlan& plan_;
  std::vector<Expected> expected_;
  std::bitset<128> sounding_;
  std::size_t next_ = 0;
  double position_ = 0, wall_ = 0, base_, speed_;
  bool paused_ = false, ended_ = false;
};

class PlayerControlTest : public PlayerFixture {
 protected:
  // The song played with the controls at their times, its lines timed from
  // the start; `expected` what the model makes of them.
  Lines playWith(const Bytes& song, const PlayOptions& options, std::vector<Control> controls,
                 std::vector<Expected>& expected) {
    SmfFile file;
    EXPECT_EQ(file.load(Bytes(song)), LoadResult::kOk);
    const PlaybackPlan plan = planPlayback(file, options);
    Model model(plan, options.speed);
    EXPECT_EQ(player->loadFile(Bytes(song)), LoadResult::kOk);
    time.awaitBlocked();
    player->setOptions(options);
    time.setAutoAdvance(false);
    start_ = time.sinceOrigin();
    EXPECT_TRUE(player->start(synth));
    controls.push_back({controls.back().at, Op::kResume, 0});
    for (Control& control : controls) {
      control.at = model.clear(control.at);
      model.apply(control);
      runTo(start_ + control.at);
      if (control.op == Op::kPause) player->pause();
      if (control.op == Op::kResume) player->resume();
      if (control.op == Op::kSeek) player->seek(control.value);
      if (control.op == Op::kSpeed) player->setSpeed(static_cast<int>(control.value));
    }
    time.setAutoAdvance(true);
    time.awaitBlocked();
    expected = model.finish();
    return fromStart();
  }

  Lines fromStart() {
    Lines lines = log.take();
    for (std::string& line : lines) line = std::to_string(std::stoull(line) - start_) + line.substr(line.find(' '));
    return lines;
  }

  // Each key alternates and nothing is down after "all off" or "close"; the
  // lines are the model's, each within the timer's floor of its due time.
  static void expectModel(Lines lines, const std::vector<Expected>& expected) {
    ASSERT_EQ(lines.front().substr(lines.front().find(' ')), " open");
    lines.erase(lines.begin());
    std::bitset<128> down;
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string what = lines[i].substr(lines[i].find(' ') + 1);
      if (what == "all off" || what == "close") down.reset();
      const bool on = what.rfind("on ", 0) == 0;
      if (on || what.rfind("off ", 0) == 0) {
        const std::size_t key = std::stoul(what.substr(on ? 3 : 4));
        EXPECT_NE(down[key], on) << lines[i];
        down[key] = on;
      }
      EXPECT_EQ(what, expected[i].what) << "line " << i;
      EXPECT_NEAR(std::stod(lines[i]), expected[i].at, 1.0) << lines[i];
    }
    EXPECT_TRUE(down.none());
  }

  std::uint64_t start_ = 0;
};

TEST_F(PlayerControlTest, ControlsInAnyOrderOverRandomSongsKeepTheModelsKeysAndDueTimes) {
  PlayOptions planned;
  planned.foldOctaves = true;  // moves none of these notes, but plans them
  PlayOptions faster;
  faster.speed = 150;
  const std::vector<std::pair<PlayOptions, int>> cases = {{{}, 25}, {planned, 15}, {faster, 15}};  // songs of each
  std::mt19937 random(32);
  for (const auto& [options, songs] : cases) {
    for (int i = 0; i < songs; ++i) {
      SCOPED_TRACE("speed " + std::to_string(options.speed) + ", song " + std::to_string(i));
      std::vector<Control> controls;
      for (std::uint64_t at = random() % 600 + 1; controls.size() < 12; at += random() % 600 + 1) {
        const auto op = static_cast<Op>(random() % 4);
        controls.push_back({at, op, op == Op::kSeek ? random() % 3400 : op == Op::kSpeed ? random() % 376 + 25 : 0});
      }
      std::vector<Expected> expected;
      const Lines lines = playWith(randomSong(random), options, controls, expected);
      expectModel(lines, expected);
    }
  }
}

TEST_F(PlayerControlTest, AThousandPausesAndResumesAddNoDrift) {
  std::mt19937 random(1000);
  std::vector<Control> controls;
  for (std::uint64_t at = 1; controls.size() < 1000; at += random() % 7 + 1) {
    controls.push_back({at, controls.size() % 2 == 0 ? Op::kPause : Op::kResume, 0});
  }
  std::vector<Expected> expected;
  const Lines lines = playWith(randomSong(random), {}, controls, expected);
  expectModel(lines, expected);
}

// Scripts of controls at times of the clock, each action before the worker
// moves on: the two pauses hold apart (the keys go out again only when
// neither holds); a seek presses the sustain key with the notes sounding
// there, before the start is the start and past the end ends the song; a
// looping song starts again a second after its end, until stopped.
TEST_F(PlayerControlTest, ScriptedControlsPlayAsTheyShould) {
  using Script = std::vector<std::pair<std::uint64_t, std::function<void(Player&, ScriptedGate&)>>>;
  const auto away = [](Player& p, ScriptedGate& g) {
    g.set(TargetPresence::kAway);
    p.followTarget();
  };
  const auto back = [](Player& p, ScriptedGate& g) {
    g.set(TargetPresence::kInFront);
    p.followTarget();
  };
  const auto pause = [](Player& p, ScriptedGate&) { p.pause(); };
  const auto resume = [](Player& p, ScriptedGate&) { p.resume(); };
  const auto by = [](std::int64_t delta) { return [delta](Player& p, ScriptedGate&) { p.seekBy(delta); }; };
  const auto stop = [](Player& p, ScriptedGate&) { p.stop(); };
  PlayOptions piano;
  piano.layout = L"piano61";
  PlayOptions loop;
  loop.loop = true;
  struct Case {
    TrackBytes song;
    PlayOptions options;
    Script script;
    Lines lines;
  };
  const Case cases[] = {
      {TrackBytes().noteOn(0, 60).noteOff(1000, 60), {}, {{100, pause}, {100, away}, {100, resume}, {200, pause},
       {200, back}, {300, resume}},
       {"0 open", "0 on 60", "100 all off", "300 on 60", "1200 off 60", "1200 close", "1200 ended"}},
      {TrackBytes().event(0, {0xB0, 64, 127}).noteOn(0, 61).noteOff(1000, 61).event(0, {0xB0, 64, 0}), piano,
       {{100, [](Player& p, ScriptedGate&) { p.seek(600); }}, {200, by(-5000)}, {300, by(5000)}},
       {"0 open", "0 hold sustain down", "0 on 61", "100 all off", "100 hold sustain down", "100 on 61", "200 all off",
        "200 hold sustain down", "200 on 61", "300 all off", "300 close", "300 ended"}},
      {TrackBytes().noteOn(0, 60).noteOff(500, 60).noteOn(0, 62).noteOff(500, 62), loop, {{2500, stop}},
       {"0 open", "0 on 60", "500 off 60", "500 on 62", "1000 off 62", "1000 all off", "2000 on 60", "2500 off 60",
        "2500 on 62", "2500 close", "2500 ended"}},
  };
  const KeyLayout layout = builtInLayout(L"piano61").value();
  for (const Case& c : cases) {
    ScriptedGate gate;
    load({c.song}, kDivision);
    player->setOptions(c.options, c.options.layout.empty() ? nullptr : &layout);
    time.setAutoAdvance(false);
    start_ = time.sinceOrigin();
    ASSERT_TRUE(player->start(synth, &gate));
    for (const auto& [at, action] : c.script) {
      runTo(start_ + at);
      action(*player, gate);
    }
    time.setAutoAdvance(true);
    time.awaitBlocked();
    EXPECT_EQ(fromStart(), c.lines);
    // The one that loops is stopped; the others end at the song's end, one
    // of them by a seek past it: the queue moves on only after those.
    EXPECT_EQ(player->reachedEnd(), !c.options.loop);
  }
}

}  // namespace
}  // namespace murvane::test
