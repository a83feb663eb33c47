#include "app/string_table.h"

#include <cstddef>
#include <cstdint>

namespace murvane {

namespace {

constexpr int kInitialScratchSize = 128;
// A string resource holds at most 65535 characters, which a buffer of 2^17
// takes whole. A loader that still fills that is broken; its string stays
// absent rather than the buffer growing without end.
constexpr int kMaxScratchSize = 1 << 17;

std::size_t indexOf(std::int32_t id) {
  return static_cast<std::size_t>(static_cast<std::uint32_t>(id) - static_cast<std::uint32_t>(kFirstStringId));
}

}  // namespace

void StringTable::load(StringLoader& loader) {
  release();

  // Pass one measures every string, growing the scratch buffer until a string
  // is known to be whole: a result of size - 1 may mean it was cut.
  std::array<bool, kStringCount> present{};
  std::size_t total = 0;
  int scratchSize = kInitialScratchSize;
  auto scratch = std::make_unique_for_overwrite<wchar_t[]>(static_cast<std::size_t>(scratchSize));
  for (int i = 0; i < kStringCount; ++i) {
    const std::int32_t id = kFirstStringId + i;
    int length = loader.load(id, scratch.get(), scratchSize);
    while (length >= scratchSize - 1 && scratchSize < kMaxScratchSize) {
      scratch.reset();
      scratchSize *= 2;
      scratch = std::make_unique_for_overwrite<wchar_t[]>(static_cast<std::size_t>(scratchSize));
      length = loader.load(id, scratch.get(), scratchSize);
    }
    if (length <= 0 || length >= scratchSize - 1) {
      continue;
    }
    present[static_cast<std::size_t>(i)] = true;
    total += static_cast<std::size_t>(length) + 1;
  }
  scratch.reset();
  if (total == 0) {
    return;
  }

  // Pass two loads each present string straight into its place.
  text_ = std::make_unique_for_overwrite<wchar_t[]>(total);
  std::size_t used = 0;
  for (int i = 0; i < kStringCount; ++i) {
    const auto index = static_cast<std::size_t>(i);
    if (!present[index]) {
      continue;
    }
    const int room = static_cast<int>(total - used);
    if (room <= 0) {
      break;
    }
    wchar_t* place = text_.get() + used;
    const int length = loader.load(kFirstStringId + i, place, room);
    if (length <= 0 || length >= room) {
      continue;
    }
    place[length] = L'\0';
    entries_[index] = place;
    used += static_cast<std::size_t>(length) + 1;
  }
}

const wchar_t* StringTable::lookup(std::int32_t id) const {
  const std::size_t index = indexOf(id);
  return index < entries_.size() ? entries_[index] : nullptr;
}

void StringTable::release() {
  entries_.fill(nullptr);
  text_.reset();
}

}  // namespace murvane
