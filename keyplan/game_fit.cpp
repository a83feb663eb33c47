#include "keyplan/game_fit.h"

#include <algorithm>
#include <array>
#include <bitset>

namespace murvane {
namespace {

// One press of a physical key, from its press to its release.
struct Hold {
  std::uint8_t note = 0;
  std::uint8_t key = 0;  // physical
  std::uint64_t on = 0;
  std::uint64_t off = 0;
  bool dropped = false;
};

std::vector<Hold> holdsOf(const std::vector<KeyChange>& changes, const PhysicalKeys& physical) {
  std::vector<Hold> holds;
  std::array<std::size_t, 128> open;
  open.fill(SIZE_MAX);
  for (const KeyChange& change : changes) {
    if (change.held != 0) continue;
    const std::uint8_t key = physical[change.key & 0x7F] & 0x7F;
    if (change.down) {
      open[key] = holds.size();
      holds.push_back(Hold{change.key, key, change.atMillis, change.atMillis, false});
    } else if (open[key] != SIZE_MAX) {
      holds[open[key]].off = change.atMillis;
      open[key] = SIZE_MAX;
    }
  }
  return holds;
}

// Indices of the holds still played, by press time, the highest note first.
std::vector<std::size_t> byPress(const std::vector<Hold>& holds) {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < holds.size(); ++i) {
    if (!holds[i].dropped) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (holds[a].on != holds[b].on) return holds[a].on < holds[b].on;
    return holds[a].note > holds[b].note;
  });
  return order;
}

// Each key's next hold still played after `index`, or none.
std::vector<std::size_t> nextOnKey(const std::vector<Hold>& holds, const std::vector<std::size_t>& order) {
  std::vector<std::size_t> next(holds.size(), SIZE_MAX);
  std::array<std::size_t, 128> last;
  last.fill(SIZE_MAX);
  for (std::size_t index : order) {
    const std::uint8_t key = holds[index].key;
    if (last[key] != SIZE_MAX) next[last[key]] = index;
    last[key] = index;
  }
  return next;
}

void spread(std::vector<Hold>& holds, std::uint64_t spreadMillis, std::uint64_t gap, KeyPlan& plan) {
  const std::vector<std::size_t> order = byPress(holds);
  const std::vector<std::size_t> next = nextOnKey(holds, order);
  std::size_t first = 0;
  while (first < order.size()) {
    std::size_t end = first + 1;
    while (end < order.size() && holds[order[end]].on == holds[order[first]].on) ++end;
    // Latest first: a press skipped here frees nothing the ones before it need.
    for (std::size_t rank = end - first; rank-- > 1;) {
      Hold& hold = holds[order[first + rank]];
      hold.on += rank * spreadMillis;
      hold.off = std::max(hold.off, hold.on + gap);
      const std::size_t after = next[order[first + rank]];
      if (after != SIZE_MAX && hold.off + gap > holds[after].on) {
        hold.dropped = true;
        ++plan.skippedPresses;
      }
      plan.latestPressMillis = std::max(plan.latestPressMillis, rank * spreadMillis);
    }
    first = end;
  }
}

void pressFor(std::vector<Hold>& holds, std::uint64_t pressMillis, std::uint64_t gap) {
  const std::vector<std::size_t> order = byPress(holds);
  const std::vector<std::size_t> next = nextOnKey(holds, order);
  for (std::size_t index : order) {
    Hold& hold = holds[index];
    hold.off = hold.on + pressMillis;
    if (next[index] != SIZE_MAX) hold.off = std::min(hold.off, holds[next[index]].on - gap);
    hold.off = std::max(hold.off, hold.on + gap);
  }
}

