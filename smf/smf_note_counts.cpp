#include "smf/smf_note_counts.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <functional>
#include <queue>
#include <string_view>
#include <vector>

namespace murvane {
namespace {

constexpr std::uint8_t kDrumChannel = 9;
// A whole tone: a tune moves mostly by steps, broken chords and bass lines
// by leaps or not at all.
constexpr int kLargestStep = 2;
// Enough to tell the channels apart, and a bound on what a file can make us keep.
constexpr std::size_t kLongestTrackNames = 200;

struct Note {
  std::uint64_t start;
  std::uint64_t end;
  std::uint8_t channel;
  std::uint8_t pitch;
};

// The notes still sounding of one channel and pitch, earliest first from `head`.
struct OpenNotes {
  std::vector<std::uint32_t> starts;
  std::size_t head = 0;
};

// A note's end as the sweep takes it, earliest first out of a min-heap.
struct End {
  std::uint64_t time;
  std::uint32_t note;  // index into the notes

  bool operator>(const End& other) const { return time > other.time; }
};

// The notes sounding on one channel at the moment of the sweep.
struct Sounding {
  std::array<std::uint32_t, 128> byPitch{};
  std::array<std::uint32_t, 12> byClass{};
  int count = 0;
  int highest = -1;
  int lowest = 128;

