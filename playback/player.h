#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "bindings/key_layout.h"
#include "options/play_options.h"
#include "output/synthesizer.h"
#include "playback/clock.h"
#include "playback/notifier.h"
#include "playback/plan.h"
#include "playback/target_gate.h"
#include "playback/wake_event.h"
#include "smf/smf_file.h"
#include "smf/smf_load_result.h"

namespace murvane {

// Plays a song in real time into a Synthesizer, on a worker thread of its
// own that starts with the object.
//
// A song is played from its plan (PlaybackPlan): the key events the file
// makes with the options, made when the file is loaded and made again at a
// start only when the options have changed since, so a start never waits
// for a long file to be read. With every option at its default the plan is
// the file's note events as they come.
//
// The worker waits outside the lock until the next key event is due, looks
// at `quit` and `playing` again, and only then sends it; so a stop or a
// restart during a wait drops the waiting event. Every call into the output
// runs under the one lock, on whichever thread makes it.
//
// The key events of one due millisecond are handed to the output together
// and then flushed, before the worker waits and before any of a later
// millisecond, so a keyboard can send a chord in one input call.
//
// A playback can pause: every key goes up at once and the song's clock
// stops. Resuming presses again the keys that were down, then goes on with
// every later due time moved by exactly the time paused. A seek and a
// change of speed work the same way on the one plan: nothing is planned
// again while playing.
//
// All member functions are for one controlling thread (the GUI thread), except
// playing(), paused() and output(), which any thread may read. The file and
// the options are the controlling thread's alone: the worker reads only the
// plan, under the lock.
class Player {
 public:
  // We don't own the notifier or the clock; they must outlive the player. A
  // null wake event (the platform could not make one) leaves a player that
  // never starts.
  Player(PlaybackNotifier& notifier, Clock& clock, std::unique_ptr<WakeEvent> wake);
  // Ends the worker, at once even mid-wait, without closing the output: the
  // owner of the output releases what it holds.
  virtual ~Player();

  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // Ends any playback first, then takes a file that the caller has loaded
  // (one that failed to load, or none, leaves nothing loaded) and makes its
  // plan with the options set last. The file is read and planned before the
  // lock is taken, so a playback ending meanwhile is not held up by it.
  void load(std::unique_ptr<SmfFile> file);
  // Checks the bytes of a file (readFileImage reads them) and loads them as
  // above: the loader's kOk, kIllegal or kUnsupported.
  LoadResult loadFile(std::vector<std::uint8_t> image);

  // Plays the loaded file from its beginning into `output`, which we don't
  // own. While a playback has not yet wound down, it starts over (with
  // `output`), and what that playback held is released first. False, with
  // nothing changed, when no file is loaded, the worker or its wake event
  // could not be made, or output.open() fails.
  //
  // With a gate (we don't own it; it must outlive the playback) the worker
  // asks it before every batch of keys: it pauses while another window is in
  // front and ends the playback when the target has gone.
  bool start(Synthesizer& output, TargetGate* gate = nullptr);
  // The worker drops the waiting event, closes the output and notifies at once.
  void stop();
  // Taken by every later start: channels, transpose and folding, speed, and
  // the re-press gap (0 for an output that is no keyboard).
  // A layout (copied) types its notes with their modifiers, folds into its
  // range and presses its sustain key; none is the key configuration's C3-C6.
  // The next load plans with them; a start plans again only when they differ
  // from those the plan was made with.
  void setOptions(const PlayOptions& options, const KeyLayout* layout = nullptr);

  // The user's pause: pause() does nothing unless a playback runs and the
  // user has not paused it, resume() nothing unless the user has. The focus
  // guard's pause is a reason of its own: the keys go out again only when
  // neither holds, so neither undoes the other.
  void pause();
  void resume();

  // Goes on from a position of the song (milliseconds of its plan), while
  // playing or paused: every key, modifier and the sustain key up, then the
  // keys of the notes sounding there (and the sustain key, if down there)
  // pressed again, at once or at the resume, and every later due time
  // counted from the position. Before the start is the start; at or past the
  // end the playback ends as at its end. Nothing while nothing plays.
  void seek(std::uint64_t positionMillis);
  // The same, from where the song now stands.
  void seekBy(std::int64_t deltaMillis);
  // Where the song stands now, in milliseconds of its plan, and how long the
  // plan in place is.
  std::uint64_t positionMillis();
  std::uint64_t lengthMillis();

