#pragma once

#include <array>
#include <cstdint>

#include "bindings/key_code.h"
#include "keyplan/key_change.h"

namespace murvane {

// Spaces the key events of live notes so that a game that reads its input
// once a frame sees every press, without ever falling behind: a pure function
// of the times it is given, in milliseconds from any origin, never decreasing.
// Nothing of the future is known, so nothing can be sent early.
//
// For each key:
// - it goes up only when every note-on that pressed it has had its note-off;
//   note-ons in the same millisecond are one press;
// - a note-on while it is down sends a key-up at once and a key-down one gap
//   later;
// - no event comes less than one gap after that key's previous one; such an
//   event is held back until then, after the ones held before it;
// - a press that could not go out within one gap of its note-on is skipped:
//   the key stays as it is (held on through the skipped note when it was
//   down, until every note on it has ended). So no press is more than one gap
//   late, and no release more than two.
// Keys never wait for one another.
//
// Nothing is sent from here: noteOn and noteOff only schedule, and takeDue
// hands out what is due. Before each noteOn or noteOff at `now`, take every
// event due at `now`, so that what was held is sent before what comes after.
//
// A key is a note after transposing: two notes that share a key (folded onto
// one) share its state. Bindings are unique, so one note is one key.
class RepressGap {
 public:
  static constexpr std::uint64_t kNever = ~std::uint64_t{0};

  // Forgets every key and takes a new gap; 0 turns spacing off (every event
  // due at once, and then nothing should be routed through here at all).
  void restart(std::uint32_t gapMillis);
  // Forgets every key and every event held back, keeping the gap: the owner
  // releases what is down at once.
  void clear();

  std::uint32_t gap() const { return gap_; }

  // True when it asks for a press of its own (not part of a press in the
  // same millisecond, not skipped).
  bool noteOn(std::uint8_t key, std::uint64_t now);
  // A note-off without a note-on still open on the key changes nothing.
  void noteOff(std::uint8_t key, std::uint64_t now);

  // Takes the earliest event due at or before `limit` (ties: the lower key);
  // false when there is none.
  bool takeDue(std::uint64_t limit, KeyChange& change);
  // When the next event held back is due, or kNever.
  std::uint64_t nextDue() const { return nextDue_; }

  // As the events sent so far left it.
  bool isDown(std::uint8_t key) const { return keys_[key & 0x7F].down; }
  // Presses skipped since the last restart or clear.
  std::uint32_t skippedPresses() const { return skippedPresses_; }

 private:
  // The events held back for a key alternate in direction, starting opposite
  // to `down`, and are due one gap apart from `firstDue`: so a count says it all.
  struct Key {
    std::uint32_t sounding = 0;   // note-ons without their note-off, skipped ones too
    std::uint64_t struckAt = 0;   // the latest note-on that was not part of a press before it
    std::uint32_t pending = 0;  // events held back
    std::uint64_t firstDue = 0;
    std::uint64_t lastSent = 0;  // due time of the last event handed out
    bool sentAny = false;
    bool down = false;  // after the events handed out
  };

  // Whether the key is down once everything held back has been sent.
  static bool downOnceSent(const Key& key);
  // When an event of the key asked for at `now` would be due.
  std::uint64_t nextSlot(const Key& key, std::uint64_t now) const;
  void schedule(Key& key, std::uint64_t now);
  void findNextDue();

  // The keys with events held back, found without looking at every key:
  // there are seldom more than a few.
  template <typename Visit>
  void forEachPending(Visit visit) const;

  std::array<Key, 128> keys_{};
  std::array<std::uint64_t, 2> pendingKeys_{};  // bit n: key n has events held back
  std::uint32_t gap_ = 0;
  std::uint64_t nextDue_ = kNever;
  std::uint32_t skippedPresses_ = 0;
};

}  // namespace murvane
