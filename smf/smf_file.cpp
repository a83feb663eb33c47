#include "smf/smf_file.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "smf/smf_file_image.h"

namespace murvane {

namespace {

constexpr std::uint32_t kChunkSmfHeaderSize = 8;

std::uint32_t bigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::uint16_t bigEndian16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// A variable-length quantity of at most four bytes, every byte before `end`.
bool readQuantityChecked(const std::uint8_t*& p, const std::uint8_t* end, std::uint32_t& value) {
  std::uint32_t result = 0;
  for (int i = 0; i < 4; ++i) {
    if (p == end) return false;
    const std::uint8_t byte = *p++;
    result = result << 7 | (byte & 0x7Fu);
    if (byte < 0x80) {
      value = result;
      return true;
    }
  }
  return false;
}

// Only on bytes that readQuantityChecked has accepted.
std::uint32_t readQuantity(const std::uint8_t*& p) {
  std::uint8_t byte = *p++;
  std::uint32_t result = byte & 0x7Fu;
  while (byte >= 0x80) {
    byte = *p++;
    result = result << 7 | (byte & 0x7Fu);
  }
  return result;
}

// Walks one track chunk with every check and counts its events. Each track
// is independent: running status and time belong to the track alone.
bool checkTrack(const std::uint8_t* p, const std::uint8_t* end, std::uint32_t& events) {
  std::uint32_t count = 0;
  std::uint32_t quantity = 0;
  std::uint8_t runningStatus = 0;
  if (p != end && !readQuantityChecked(p, end, quantity)) return false;
  while (p != end) {
    std::uint8_t status = *p;
    if (status >= 0x80) {
      ++p;
    } else {
      if (runningStatus == 0) return false;
      status = runningStatus;
    }
    const auto left = static_cast<std::size_t>(end - p);
    if (status < 0xF0) {
      runningStatus = status;
      const std::size_t dataBytes = (status & 0xE0) == 0xC0 ? 1 : 2;
      if (left < dataBytes) return false;
      p += dataBytes;
    } else if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      if (status == 0xFF) {
        if (left == 0) return false;
        ++p;  // meta type
      }
      if (!readQuantityChecked(p, end, quantity)) return false;
      if (quantity > static_cast<std::size_t>(end - p)) return false;
      p += quantity;
    } else {
      return false;
    }
    ++count;
    if (p != end && !readQuantityChecked(p, end, quantity)) return false;
  }
  events += count;
  return true;
}

// Queue keys: tick << 16 | track index, ticks kept below 2^47.
constexpr int kTrackBits = 16;
constexpr std::uint64_t kTrackMask = (std::uint64_t{1} << kTrackBits) - 1;
constexpr std::uint64_t kRebaseTicks = std::uint64_t{1} << 47;
constexpr std::uint64_t kNoKey = ~std::uint64_t{0};

}  // namespace

void SmfFile::discard() {
  loaded_ = false;
  std::vector<std::uint8_t>().swap(image_);
  std::vector<SmfTrack>().swap(tracks_);
  std::vector<std::uint64_t>().swap(queue_);
  queueSize_ = 0;
  now_ = 0;
  eventCount_ = 0;
  format_ = 0;
  trackCount_ = 0;
  division_ = 0;
}

LoadResult SmfFile::load(std::vector<std::uint8_t> image) {
  discard();
  image_ = std::move(image);
  const LoadResult result = checkHeaderAndTracks();
  if (result != LoadResult::kOk) return result;
  // One slot to spare: the one after the last entry always holds kNoKey.
  queue_.assign(tracks_.size() + 1, kNoKey);
  loaded_ = true;
  return LoadResult::kOk;
}

LoadResult SmfFile::checkHeaderAndTracks() {
  if (image_.size() < kSmfHeaderSize) return LoadResult::kIllegal;
  const std::uint8_t* const data = image_.data();
  if (std::memcmp(data, "MThd", 4) != 0 || bigEndian32(data + 4) != 6) return LoadResult::kIllegal;
  const std::uint16_t format = bigEndian16(data + 8);
  if (format > 1) return LoadResult::kUnsupported;
  const std::uint16_t trackCount = bigEndian16(data + 10);
  const std::uint16_t division = bigEndian16(data + 12);
  if (division & 0x8000) return LoadResult::kUnsupported;
  // Ticks per quarter note of 0 leaves no way to time an event.
  if (division == 0) return LoadResult::kIllegal;
  format_ = format;
  trackCount_ = trackCount;
  division_ = division;

  tracks_.resize(trackCount);
  const std::uint8_t* const imageEnd = data + image_.size();
  const std::uint8_t* p = data + kSmfHeaderSize;
  for (SmfTrack& track : tracks_) {
    if (static_cast<std::size_t>(imageEnd - p) < kChunkSmfHeaderSize) return LoadResult::kIllegal;
    if (std::memcmp(p, "MTrk", 4) != 0) return LoadResult::kIllegal;
    const std::uint32_t length = bigEndian32(p + 4);
    p += kChunkSmfHeaderSize;
    if (length > static_cast<std::size_t>(imageEnd - p)) return LoadResult::kIllegal;
    track.begin = p;
    track.end = p + length;
    track.cursor = track.end;
    p = track.end;
  }

  std::uint32_t events = 0;
  for (const SmfTrack& track : tracks_) {
    if (!checkTrack(track.begin, track.end, events)) return LoadResult::kIllegal;
  }
  eventCount_ = events;
  return LoadResult::kOk;
}