void limitKeysDown(std::vector<Hold>& holds, std::size_t maxKeys, std::uint64_t gap, KeyPlan& plan) {
  const std::vector<std::size_t> order = byPress(holds);
  std::vector<std::size_t> down;
  std::size_t first = 0;
  while (first < order.size()) {
    const std::uint64_t now = holds[order[first]].on;
    std::size_t end = first + 1;
    while (end < order.size() && holds[order[end]].on == now) ++end;
    std::erase_if(down, [&](std::size_t index) { return holds[index].off <= now; });
    std::vector<std::size_t> pressing(order.begin() + static_cast<std::ptrdiff_t>(first),
                                      order.begin() + static_cast<std::ptrdiff_t>(end));
    while (down.size() + pressing.size() > maxKeys) {
      // By hold, not by note: a note of no length may be struck twice in one millisecond.
      std::size_t highest = SIZE_MAX;
      std::size_t lowest = SIZE_MAX;
      for (const auto* list : {&down, &pressing}) {
        for (std::size_t index : *list) {
          if (highest == SIZE_MAX || holds[index].note > holds[highest].note) highest = index;
          if (lowest == SIZE_MAX || holds[index].note < holds[lowest].note) lowest = index;
        }
      }
      const auto innerVoice = [&](std::size_t index) {
        return index != highest && (maxKeys < 2 || index != lowest);
      };
      // A key held on from before, longest first, once down for a gap.
      auto held = down.end();
      auto heldAnyway = down.end();
      for (auto it = down.begin(); it != down.end(); ++it) {
        if (!innerVoice(*it)) continue;
        if (heldAnyway == down.end() || holds[*it].on < holds[*heldAnyway].on) heldAnyway = it;
        if (holds[*it].on + gap <= now && (held == down.end() || holds[*it].on < holds[*held].on)) held = it;
      }
      auto pressed = pressing.end();
      for (auto it = pressing.begin(); it != pressing.end(); ++it) {
        if (innerVoice(*it) && (pressed == pressing.end() || holds[*it].note < holds[*pressed].note)) pressed = it;
      }
      if (held != down.end() || pressed == pressing.end()) {
        // Only when no inner voice is pressing: the limit outweighs the gap.
        const auto cut = held != down.end() ? held : heldAnyway;
        holds[*cut].off = now;
        down.erase(cut);
      } else {
        holds[*pressed].dropped = true;
        ++plan.droppedPresses;
        pressing.erase(pressed);
      }
    }
    down.insert(down.end(), pressing.begin(), pressing.end());
    first = end;
  }
}

}  // namespace

void releasesFirst(std::vector<KeyChange>& changes) {
  auto first = changes.begin();
  while (first != changes.end()) {
    auto end = std::find_if(first, changes.end(), [&](const KeyChange& c) { return c.atMillis != first->atMillis; });
    std::bitset<128> pressedHere;
    std::vector<bool> early;
    for (auto it = first; it != end; ++it) {
      const std::size_t key = it->key & 0x7F;
      if (it->held != 0) {
        early.push_back(false);
      } else if (it->down) {
        pressedHere.set(key);
        early.push_back(false);
      } else {
        early.push_back(!pressedHere.test(key));
      }
    }
    std::vector<KeyChange> ordered;
    ordered.reserve(early.size());
    for (std::size_t i = 0; i < early.size(); ++i) {
      if (early[i]) ordered.push_back(first[static_cast<std::ptrdiff_t>(i)]);
    }
    for (std::size_t i = 0; i < early.size(); ++i) {
      if (!early[i]) ordered.push_back(first[static_cast<std::ptrdiff_t>(i)]);
    }
    std::copy(ordered.begin(), ordered.end(), first);
    first = end;
  }
}

