// Arbitrary bytes as a Standard MIDI File. When the loader accepts them, the
// unchecked reader must stay inside the image, yield exactly the events the
// checking walk counted, on every pass, and agree with a plain merge: every
// event of every track sorted by absolute time, ties by track.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "smf/smf_file.h"
#include "smf/smf_note_counts.h"

namespace {

[[noreturn]] void fail(const char* what, unsigned long long a, unsigned long long b) {
  std::fprintf(stderr, "fuzz_smf_load: %s (%llu, %llu)\n", what, a, b);
  std::abort();
}

struct Expected {
  std::uint64_t time;
  std::uint32_t track;
  std::uint8_t status;  // 0xFF for meta
  std::uint8_t first;   // channel: first data byte; meta: type
  std::uint8_t second;  // channel: second data byte, if any
  const std::uint8_t* data;  // meta and sysex
  std::uint32_t length;
};

std::uint32_t quantity(const std::uint8_t*& p) {
  std::uint32_t value = 0;
  std::uint8_t byte;
  do {
    byte = *p++;
    value = value << 7 | (byte & 0x7Fu);
  } while (byte & 0x80);
  return value;
}

// Only for images the loader accepted.
std::vector<Expected> plainMerge(const std::uint8_t* image, std::uint16_t tracks) {
  std::vector<Expected> all;
  const std::uint8_t* chunk = image + 14;
  for (std::uint32_t t = 0; t < tracks; ++t) {
    const std::uint32_t length = std::uint32_t{chunk[4]} << 24 | std::uint32_t{chunk[5]} << 16 |
                                 std::uint32_t{chunk[6]} << 8 | chunk[7];
    const std::uint8_t* p = chunk + 8;
    const std::uint8_t* const end = p + length;
    chunk = end;
    std::uint64_t time = 0;
    std::uint8_t running = 0;
    if (p == end) continue;
    time += quantity(p);
    while (p != end) {
      Expected e{time, t, *p, 0, 0, nullptr, 0};
      if (e.status < 0x80) {
        e.status = running;
      } else {
        ++p;
      }
      if (e.status < 0xF0) {
        running = e.status;
        e.first = *p++;
        if ((e.status & 0xE0) != 0xC0) e.second = *p++;
      } else {
        if (e.status == 0xFF) e.first = *p++;
        e.length = quantity(p);
        e.data = p;
        p += e.length;
      }
      all.push_back(e);
      if (p != end) time += quantity(p);
    }
  }
  std::stable_sort(all.begin(), all.end(), [](const Expected& a, const Expected& b) {
    return a.time < b.time || (a.time == b.time && a.track < b.track);
  });
  return all;
}

bool matches(const Expected& want, const murvane::MidiEvent& got) {
  if (want.status < 0xF0) {
    if (got.kind != murvane::kEventChannel || got.eventType != (want.status & 0xF0) ||
        got.channel != (want.status & 0x0F)) {
      return false;
    }
    switch (want.status >> 4) {
      case 0xC:
        return got.data1 == want.first;
      case 0xD:
        return got.data2 == want.first;
      case 0xE:
        return got.value == ((want.second & 0x7F) << 7 | (want.first & 0x7F));
      default:
        return got.data1 == want.first && got.data2 == want.second;
    }
  }
  if (want.status == 0xFF) {
    if (got.kind != murvane::kEventMeta || got.eventType != want.first) return false;
  } else if (got.kind != murvane::kEventSysex || got.eventType != want.status) {
    return false;
  }
  return got.data == want.data && got.length == want.length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  murvane::SmfFile file;
  // Exactly sized, so that AddressSanitizer sees any read past the end.
  if (file.load(std::vector<std::uint8_t>(data, data + size)) != murvane::LoadResult::kOk) return 0;
  if (file.division() == 0 || file.format() > 1) fail("accepted a bad header", file.format(), file.division());

  const std::uint8_t* const begin = file.imageData();
  const std::uint8_t* const end = begin + file.imageSize();
  const std::vector<Expected> expected = plainMerge(begin, file.trackCount());
  if (expected.size() != file.eventCount()) fail("walk and plain merge count apart", expected.size(), file.eventCount());
  for (int pass = 0; pass < 2; ++pass) {
    file.rewind();
    unsigned long long events = 0;
    std::uint64_t time = 0;
    murvane::MidiEvent event;
    while (file.readEvent(event)) {
      if (++events > file.eventCount()) fail("more events than counted", events, file.eventCount());
      if (event.delta >= (1u << 28)) fail("delta beyond four 7-bit groups", event.delta, events);
      time += event.delta;
      const Expected& want = expected[events - 1];
      if (time != want.time || !matches(want, event)) fail("event differs from the plain merge", events, time);
      if (event.track != want.track) fail("event from another track", event.track, want.track);
      if (event.kind != murvane::kEventChannel) {
        if (event.data < begin || event.data > end || event.length > static_cast<std::size_t>(end - event.data)) {
          fail("event data outside the image", static_cast<unsigned long long>(event.data - begin), event.length);
        }
      }
    }
    if (events != file.eventCount()) fail("fewer events than counted", events, file.eventCount());
    if (file.readEvent(event)) fail("an event after the end", events, 0);
  }
  // What the Options window and `tracks` are shown of the file: names are
  // read from the image, and every channel's counts agree with themselves.
  const murvane::NoteCounts counts = murvane::countNoteOns(file);
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    const murvane::ChannelInfo& info = counts.channels[channel];
    if (info.topNotes > counts.notes(channel) || info.singleNotes > counts.notes(channel)) {
      fail("more top or single notes than notes", channel, counts.notes(channel));
    }
    if (info.soundingTicks > counts.songTicks) fail("a channel sounds longer than the song", channel, info.soundingTicks);
  }
  return 0;
}
