#include "playback/schedule.h"

#include <limits>

namespace murvane {

NoteAction noteActionOf(const MidiEvent& event) { return noteActionOf(event, 0x0001); }

NoteAction noteActionOf(const MidiEvent& event, std::uint16_t channels) {
  if (event.kind != kEventChannel || event.channel > 15 || (channels >> event.channel & 1u) == 0) {
    return NoteAction::kNone;
  }
  if (event.eventType == 0x90) return event.data2 > 0 ? NoteAction::kDown : NoteAction::kUp;
  if (event.eventType == 0x80) return NoteAction::kUp;
  return NoteAction::kNone;
}

bool tempoOf(const MidiEvent& event, std::uint32_t& tempo) {
  if (event.kind != kEventMeta || event.eventType != kMetaSetTempo) return false;
  if (event.length < 3 || event.data == nullptr) return false;
  tempo = static_cast<std::uint32_t>(event.data[0]) << 16 | static_cast<std::uint32_t>(event.data[1]) << 8 |
          event.data[2];
  return true;
}

void Schedule::restart(std::uint16_t division, std::uint16_t speedPercent, std::uint16_t channels) {
  elapsed_ = 0;
  remainder_ = 0;
  tempo_ = kDefaultTempo;
  divisor_ = std::uint32_t{division} * speedPercent;
  channels_ = channels;
}

bool Schedule::advance(std::uint32_t delta) {
  if (divisor_ == 0) return false;
  // At most (2^24 - 1) x (2^32 - 1) x 100 + 2^25: below 2^63, no overflow in
  // 64 bits. At speed 100 the quotient is the one of tempo x delta / division.
  const std::uint64_t product = static_cast<std::uint64_t>(tempo_) * delta * 100 + remainder_;
  const std::uint64_t interval = product / divisor_;
  remainder_ = product % divisor_;
  if (interval == 0) return false;
  constexpr std::uint64_t kLatest = std::numeric_limits<std::uint64_t>::max();
  // Only an absurd file could run past half a million years; it stays there.
  elapsed_ = interval > kLatest - elapsed_ ? kLatest : elapsed_ + interval;
  return true;
}

NoteAction Schedule::play(const MidiEvent& event) {
  std::uint32_t tempo = 0;
  if (tempoOf(event, tempo)) {
    tempo_ = tempo;
    return NoteAction::kNone;
  }
  return noteActionOf(event, channels_);
}

}  // namespace murvane
