#include "keyplan/modifier_hold.h"

#include <algorithm>

namespace murvane {
namespace {

class ModifierWindows {
 public:
  ModifierWindows(const std::array<KeyCode, 128>& keys, std::uint32_t hold) : keys_(keys), hold_(hold) {}

  void take(KeyChange change) {
    const std::uint16_t modifier = modifierOf(change);
    if (open_ && change.atMillis > up_ && !(modifier == modifier_ && change.atMillis <= up_ + hold_)) close();
    if (!change.down) {
      emit(change);
    } else if (modifier == 0) {
      if (open_) close();  // just after the window, which it fell in
      emit(change);
    } else if (open_ && modifier == modifier_) {
      up_ = std::max(up_, change.atMillis + hold_);
      emit(change);
    } else {
      if (open_) close();
      openFor(change, modifier);
    }
  }

  std::vector<KeyChange> finish() {
    if (open_) close();
    return std::move(out_);
  }

 private:
  std::uint16_t modifierOf(const KeyChange& change) const {
    if (!change.down || change.held != 0) return 0;
    return noteModifiersOf(keys_[change.key & 0x7F]);
  }

  void emit(KeyChange change) {
    if (!out_.empty()) change.atMillis = std::max(change.atMillis, out_.back().atMillis);
    out_.push_back(change);
  }

  void close() {
    emit(KeyChange{0, false, up_, modifier_});
    lastClose_ = out_.back().atMillis;
    open_ = false;
  }

  // The modifier goes down `hold_` early, though never before what has been
  // sent already; presses without it that were due since then go just before it.
  void openFor(const KeyChange& change, std::uint16_t modifier) {
    const std::uint64_t floor = out_.empty() ? 0 : lastClose_;
    const std::uint64_t down = std::max(change.atMillis > hold_ ? change.atMillis - hold_ : 0, floor);
    std::size_t first = out_.size();
    while (first > 0 && out_[first - 1].atMillis > down) --first;
    std::vector<KeyChange> before;
    std::vector<KeyChange> after;
    for (std::size_t i = first; i < out_.size(); ++i) {
      KeyChange moved = out_[i];
      if (moved.down) {
        moved.atMillis = down;
        before.push_back(moved);
      } else {
        after.push_back(moved);
      }
    }
    out_.resize(first);
    for (const KeyChange& moved : before) out_.push_back(moved);
    out_.push_back(KeyChange{0, true, down, modifier});
    for (const KeyChange& moved : after) out_.push_back(moved);
    emit(change);
    modifier_ = modifier;
    up_ = std::max(change.atMillis, down) + hold_;
    open_ = true;
  }

  const std::array<KeyCode, 128>& keys_;
  std::uint32_t hold_;
  std::vector<KeyChange> out_;
  bool open_ = false;
  std::uint16_t modifier_ = 0;
  std::uint64_t up_ = 0;
  std::uint64_t lastClose_ = 0;
};

}  // namespace

std::vector<KeyChange> holdModifiers(const std::vector<KeyChange>& changes, const std::array<KeyCode, 128>& keys,
                                     std::uint32_t holdMillis) {
  if (holdMillis == 0) return changes;
  // Within a millisecond the presses that need no modifier go first.
  std::vector<KeyChange> ordered = changes;
  const auto needsModifier = [&](const KeyChange& change) {
    return change.down && change.held == 0 && noteModifiersOf(keys[change.key & 0x7F]) != 0;
  };
  std::stable_sort(ordered.begin(), ordered.end(), [&](const KeyChange& a, const KeyChange& b) {
    if (a.atMillis != b.atMillis) return a.atMillis < b.atMillis;
    return !needsModifier(a) && needsModifier(b);
  });
  ModifierWindows windows(keys, holdMillis);
  for (const KeyChange& change : ordered) windows.take(change);
  return windows.finish();
}

}  // namespace murvane
