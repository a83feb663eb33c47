#include "options/repress_gap.h"

#include <algorithm>

namespace murvane {

void RepressGap::restart(std::uint32_t gapMillis) {
  gap_ = gapMillis;
  clear();
}

void RepressGap::clear() {
  keys_.fill(Key{});
  nextDue_ = kNever;
}

void RepressGap::noteOn(std::uint8_t key, std::uint64_t now) {
  Key& state = keys_[key & 0x7F];
  // Held by an earlier note: up first, so that the game sees a new press.
  if (state.holds > 0) schedule(state, now);
  schedule(state, now);
  ++state.holds;
}

void RepressGap::noteOff(std::uint8_t key, std::uint64_t now) {
  Key& state = keys_[key & 0x7F];
  if (state.holds == 0) return;
  if (--state.holds == 0) schedule(state, now);
}

void RepressGap::schedule(Key& key, std::uint64_t now) {
  if (key.pending > 0) {
    // Due one gap after the last event held back; the caller has taken
    // everything due by `now`, so that lies after `now`.
    ++key.pending;
    return;
  }
  key.firstDue = key.sentAny ? std::max(now, key.lastSent + gap_) : now;
  key.pending = 1;
  nextDue_ = std::min(nextDue_, key.firstDue);
}

bool RepressGap::takeDue(std::uint64_t limit, KeyChange& change) {
  if (nextDue_ > limit) return false;
  for (std::size_t index = 0; index < keys_.size(); ++index) {
    Key& key = keys_[index];
    if (key.pending == 0 || key.firstDue != nextDue_) continue;
    key.down = !key.down;
    key.lastSent = key.firstDue;
    key.sentAny = true;
    change = KeyChange{static_cast<std::uint8_t>(index), key.down, key.firstDue};
    if (--key.pending > 0) key.firstDue += gap_;
    findNextDue();
    return true;
  }
  return false;  // not reached: nextDue_ is always some key's firstDue
}

void RepressGap::findNextDue() {
  nextDue_ = kNever;
  for (const Key& key : keys_) {
    if (key.pending > 0) nextDue_ = std::min(nextDue_, key.firstDue);
  }
}

}  // namespace murvane