void SmfFile::rewind() {
  queueSize_ = 0;
  now_ = 0;
  if (!loaded_) return;
  std::fill(queue_.begin(), queue_.end(), kNoKey);
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    SmfTrack& track = tracks_[i];
    track.cursor = track.begin;
    track.runningStatus = 0;
    track.pendingDelta = 0;
    if (track.cursor == track.end) continue;
    track.pendingDelta = readQuantity(track.cursor);
    if (track.cursor != track.end) queue_[queueSize_++] = std::uint64_t{track.pendingDelta} << kTrackBits | i;
  }
  for (std::size_t i = queueSize_ / 2; i-- > 0;) siftDown(i, queue_[i]);
}

// Puts `key` at `index` and lets it sink to its place. The key that takes
// over from a delivered event is most often either still the earliest (a
// chord, delta 0) or later than most, so first test whether it stays, then
// move the hole to the bottom along the earlier children and let the key
// rise from there: one comparison per level instead of two.
void SmfFile::siftDown(std::size_t index, const std::uint64_t key) {
  std::uint64_t* const heap = queue_.data();
  const std::size_t size = queueSize_;
  std::size_t child = 2 * index + 1;
  // heap[size] is kNoKey, so a lone last child needs no test of its own, and
  // choosing the earlier child compiles without a branch.
  if (child >= size || (key < heap[child] && key < heap[child + 1])) {
    heap[index] = key;
    return;
  }
  const std::size_t top = index;
  while ((child = 2 * index + 1) < size) {
    child += heap[child + 1] < heap[child] ? 1 : 0;
    heap[index] = heap[child];
    index = child;
  }
  while (index > top) {
    const std::size_t parent = (index - 1) / 2;
    if (heap[parent] < key) break;
    heap[index] = heap[parent];
    index = parent;
  }
  heap[index] = key;
}

// Every queued tick lies within one delta-time (under 2^28) of now_, so
// counting them from now_ instead keeps the keys small without reordering.
void SmfFile::rebase() {
  const std::uint64_t shift = now_ << kTrackBits;
  for (std::size_t i = 0; i < queueSize_; ++i) queue_[i] -= shift;
  now_ = 0;
}

bool SmfFile::readEvent(MidiEvent& event) {
  if (queueSize_ == 0) return false;
  const std::uint64_t key = queue_[0];
  const std::uint64_t index = key & kTrackMask;
  SmfTrack& track = tracks_[index];
  const std::uint64_t time = key >> kTrackBits;
  event.delta = static_cast<std::uint32_t>(time - now_);
  event.track = static_cast<std::uint16_t>(index);
  now_ = time;

  const std::uint8_t* p = track.cursor;
  std::uint8_t status = *p;
  if (status >= 0x80) {
    ++p;
  } else {
    status = track.runningStatus;
  }
  if (status < 0xF0) {
    track.runningStatus = status;
    event.kind = kEventChannel;
    event.eventType = static_cast<std::uint8_t>(status & 0xF0);
    event.channel = static_cast<std::uint8_t>(status & 0x0F);
    switch (status >> 4) {
      case 0xC:
        event.data1 = p[0];
        event.data2 = 0;
        event.value = p[0];
        p += 1;
        break;
      case 0xD:
        event.data1 = 0;
        event.data2 = p[0];
        event.value = static_cast<std::uint16_t>(p[0] << 8);
        p += 1;
        break;
      case 0xE:
        event.data1 = p[0];
        event.data2 = p[1];
        event.value = static_cast<std::uint16_t>((p[1] & 0x7F) << 7 | (p[0] & 0x7F));
        p += 2;
        break;
      default:
        event.data1 = p[0];
        event.data2 = p[1];
        event.value = static_cast<std::uint16_t>(p[0] | p[1] << 8);
        p += 2;
        break;
    }
  } else {
    if (status == 0xFF) {
      event.kind = kEventMeta;
      event.eventType = *p++;
    } else {
      event.kind = kEventSysex;
      event.eventType = status;
    }
    const std::uint32_t length = readQuantity(p);
    event.length = length;
    event.value = static_cast<std::uint16_t>(length < 0xFFFF ? length : 0xFFFF);
    event.data = p;
    p += length;
  }

  // A delta-time may close the chunk without an event after it.
  std::uint32_t delta = 0;
  if (p != track.end) delta = readQuantity(p);
  track.cursor = p;
  if (p != track.end) {
    if (time + delta >= kRebaseTicks) rebase();
    siftDown(0, (now_ + delta) << kTrackBits | index);
  } else {
    const std::uint64_t last = queue_[--queueSize_];
    queue_[queueSize_] = kNoKey;
    if (queueSize_ != 0) siftDown(0, last);
  }
  return true;
}

}  // namespace murvane