KeyPlan fitToGame(const KeyPlan& plan, const GameFit& fit, std::uint32_t gapMillis, const PhysicalKeys& physical) {
  if (fit.pressMillis == 0 && fit.maxKeys == 0 && fit.spreadMillis == 0) return plan;
  KeyPlan fitted;
  fitted.skippedPresses = plan.skippedPresses;
  fitted.droppedPresses = plan.droppedPresses;
  fitted.latestPressMillis = plan.latestPressMillis;
  std::vector<Hold> holds = holdsOf(plan.changes, physical);
  if (fit.spreadMillis > 0) spread(holds, fit.spreadMillis, gapMillis, fitted);
  if (fit.pressMillis > 0) pressFor(holds, fit.pressMillis, gapMillis);
  if (fit.maxKeys > 0) limitKeysDown(holds, fit.maxKeys, gapMillis, fitted);
  for (std::size_t index : byPress(holds)) {
    fitted.changes.push_back(KeyChange{holds[index].note, true, holds[index].on});
    fitted.changes.push_back(KeyChange{holds[index].note, false, holds[index].off});
  }
  std::stable_sort(fitted.changes.begin(), fitted.changes.end(),
                   [](const KeyChange& a, const KeyChange& b) { return a.atMillis < b.atMillis; });
  releasesFirst(fitted.changes);
  return fitted;
}

void LiveKeyFit::restart(std::uint32_t pressMillis, std::uint32_t maxKeys) {
  pressMillis_ = pressMillis;
  maxKeys_ = maxKeys;
  droppedPresses_ = 0;
  clear();
}

void LiveKeyFit::clear() {
  keys_.fill(Key{});
  down_ = 0;
}

void LiveKeyFit::letGo(std::uint8_t key, PressOutcome& outcome) {
  keys_[key].down = false;
  keys_[key].tapDue = kNever;
  --down_;
  outcome.releases[outcome.releaseCount++] = key;
}

LiveKeyFit::PressOutcome LiveKeyFit::press(std::uint8_t key, std::uint8_t note, std::uint64_t now) {
  PressOutcome outcome;
  key &= 0x7F;
  if (keys_[key].down) letGo(key, outcome);
  if (maxKeys_ > 0 && down_ >= maxKeys_) {
    // By key: the new press is `key`, which is up now.
    const auto noteOf = [&](std::size_t k) { return k == key ? note : keys_[k].note; };
    std::size_t highest = key;
    std::size_t lowest = key;
    std::size_t oldestInner = SIZE_MAX;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      if (!keys_[k].down) continue;
      if (noteOf(k) > noteOf(highest)) highest = k;
      if (noteOf(k) < noteOf(lowest)) lowest = k;
    }
    const auto inner = [&](std::size_t k) { return k != highest && (maxKeys_ < 2 || k != lowest); };
    if (inner(key)) {
      ++droppedPresses_;
      return outcome;
    }
    for (std::size_t k = 0; k < keys_.size(); ++k) {
      if (!keys_[k].down || !inner(k)) continue;
      if (oldestInner == SIZE_MAX || keys_[k].pressedAt < keys_[oldestInner].pressedAt) oldestInner = k;
    }
    if (oldestInner != SIZE_MAX) letGo(static_cast<std::uint8_t>(oldestInner), outcome);
  }
  keys_[key] = Key{true, note, now, pressMillis_ > 0 ? now + pressMillis_ : kNever};
  ++down_;
  outcome.pressed = true;
  return outcome;
}

bool LiveKeyFit::release(std::uint8_t key) {
  Key& state = keys_[key & 0x7F];
  if (!state.down || pressMillis_ > 0) return false;
  state.down = false;
  --down_;
  return true;
}

bool LiveKeyFit::takeDue(std::uint64_t limit, std::uint8_t& key) {
  std::size_t earliest = SIZE_MAX;
  for (std::size_t k = 0; k < keys_.size(); ++k) {
    if (!keys_[k].down || keys_[k].tapDue > limit) continue;
    if (earliest == SIZE_MAX || keys_[k].tapDue < keys_[earliest].tapDue) earliest = k;
  }
  if (earliest == SIZE_MAX) return false;
  keys_[earliest].down = false;
  keys_[earliest].tapDue = kNever;
  --down_;
  key = static_cast<std::uint8_t>(earliest);
  return true;
}

std::uint64_t LiveKeyFit::nextDue() const {
  std::uint64_t next = kNever;
  for (const Key& state : keys_) {
    if (state.down) next = std::min(next, state.tapDue);
  }
  return next;
}

}  // namespace murvane
