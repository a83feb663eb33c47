#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "smf/smf_load_result.h"
#include "smf/smf_midi_event.h"

namespace murvane {

// One track chunk of the loaded image. Pointers point into the image.
struct SmfTrack {
  const std::uint8_t* begin = nullptr;
  const std::uint8_t* end = nullptr;
  const std::uint8_t* cursor = nullptr;  // next unread byte; exhausted at end
  std::uint32_t pendingDelta = 0;        // the track's first delta-time, set by rewind
  std::uint8_t runningStatus = 0;        // 0 = none yet
};

// A Standard MIDI File (format 0 or 1, metrical division) held in memory in
// one piece. load checks every event once; readEvent then walks the tracks
// merged in time order without checking anything. Reading the file from disk
// is the caller's step (readFileImage), so the loader only ever sees bytes.
//
// Not thread-safe: the owner serialises load, rewind and readEvent.
class SmfFile {
 public:
  SmfFile() = default;

  SmfFile(const SmfFile&) = delete;
  SmfFile& operator=(const SmfFile&) = delete;

  // Takes the bytes of a file and checks them: kOk, kIllegal or
  // kUnsupported. Whatever was loaded before is discarded first, so a failed
  // load leaves nothing loaded.
  LoadResult load(std::vector<std::uint8_t> image);

  // Makes a loaded file readable from its first event. Needed after every
  // load before readEvent.
  void rewind();

  // The next event in time order across all tracks (smallest absolute time
  // first, ties to the lowest track). False, leaving `event` untouched, once
  // every track is exhausted, and until the next rewind.
  bool readEvent(MidiEvent& event);

  bool loaded() const { return loaded_; }
  std::uint16_t format() const { return format_; }
  std::uint16_t trackCount() const { return trackCount_; }
  std::uint16_t division() const { return division_; }  // ticks per quarter note, never 0 once loaded
  std::uint32_t eventCount() const { return eventCount_; }  // counted by the checking walk

  // The file image, valid until the next load.
  const std::uint8_t* imageData() const { return image_.data(); }
  std::size_t imageSize() const { return image_.size(); }

 private:
  void discard();
  LoadResult checkHeaderAndTracks();
  void siftDown(std::size_t index, std::uint64_t key);
  void rebase();

  std::vector<std::uint8_t> image_;
  std::vector<SmfTrack> tracks_;
  // Tracks with events left, as a binary min-heap of keys
  // (tick << 16 | track index): earliest first, ties to the lowest track.
  // Ticks count from a base that rebase() moves forward, so that they fit.
  std::vector<std::uint64_t> queue_;
  std::size_t queueSize_ = 0;
  std::uint64_t now_ = 0;  // tick of the last delivered event, from the same base
  std::uint32_t eventCount_ = 0;
  std::uint16_t format_ = 0;
  std::uint16_t trackCount_ = 0;
  std::uint16_t division_ = 0;
  bool loaded_ = false;
};

}  // namespace murvane