  // The speed of this playback, in percent (kSlowestSpeed to kFastestSpeed,
  // clamped), from now on, with no jump in the song's position. A start
  // takes the options' speed again.
  //
  // The plan stays as made, at the options' speed: the clock is scaled
  // instead (see playedMillis_), so every later due time follows the new
  // speed and the position does not move. Planning again would hold up the
  // keys for as long as a long file takes to read, and the new plan would
  // have to be joined at the position. The price: the re-press gap and the
  // modifier windows scale with the speed too (a 30 ms gap is 15 ms at twice
  // the speed), which a game's input still takes as the keys of one chord.
  void setSpeed(int percent);
  int speed() const { return speed_.load(); }
  // The speed this playback started with: the options' speed.
  int startSpeed() const { return startSpeed_.load(); }
  // Pauses, resumes or stops as the playback's gate now says (nothing
  // without one): for the thread that hears of a new window in front, so
  // that the keys come up at once and not only at the next batch.
  void followTarget();

  bool playing() const { return playing_.load(); }
  bool paused() const { return paused_.load(); }
  // Paused by pause(), whatever the focus guard says.
  bool pausedByUser() const { return pausedByUser_.load(); }
  Synthesizer* output() const { return output_.load(); }
  // The last playback ended at the song's end (or by a seek past it), not
  // by a stop or a target gone; false again at the next start.
  bool reachedEnd() const { return reachedEnd_.load(); }

 private:
  void run();
  // One step of the worker under the lock; returns the time to wait before the next.
  std::uint32_t step();
  void endPlayback();
  void readClock();
  // The plan of the loaded file with the options set last, or none when the
  // one in place was made with them; made on the controlling thread, without
  // the lock, for the caller to put in place under it.
  std::optional<PlaybackPlan> planIfStale();
  // Milliseconds to wait until `due`, or 0 when it is due.
  std::uint32_t waitFor(std::uint64_t due);
  // Flushes the output when `due` is not the due time of the notes it holds.
  void joinBatch(std::uint64_t due);
  void flushOutput();
  // Asks the gate before the first key of a batch; false when the key must
  // not go out (paused, or the playback ends).
  bool targetAllows(std::uint64_t due);
  bool followGate();
  // Why a playback is paused: it plays again only when no reason holds.
  enum PauseReason : std::uint8_t { kUserPause = 1, kGuardPause = 2 };
  void pauseLocked(PauseReason reason);
  void resumeLocked(PauseReason reason);
  // Presses the keys that sounded when everything went up, as a batch of their own.
  void pressSounding();
  void seekLocked(std::uint64_t positionMillis);
  // The end of a round: ends the playback, or with the loop on waits a
  // second and plays the song again.
  std::uint32_t endRound();

  PlaybackNotifier& notifier_;
  Clock& clock_;
  std::unique_ptr<WakeEvent> wake_;

  // The controlling thread's alone: the file, the options and what the
  // plan was made with.
  std::unique_ptr<SmfFile> file_;
  PlayOptions options_;
  std::optional<KeyLayout> layout_;
  struct PlannedWith {
    PlayOptions options;
    std::optional<KeyLayout> layout;
  };
  std::optional<PlannedWith> plannedWith_;  // none: plan_ must be made again before the next start

  std::mutex mutex_;  // guards everything below but the atomics
  PlaybackPlan plan_;  // kept from start to start while the options stay the same
  std::size_t planned_ = 0;  // plan_ entries sent
  bool unreported_ = false;  // a playback has started whose end is not yet reported
  // Time played, widened from the 32-bit clock reading by reading (waits are
  // shorter than its wrap), so a due time of any size is met when it is due.
  std::uint64_t playedMillis_ = 0;
  std::uint32_t lastReading_ = 0;
  // The plan is in milliseconds at the start's speed; a speed changed while
  // playing scales the clock instead of planning again: each millisecond of
  // the clock plays speed/startSpeed of the plan's. Rounding is carried in
  // the remainder (in 1/startSpeed ms), so that no change adds drift.
  std::uint64_t scaledRemainder_ = 0;
  // The time of the clock, paused time left out, for the loop's second
  // between rounds, which is the listener's and not the song's.
  std::uint64_t wallMillis_ = 0;
  std::optional<std::uint64_t> nextRoundAt_;  // in wallMillis_; while waiting to loop
  bool loop_ = false;                         // of this playback, from the options
  std::uint8_t pauseReasons_ = 0;
  std::uint64_t batchDue_ = 0;  // of the notes handed over since the last flush
  bool handedOver_ = false;     // notes have been handed over since the last flush
  TargetGate* gate_ = nullptr;  // of this playback; none: keys always go out
  // Keys this playback has pressed and not released: what a resume presses again.
  std::bitset<256> sounding_;
  bool sustainDown_ = false;  // the layout's sustain key, as the plan has left it

  std::atomic<bool> quit_{false};
  std::atomic<bool> playing_{false};
  std::atomic<bool> paused_{false};  // only while playing: some reason holds
  std::atomic<bool> pausedByUser_{false};
  std::atomic<bool> reachedEnd_{false};
  std::atomic<int> speed_{100};
  std::atomic<int> startSpeed_{100};
  std::atomic<Synthesizer*> output_{nullptr};
  std::thread worker_;
};

}  // namespace murvane
