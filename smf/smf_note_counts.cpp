#include "smf/smf_note_counts.h"

#include <algorithm>
#include <cstdlib>
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

struct Edge {
  std::uint64_t time;
  std::uint32_t note;  // index into the notes
  bool starts;
};

// The notes sounding on one channel at the moment of the sweep.
struct Sounding {
  std::array<std::uint32_t, 128> byPitch{};
  int count = 0;
  int highest = -1;

  void add(std::uint8_t pitch) {
    ++count;
    ++byPitch[pitch];
    highest = std::max(highest, int{pitch});
  }
  void remove(std::uint8_t pitch) {
    --count;
    --byPitch[pitch];
    while (highest >= 0 && byPitch[static_cast<std::size_t>(highest)] == 0) --highest;
  }
};

// Notes that overlap a little, as a legato tune's do, still count as one at
// a time: each note is taken to end this much earlier than it does.
std::uint64_t legatoTicks(std::uint16_t division) { return division / 8u; }

// Counts top and single notes in one sweep over the starts and ends in time
// order, ends first at a moment, so that a note that follows another at once
// is not taken as sounding with it. A channel whose notes are short still
// holds its place in the texture for a beat after its last onset: a
// staccato tune stays the top voice over the chord struck between its notes.
void measureVoices(const std::vector<Note>& notes, std::uint16_t division, NoteCounts& counts) {
  std::vector<Edge> edges;
  edges.reserve(notes.size() * 2);
  const std::uint64_t legato = legatoTicks(division);
  for (std::uint32_t i = 0; i < notes.size(); ++i) {
    const Note& note = notes[i];
    const std::uint64_t end = note.end > note.start + legato ? note.end - legato : note.start + 1;
    edges.push_back(Edge{note.start, i, true});
    edges.push_back(Edge{end, i, false});
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
    return a.time != b.time ? a.time < b.time : (!a.starts && b.starts);
  });
  std::array<Sounding, 16> sounding{};
  std::array<int, 16> lastOnsetHighest;
  lastOnsetHighest.fill(-1);
  std::array<std::uint64_t, 16> lastOnset{};
  std::vector<std::uint32_t> starting;
  std::array<int, 16> startsNow{};
  std::array<int, 16> highestNow{};
  std::size_t i = 0;
  while (i < edges.size()) {
    const std::uint64_t now = edges[i].time;
    for (; i < edges.size() && edges[i].time == now && !edges[i].starts; ++i) {
      const Note& note = notes[edges[i].note];
      sounding[note.channel].remove(note.pitch);
    }
    starting.clear();
    startsNow.fill(0);
    highestNow.fill(-1);
    for (; i < edges.size() && edges[i].time == now && edges[i].starts; ++i) {
      const Note& note = notes[edges[i].note];
      sounding[note.channel].add(note.pitch);
      ++startsNow[note.channel];
      highestNow[note.channel] = std::max(highestNow[note.channel], int{note.pitch});
      starting.push_back(edges[i].note);
    }
    for (std::uint32_t index : starting) {
      const Note& note = notes[index];
      ChannelInfo& info = counts.channels[note.channel];
      int above = -1;
      for (std::uint8_t other = 0; other < 16; ++other) {
        if (other == note.channel || other == kDrumChannel) continue;
        above = std::max(above, sounding[other].highest);
        if (lastOnsetHighest[other] >= 0 && now - lastOnset[other] <= division) above = std::max(above, lastOnsetHighest[other]);
      }
      if (note.pitch >= above) ++info.topNotes;
      if (startsNow[note.channel] != 1) continue;
      ++info.singleNotes;
      const int previous = lastOnsetHighest[note.channel];
      const int interval = std::abs(note.pitch - previous);
      if (previous >= 0 && interval > 0 && interval <= kLargestStep) ++info.stepNotes;
    }
    for (std::uint8_t channel = 0; channel < 16; ++channel) {
      if (startsNow[channel] == 0) continue;
      lastOnsetHighest[channel] = highestNow[channel];
      lastOnset[channel] = now;
    }
  }
}

// The beats (from the file's first note-on) in which one of the channel's
// notes sounds, in ticks: a tune of short notes with breaths between them
// sounds through its phrases as much as one held note does.
void measureBeats(std::vector<Note>& notes, std::uint16_t division, NoteCounts& counts) {
  if (notes.empty()) return;
  const std::uint64_t first = notes.front().start;
  const auto beatFloor = [&](std::uint64_t tick) { return (tick - first) / division * division; };
  const auto beatCeil = [&](std::uint64_t tick) { return (tick - first + division - 1) / division * division; };
  // A note sounds at least in the beat it starts in, however short.
  const auto lastBeatEnd = [&](const Note& note) { return std::max(beatCeil(note.end), beatFloor(note.start) + division); };
  for (const Note& note : notes) counts.songTicks = std::max(counts.songTicks, lastBeatEnd(note));
  std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.channel < b.channel; });
  std::size_t i = 0;
  while (i < notes.size()) {
    const std::uint8_t channel = notes[i].channel;
    std::uint64_t from = beatFloor(notes[i].start);
    std::uint64_t to = from;
    for (; i < notes.size() && notes[i].channel == channel; ++i) {
      const std::uint64_t start = beatFloor(notes[i].start);
      const std::uint64_t end = lastBeatEnd(notes[i]);
      if (start > to) {
        counts.channels[channel].soundingTicks += to - from;
        from = start;
      }
      to = std::max(to, end);
    }
    counts.channels[channel].soundingTicks += to - from;
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
