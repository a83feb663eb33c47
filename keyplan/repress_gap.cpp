#include "keyplan/repress_gap.h"

#include <algorithm>
#include <bit>

namespace murvane {

template <typename Visit>
void RepressGap::forEachPending(Visit visit) const {
  for (std::size_t word = 0; word < pendingKeys_.size(); ++word) {
    for (std::uint64_t bits = pendingKeys_[word]; bits != 0; bits &= bits - 1) {
      if (!visit(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)))) return;
    }
  }
}

void RepressGap::restart(std::uint32_t gapMillis) {
  gap_ = gapMillis;
  clear();
}

void RepressGap::clear() {
  keys_.fill(Key{});
  pendingKeys_.fill(0);
  nextDue_ = kNever;
  skippedPresses_ = 0;
}

bool RepressGap::noteOn(std::uint8_t key, std::uint64_t now) {
  Key& state = keys_[key & 0x7F];
  if (state.sounding++ > 0 && state.struckAt == now) return false;  // a unison or a folded octave: the same press
  state.struckAt = now;
  // Down already: up first, so that the game sees a new press.
  const bool down = downOnceSent(state);
  const std::uint64_t release = nextSlot(state, now);
  const std::uint64_t press = down ? release + gap_ : release;
  if (press > now + gap_) {
    ++skippedPresses_;  // the key stays as it is
    return false;
  }
  if (down) schedule(state, now);
  schedule(state, now);
  return true;
}

void RepressGap::noteOff(std::uint8_t key, std::uint64_t now) {
  Key& state = keys_[key & 0x7F];
  if (state.sounding == 0) return;
  if (--state.sounding == 0 && downOnceSent(state)) schedule(state, now);
}

bool RepressGap::downOnceSent(const Key& key) { return key.down != (key.pending % 2 == 1); }

std::uint64_t RepressGap::nextSlot(const Key& key, std::uint64_t now) const {
  // The caller has taken everything due by `now`, so what is still held
  // back lies after `now`.
  if (key.pending > 0) return key.firstDue + std::uint64_t{gap_} * key.pending;
  return key.sentAny ? std::max(now, key.lastSent + gap_) : now;
}

void RepressGap::schedule(Key& key, std::uint64_t now) {
  if (key.pending > 0) {
    ++key.pending;
    return;
  }
  key.firstDue = nextSlot(key, now);
  key.pending = 1;
  const auto index = static_cast<std::size_t>(&key - keys_.data());
  pendingKeys_[index / 64] |= std::uint64_t{1} << (index % 64);
  nextDue_ = std::min(nextDue_, key.firstDue);
}

bool RepressGap::takeDue(std::uint64_t limit, KeyChange& change) {
  if (nextDue_ > limit) return false;
  std::size_t due = keys_.size();
  // In ascending order, so the first at the earliest time is the lowest key.
  forEachPending([&](std::size_t index) {
    if (keys_[index].firstDue != nextDue_) return true;
    due = index;
    return false;
  });
  if (due == keys_.size()) return false;  // not reached: nextDue_ is always some key's firstDue
  Key& key = keys_[due];
  key.down = !key.down;
  key.lastSent = key.firstDue;
  key.sentAny = true;
  change = KeyChange{static_cast<std::uint8_t>(due), key.down, key.firstDue};
  if (--key.pending > 0) {
    key.firstDue += gap_;
  } else {
    pendingKeys_[due / 64] &= ~(std::uint64_t{1} << (due % 64));
  }
  findNextDue();
  return true;
}

void RepressGap::findNextDue() {
  nextDue_ = kNever;
  forEachPending([this](std::size_t index) {
    nextDue_ = std::min(nextDue_, keys_[index].firstDue);
    return true;
  });
}

}  // namespace murvane
