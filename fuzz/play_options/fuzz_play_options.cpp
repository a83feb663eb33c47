// The Options values and the re-press gap on arbitrary input.
//
// The first bytes, up to five texts separated by newlines, are the values of
// the five keys: whatever they hold, the options read back lie in their
// ranges and survive being written and read again. The rest is a script of
// note-ons, note-offs and steps of time for the gap: every key's events must
// alternate down and up, come one gap apart at least, and be handed out in
// time order.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "options/play_options.h"
#include "keyplan/repress_gap.h"

namespace {

class MapStore final : public murvane::IniStore {
 public:
  std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;
  bool exists() override { return true; }
  std::wstring read(std::wstring_view section, std::wstring_view key) override {
    const auto found = values.find({std::wstring(section), std::wstring(key)});
    return found == values.end() ? std::wstring() : found->second.substr(0, murvane::kIniValueMaxLength);
  }
  bool write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
    values[{std::wstring(section), std::wstring(key)}] = std::wstring(value);
    return true;
  }
  bool remove(std::wstring_view section, std::wstring_view key) override {
    values.erase({std::wstring(section), std::wstring(key)});
    return true;
  }
};

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace murvane;
  static constexpr std::wstring_view kKeys[] = {kChannelsKey, kTransposeKey, kFoldOctavesKey, kSpeedKey,
                                                kRepressGapKey};
  MapStore store;
  std::size_t pos = 0;
  for (std::wstring_view key : kKeys) {
    std::wstring text;
    for (; pos < size && pos < 64 && data[pos] != '\n'; ++pos) text.push_back(static_cast<wchar_t>(data[pos]));
    if (pos < size) ++pos;
    store.values[{L"Options", std::wstring(key)}] = text;
  }
  const PlayOptions options = readPlayOptions(store);
  check(options.channels != 0);
  check(options.transpose >= -kTransposeLimit && options.transpose <= kTransposeLimit);
  check(options.speed >= kSlowestSpeed && options.speed <= kFastestSpeed);
  check(options.repressGap >= 0 && options.repressGap <= kLongestRepressGap);
  MapStore again;
  writePlayOptions(again, options);
  check(readPlayOptions(again) == options);
  // Written over the text it was read from, the section reads the same.
  writePlayOptions(store, options);
  check(readPlayOptions(store) == options);

  // The script: each byte a note-on or note-off of one of 8 notes (folded
  // and transposed as read), or a step of time.
  const auto gap = static_cast<std::uint64_t>(options.repressGap == 0 ? 1 : options.repressGap);
  RepressGap gaps;
  gaps.restart(static_cast<std::uint32_t>(gap));
  std::array<bool, 128> down{};
  std::array<std::uint64_t, 128> last{};
  std::array<bool, 128> sent{};
  std::uint64_t now = 0;
  std::uint64_t lastHanded = 0;
  const auto drain = [&](std::uint64_t limit) {
    KeyChange change;
    while (gaps.takeDue(limit, change)) {
      check(change.atMillis <= limit && change.atMillis >= lastHanded);
      check(change.down != down[change.key]);
      check(!sent[change.key] || change.atMillis >= last[change.key] + gap);
      lastHanded = change.atMillis;
      down[change.key] = change.down;
      last[change.key] = change.atMillis;
      sent[change.key] = true;
    }
  };
  for (; pos < size; ++pos) {
    const std::uint8_t op = data[pos];
    if (op >= 0xE0) {
      now += (op & 0x1Fu) * 7;
      drain(now);
      continue;
    }
    const int note = mapNote(static_cast<std::uint8_t>(60 + (op & 7) * 5), options);
    if (note < 0 || note > 127) continue;
    drain(now);
    if ((op & 0x80) == 0) {
      gaps.noteOn(static_cast<std::uint8_t>(note), now);
    } else {
      gaps.noteOff(static_cast<std::uint8_t>(note), now);
    }
    drain(now);
  }
  return 0;
}