  void add(std::uint8_t pitch) {
    ++count;
    ++byPitch[pitch];
    ++byClass[pitch % 12];
    highest = std::max(highest, int{pitch});
    lowest = std::min(lowest, int{pitch});
  }
  void remove(std::uint8_t pitch) {
    --count;
    --byPitch[pitch];
    --byClass[pitch % 12];
    while (highest >= 0 && byPitch[static_cast<std::size_t>(highest)] == 0) --highest;
    while (lowest < 128 && byPitch[static_cast<std::size_t>(lowest)] == 0) ++lowest;
  }
};

// Notes that overlap a little, as a legato tune's do, still count as one at
// a time: each note is taken to end this much earlier than it does.
std::uint64_t legatoTicks(std::uint16_t division) { return division / 8u; }

// Counts top, single and step notes, and the notes heard against the other
// channels' harmony, in one sweep over the starts and ends in time
// order, ends first at a moment, so that a note that follows another at once
// is not taken as sounding with it. A channel whose notes are short still
// holds its place in the texture for a beat after its last onset: a
// staccato tune stays the top voice over the chord struck between its notes.
//
// The notes come in the order of their starts, as the file is read, so only
// the ends need ordering, and only among the notes sounding at once: a heap of those
// instead of sorting every start and end of a song of millions of notes.
void measureVoices(const std::vector<Note>& notes, std::uint16_t division, NoteCounts& counts) {
  const std::uint64_t legato = legatoTicks(division);
  std::priority_queue<End, std::vector<End>, std::greater<>> ends;
  std::array<Sounding, 16> sounding{};
  std::array<int, 16> lastOnsetHighest;
  lastOnsetHighest.fill(-1);
  std::array<std::uint64_t, 16> lastOnset{};
  std::array<int, 16> startsNow{};
  std::array<int, 16> highestNow;
  highestNow.fill(-1);
  // Bits of channels: those that have struck a note (a channel that has not
  // is above nothing), and those striking one now. A song of millions of
  // notes is mostly a few channels, so only those are looked at.
  std::uint16_t struck = 0;
  std::uint16_t strikingNow = 0;
  // The highest note the other channels (not 10) sound at `now`, or struck within the beat before.
  const auto highestOfOthers = [&](std::uint8_t channel, std::uint64_t now) {
    int above = -1;
    const auto others = static_cast<std::uint16_t>(struck & ~(1u << channel) & ~(1u << kDrumChannel));
    for (std::uint16_t left = others; left != 0; left &= static_cast<std::uint16_t>(left - 1)) {
      const auto other = static_cast<std::size_t>(std::countr_zero(left));
      above = std::max(above, sounding[other].highest);
      if (lastOnsetHighest[other] >= 0 && now - lastOnset[other] <= division) above = std::max(above, lastOnsetHighest[other]);
    }
    return above;
  };
  std::size_t i = 0;
  while (i < notes.size()) {
    const std::uint64_t now = notes[i].start;
    // An end falls after its note's start, so every end due by now belongs
    // to a note already added. Ends between two starts change nothing but
    // what sounds, so they can all wait for the next start.
    while (!ends.empty() && ends.top().time <= now) {
      const Note& note = notes[ends.top().note];
      sounding[note.channel].remove(note.pitch);
      ends.pop();
    }
    const std::size_t first = i;
    while (i < notes.size() && notes[i].start == now) ++i;
    // Each note against the harmony the other channels hold: a tune passes
    // through notes outside it, where broken chords, pads and a line that
    // only fills in the chord keep to its notes. Only what was struck before
    // counts: a chord struck with the note is voiced around it, and a
    // channel doubling the tune is no harmony.
    for (std::size_t index = first; index < i; ++index) {
      const Note& note = notes[index];
      if (note.channel == kDrumChannel) continue;
      // A note under all that sounds is the harmony's bass, which makes the
      // chord rather than plays against it.
      bool heard = false;
      bool chord = false;
      const auto others = static_cast<std::uint16_t>(struck & ~(1u << note.channel) & ~(1u << kDrumChannel));
      for (std::uint16_t left = others; left != 0; left &= static_cast<std::uint16_t>(left - 1)) {
        const Sounding& other = sounding[static_cast<std::size_t>(std::countr_zero(left))];
        heard = heard || other.lowest < note.pitch;
        chord = chord || other.byClass[note.pitch % 12] > 0;
      }
      ChannelInfo& info = counts.channels[note.channel];
      info.heardNotes += heard ? 1 : 0;
      info.chordNotes += chord ? 1 : 0;
    }
    for (std::size_t index = first; index < i; ++index) {
      const Note& note = notes[index];
      sounding[note.channel].add(note.pitch);
      ++startsNow[note.channel];
      highestNow[note.channel] = std::max(highestNow[note.channel], int{note.pitch});
      strikingNow |= static_cast<std::uint16_t>(1u << note.channel);
      const std::uint64_t end = note.end > note.start + legato ? note.end - legato : note.start + 1;
      ends.push(End{end, static_cast<std::uint32_t>(index)});
    }
    struck |= strikingNow;
    for (std::size_t index = first; index < i; ++index) {
      const Note& note = notes[index];
      ChannelInfo& info = counts.channels[note.channel];
      if (note.pitch >= highestOfOthers(note.channel, now)) ++info.topNotes;
      if (startsNow[note.channel] != 1) continue;
      ++info.singleNotes;
      const int previous = lastOnsetHighest[note.channel];
      const int interval = std::abs(note.pitch - previous);
      if (previous >= 0 && interval > 0 && interval <= kLargestStep) ++info.stepNotes;
    }
    // The same once for each channel striking now, a chord as one: how
    // much of the song's surface the channel is the top of.
    const auto melodic = static_cast<std::uint16_t>(strikingNow & ~(1u << kDrumChannel));
    if (melodic != 0) ++counts.moments;
    for (std::uint16_t left = melodic; left != 0; left &= static_cast<std::uint16_t>(left - 1)) {
      const auto channel = static_cast<std::uint8_t>(std::countr_zero(left));
      if (highestNow[channel] >= highestOfOthers(channel, now)) ++counts.channels[channel].topOnsets;
    }
    for (; strikingNow != 0; strikingNow &= static_cast<std::uint16_t>(strikingNow - 1)) {
      const auto channel = static_cast<std::size_t>(std::countr_zero(strikingNow));
      lastOnsetHighest[channel] = highestNow[channel];
      lastOnset[channel] = now;
      startsNow[channel] = 0;
      highestNow[channel] = -1;
    }
  }
}

// The beats (from the file's first note-on) in which one of the channel's
// notes sounds, in ticks: a tune of short notes with breaths between them
// sounds through its phrases as much as one held note does.
void measureBeats(const std::vector<Note>& notes, std::uint16_t division, NoteCounts& counts) {
  if (notes.empty()) return;
  const std::uint64_t first = notes.front().start;
  const auto beatFloor = [&](std::uint64_t tick) { return (tick - first) / division * division; };
  const auto beatCeil = [&](std::uint64_t tick) { return (tick - first + division - 1) / division * division; };
  // A note sounds at least in the beat it starts in, however short.
  const auto lastBeatEnd = [&](const Note& note) { return std::max(beatCeil(note.end), beatFloor(note.start) + division); };
  // Each channel's notes in the order of their starts, one stretch of
  // sounding beats open per channel: no need to group the notes first.
  struct Stretch {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    bool open = false;
  };
  std::array<Stretch, 16> stretches{};
  for (const Note& note : notes) {
    const std::uint64_t start = beatFloor(note.start);
    const std::uint64_t end = lastBeatEnd(note);
    counts.songTicks = std::max(counts.songTicks, end);
    Stretch& stretch = stretches[note.channel];
    if (!stretch.open) {
      stretch = Stretch{start, start, true};
    } else if (start > stretch.to) {
      counts.channels[note.channel].soundingTicks += stretch.to - stretch.from;
      stretch.from = start;
    }
    stretch.to = std::max(stretch.to, end);
  }
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    const Stretch& stretch = stretches[channel];
    if (stretch.open) counts.channels[channel].soundingTicks += stretch.to - stretch.from;
  }
}

// The names of the tracks that play on each channel, in track order, each once.
void nameChannels(const std::vector<std::string_view>& trackNames, const std::vector<std::uint16_t>& channelsOfTrack,
                  NoteCounts& counts) {
  std::array<std::vector<std::string_view>, 16> named;
  for (std::size_t track = 0; track < trackNames.size(); ++track) {
    const std::string_view name = trackNames[track];
    if (name.empty()) continue;
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
      if ((channelsOfTrack[track] >> channel & 1u) == 0) continue;
      std::vector<std::string_view>& seen = named[channel];
      if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
      std::string& names = counts.channels[channel].trackNames;
      const std::string_view separator = names.empty() ? "" : " / ";
      if (names.size() + separator.size() + name.size() > kLongestTrackNames) continue;
      names.append(separator).append(name);
      seen.push_back(name);
    }
  }
}

}  // namespace

