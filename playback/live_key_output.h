#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "bindings/key_layout.h"
#include "keyplan/game_fit.h"
#include "keyplan/key_plan.h"
#include "options/play_options.h"
#include "keyplan/repress_gap.h"
#include "output/synthesizer.h"
#include "playback/clock.h"
#include "playback/target_gate.h"
#include "playback/wake_event.h"

namespace murvane {

// What live MIDI input plays into: the notes transposed and folded as the
// options say, then into the keyboard, with the re-press gap between the key
// events of each key. Key events held back for the gap are sent at their time
// by a thread of this object's own, since nobody else is awake then: the
// player's worker sleeps while MIDI input is open.
//
// Notes come from the MIDI input thread, the held events from ours, stop and
// close from the GUI thread: one lock of ours serialises them, and every call
// into the keyboard runs under it, so a held event can never follow a release
// of everything.
//
// With the default options every call goes straight through to the target;
// otherwise notes of one key in one millisecond are one press, at gap 0 too.
// What our thread sends it flushes itself, one batch per due time.
class LiveKeyOutput final : public Synthesizer {
 public:
  // We don't own the target or the clock; both must outlive this object. A
  // null wake event (the platform could not make one) leaves no thread, and
  // the gap then counts as 0.
  LiveKeyOutput(Synthesizer& target, Clock& clock, std::unique_ptr<WakeEvent> wake);
  // Ends our thread; what the target holds is its owner's to release.
  ~LiveKeyOutput() override;

  LiveKeyOutput(const LiveKeyOutput&) = delete;
  LiveKeyOutput& operator=(const LiveKeyOutput&) = delete;

  // Transpose, FoldOctaves, RepressGap, PressLength and MaxKeys apply from
  // the next note on; Channels, Speed and ChordSpread (which needs to know
  // the notes ahead) mean nothing to live input. Forgets what is held back.
  // A layout (copied; null: the key configuration's) folds into its range,
  // types only its notes, and makes the notes of one physical key one key.
  void setOptions(const PlayOptions& options, const KeyLayout* layout = nullptr);
  // With a gate (we don't own it; it must outlive its use here) a note types
  // only while the gate says the target is in front, and every key goes up
  // when it leaves; nothing is pressed again when it comes back, as a live
  // note cannot be told apart from one struck while away. None: always.
  void setTargetGate(TargetGate* gate);
  // Releases every key at once if the target has left: for the thread that
  // hears of a new window in front, before any note would find out.
  void followTarget();
  bool paused() const { return paused_.load(); }

  bool open() override;
  // Both release every key at once and drop what the gap held back.
  void close() override;
  void allNotesOff() override;
  void noteOn(std::uint8_t note) override;
  void noteOff(std::uint8_t note) override;
  void flush() override;

 private:
  void run();
  // Under the lock: milliseconds since our first reading, widened from the
  // 32-bit clock (we read it at least once per wait, which is shorter than its wrap).
  std::uint64_t nowMillis();
  void sendDue(std::uint64_t now);
  std::uint64_t nextDue() const { return std::min(gaps_.nextDue(), fit_.nextDue()); }
  void play(std::uint8_t note, bool down);
  void send(const KeyChange& change);
  // False, with every key released on leaving, while the target is not in front.
  bool targetInFront();

  Synthesizer& target_;
  Clock& clock_;
  std::unique_ptr<WakeEvent> wake_;

  std::mutex mutex_;  // guards everything below
  PlayOptions options_;
  bool straight_ = true;  // every live option at its default: nothing to map or space
  RepressGap gaps_;  // by physical key
  LiveKeyFit fit_;   // by physical key, as the keys go out after the gap
  std::optional<KeyLayout> layout_;
  PhysicalKeys physical_ = oneKeyPerNote();
  std::array<std::uint8_t, 128> struck_{};  // by physical key: the note whose press it sends
  std::uint64_t millis_ = 0;
  std::uint32_t lastReading_ = 0;
  bool quit_ = false;
  TargetGate* gate_ = nullptr;
  std::atomic<bool> paused_{false};  // the target was not in front when last asked

  std::thread sender_;  // from the first gap or press length above 0 until destruction
};

}  // namespace murvane
