#include "options/track_suggestion.h"

#include <algorithm>
#include <cstdlib>

#include "options/gm_instruments.h"
#include "options/play_options.h"

namespace murvane {
namespace {

constexpr std::uint8_t kDrumChannel = 9;

// The parts of a channel's score, each from 0 to 1 (the name from -1 to 1).
struct Score {
  double top = 0;       // share of its notes that are the top voice
  double surface = 0;   // share of the song's moments at which it is the top voice
  double outside = 0;   // share of its notes, heard against the others' harmony, that are not in it
  double single = 0;    // share of its notes played one at a time
  double steps = 0;     // share of its notes a step from the one before
  double sounding = 0;  // share of the song it sounds for
  double singing = 0;   // how well its mean pitch fits a singing register
  double instrument = 0;
  double share = 0;     // its notes against the busiest channel's
  double name = 0;

  // Being on top counts twice over, for its own notes and for the song's
  // surface: a sparse line above the tune is on top at each of its few
  // notes, the tune at most of the song's moments.
  double total() const {
    return top + surface + 2 * outside + 2 * single + 2 * steps + 2 * sounding + singing + instrument + share + 3 * name;
  }
};

// Full marks from G3 to G5, where most tunes are written whatever sings
// them; none two octaves beyond.
double singingFit(double meanPitch) {
  constexpr double kLow = 55, kHigh = 79, kFade = 24;
  if (meanPitch < kLow) return std::max(0.0, 1 - (kLow - meanPitch) / kFade);
  if (meanPitch > kHigh) return std::max(0.0, 1 - (meanPitch - kHigh) / kFade);
  return 1;
}

double instrumentFit(int program) {
  switch (instrumentRole(program)) {
    case InstrumentRole::kLead: return 1;
    case InstrumentRole::kBelow: return 0;
    case InstrumentRole::kEither: break;
  }
  return 0.5;
}

double nameFit(NameHint hint) {
  switch (hint) {
    case NameHint::kMelody: return 1;
    case NameHint::kAccompaniment: return -1;
    case NameHint::kNone: break;
  }
  return 0;
}

double ratio(double part, double whole) { return whole > 0 ? std::min(1.0, part / whole) : 0; }

Score scoreOf(const NoteCounts& counts, std::uint8_t channel, std::uint32_t busiest) {
  const ChannelInfo& info = counts.channels[channel];
  const std::uint32_t notes = counts.notes(channel);
  std::uint64_t pitchSum = 0;
  for (std::size_t note = 0; note < 128; ++note) pitchSum += note * counts.byChannel[channel][note];
  Score score;
  score.top = ratio(info.topNotes, notes);
  score.surface = ratio(info.topOnsets, counts.moments);
  score.outside = info.heardNotes > 0 ? 1 - ratio(info.chordNotes, info.heardNotes) : 0;
  score.single = ratio(info.singleNotes, notes);
  score.steps = ratio(info.stepNotes, notes);
  score.sounding = ratio(static_cast<double>(info.soundingTicks), static_cast<double>(counts.songTicks));
  score.singing = notes > 0 ? singingFit(static_cast<double>(pitchSum) / notes) : 0;
  score.instrument = instrumentFit(info.program);
  score.share = ratio(notes, busiest);
  score.name = nameFit(nameHint(info.trackNames));
  return score;
}

// ASCII only, whatever the C library's locale: names may be Shift_JIS,
// whose second bytes can be ASCII letters.
char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
  std::string low(text);
  for (char& c : low) c = asciiLower(c);
  return low;
}

// What tipped the choice, strongest signs first; a channel that shows none
// of them was the best of a poor lot.
std::string reasonOf(const Score& score, int program) {
  std::string reason;
  int said = 0;
  // Three signs at most, and the instrument when it leads: a few words.
  const auto say = [&reason, &said](std::string_view words) {
    if (said == 3) return;
    if (!reason.empty()) reason += ", ";
    reason += words;
    ++said;
  };
  if (score.name > 0) say("named as the melody");
  if (score.top >= 0.6) say("top voice");
  if (score.single >= 0.8) say("mostly single notes");
  if (score.steps >= 0.4) say("moves by steps");
  if (score.sounding >= 0.5) say("sounds through most of the song");
  if (score.singing >= 1) say("singing register");
  if (reason.empty()) say("the most likely of the channels");
  if (score.instrument >= 1) reason += ", " + lowered(instrumentName(program));
  return reason;
}

// Case-blind for ASCII; other bytes as they are.
bool contains(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char a, char b) { return asciiLower(a) == asciiLower(b); }) != text.end();
}