NoteCounts countNoteOns(SmfFile& file) {
  NoteCounts counts;
  if (!file.loaded()) return counts;
  std::vector<Note> notes;
  // The starts of the notes still sounding, by channel and pitch; an end
  // closes the earliest.
  std::vector<OpenNotes> open(16 * 128);
  std::vector<std::string_view> trackNames(file.trackCount());
  std::vector<std::uint16_t> channelsOfTrack(file.trackCount());
  std::uint64_t now = 0;
  file.rewind();
  MidiEvent event;
  while (file.readEvent(event)) {
    now += event.delta;
    if (event.kind == kEventMeta) {
      // The loader has checked that the data lies inside the image.
      if (event.eventType == kMetaTrackName && event.track < trackNames.size() && trackNames[event.track].empty()) {
        trackNames[event.track] =
            std::string_view(reinterpret_cast<const char*>(event.data), event.length);
      }
      continue;
    }
    if (event.kind != kEventChannel) continue;
    const std::uint8_t channel = event.channel & 0x0F;
    if (event.eventType == 0xC0) {
      if (counts.channels[channel].program < 0) counts.channels[channel].program = event.data1 & 0x7F;
      continue;
    }
    const bool on = event.eventType == 0x90 && event.data2 > 0;
    const bool off = event.eventType == 0x80 || (event.eventType == 0x90 && event.data2 == 0);
    if (!on && !off) continue;
    const std::uint8_t pitch = event.data1 & 0x7F;
    OpenNotes& sounding = open[channel * 128u + pitch];
    if (on) {
      counts.add(channel, pitch);
      if (event.track < channelsOfTrack.size()) channelsOfTrack[event.track] |= static_cast<std::uint16_t>(1u << channel);
      sounding.starts.push_back(static_cast<std::uint32_t>(notes.size()));
      notes.push_back(Note{now, now, channel, pitch});
    } else if (sounding.head < sounding.starts.size()) {
      notes[sounding.starts[sounding.head++]].end = now;
      if (sounding.head == sounding.starts.size()) {
        sounding.starts.clear();
        sounding.head = 0;
      }
    }
  }
  // A note never ended sounds to the end of the song.
  for (const OpenNotes& sounding : open) {
    for (std::size_t i = sounding.head; i < sounding.starts.size(); ++i) notes[sounding.starts[i]].end = now;
  }
  measureVoices(notes, file.division(), counts);
  measureBeats(notes, file.division(), counts);
  if (file.format() != 0) nameChannels(trackNames, channelsOfTrack, counts);
  return counts;
}

}  // namespace murvane