bool containsAny(std::string_view text, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(), [text](std::string_view word) { return contains(text, word); });
}

}  // namespace

ShiftChoice bestShift(const NoteCounts& counts, std::uint8_t channel, const KeyedNotes& keyed) {
  std::array<std::uint32_t, 2 * kTransposeLimit + 1> inside{};
  std::uint32_t most = 0;
  for (int shift = -kTransposeLimit; shift <= kTransposeLimit; ++shift) {
    inside[static_cast<std::size_t>(shift + kTransposeLimit)] = counts.inside(channel, shift, keyed);
    most = std::max(most, inside[static_cast<std::size_t>(shift + kTransposeLimit)]);
  }
  // Earlier in this order wins among the shifts near enough to the best.
  const auto before = [](int a, int b) {
    const bool octaveA = a % 12 == 0, octaveB = b % 12 == 0;
    if (octaveA != octaveB) return octaveA;
    if (std::abs(a) != std::abs(b)) return std::abs(a) < std::abs(b);
    return a > b;
  };
  ShiftChoice best;
  bool found = false;
  for (int shift = -kTransposeLimit; shift <= kTransposeLimit; ++shift) {
    const std::uint32_t count = inside[static_cast<std::size_t>(shift + kTransposeLimit)];
    if (std::uint64_t{count} * 100 < std::uint64_t{most} * 99) continue;
    if (!found || before(shift, best.shift)) {
      best = ShiftChoice{shift, count};
      found = true;
    }
  }
  return best;
}

TrackSuggestion suggestTrack(const NoteCounts& counts, const KeyedNotes& keyed) {
  std::uint32_t busiest = 0;
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    if (channel != kDrumChannel) busiest = std::max(busiest, counts.notes(channel));
  }
  if (busiest == 0) {
    return TrackSuggestion{0, 0, counts.inside(0, 0, keyed), "no notes"};
  }
  std::uint8_t chosen = 0;
  Score chosenScore;
  double best = -1e9;
  for (std::uint8_t channel = 0; channel < 16; ++channel) {
    if (channel == kDrumChannel || counts.notes(channel) == 0) continue;
    const Score score = scoreOf(counts, channel, busiest);
    // Strictly more: the lower channel wins a tie.
    if (score.total() > best) {
      best = score.total();
      chosen = channel;
      chosenScore = score;
    }
  }
  const ShiftChoice shift = bestShift(counts, chosen, keyed);
  return TrackSuggestion{chosen, shift.shift, shift.inside, reasonOf(chosenScore, counts.channels[chosen].program)};
}

NameHint nameHint(std::string_view names) {
  // Each Japanese word in UTF-8 and in Shift_JIS, the two ways files spell it.
  if (containsAny(names, {"melod", "lodie", "lead", "vocal", "voice", "vox", "solo", "singer", "gesang",
                          "\xE3\x83\xA1\xE3\x83\xAD", "\x83\x81\x83\x8D",              // メロ
                          "\xE6\x97\x8B\xE5\xBE\x8B", "\x90\xF9\x97\xA5",              // 旋律
                          "\xE3\x83\x9C\xE3\x83\xBC\xE3\x82\xAB\xE3\x83\xAB",          // ボーカル
                          "\x83\x7B\x81\x5B\x83\x4A\x83\x8B",
                          "\xE6\xAD\x8C", "\x89\xCC",                                  // 歌
                          "\xE3\x81\x86\xE3\x81\x9F", "\x82\xA4\x82\xBD",              // うた
                          "\xEB\xA9\x9C\xEB\xA1\x9C\xEB\x94\x94"})) {                  // 멜로디
    return NameHint::kMelody;
  }
  if (containsAny(names, {"bass", "drum", "perc", "chord", "pad", "backing", "accomp", "arpeg", "rhythm",
                          "\xE3\x83\x99\xE3\x83\xBC\xE3\x82\xB9", "\x83\x78\x81\x5B\x83\x58",  // ベース
                          "\xE3\x83\x89\xE3\x83\xA9\xE3\x83\xA0", "\x83\x68\x83\x89\x83\x80",  // ドラム
                          "\xE4\xBC\xB4\xE5\xA5\x8F", "\x94\xBA\x91\x74",                      // 伴奏
                          "\xE3\x82\xB3\xE3\x83\xBC\xE3\x83\x89", "\x83\x52\x81\x5B\x83\x68"})) {  // コード
    return NameHint::kAccompaniment;
  }
  return NameHint::kNone;
}

}  // namespace murvane
