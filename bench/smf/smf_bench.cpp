// Loading, checking and merged reading of generated Standard MIDI Files,
// beside a plain byte sum of the same buffer as the machine's yardstick.
// See bench/README.md for the command and the results.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "smf/smf_file.h"
#include "smf/smf_load_file.h"

// Counts allocations, so that ReadAll shows it allocates nothing per event.
namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Bytes = std::vector<std::uint8_t>;

void putQuantity(Bytes& out, std::uint32_t value) {
  std::uint8_t groups[4];
  int count = 0;
  do {
    groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count-- > 1) out.push_back(static_cast<std::uint8_t>(groups[count] | 0x80));
  out.push_back(groups[0]);
}

void putBigEndian(Bytes& out, std::uint32_t value, int bytes) {
  for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A track of the usual mix: notes on and off (mostly running status), some
// controllers and pitch bends, a text at the start and a tempo now and then.
Bytes makeTrack(std::minstd_rand& random, std::uint32_t events, std::uint8_t channel) {
  Bytes data;
  data.reserve(events * 4u + 64u);
  const std::string name = "Track " + std::to_string(channel);
  data.insert(data.end(), {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(name.size())});
  data.insert(data.end(), name.begin(), name.end());
  std::uint8_t running = 0;
  for (std::uint32_t i = 1; i < events; ++i) {
    const std::uint32_t roll = static_cast<std::uint32_t>(random() % 100);
    putQuantity(data, roll < 45 ? 0 : roll < 95 ? static_cast<std::uint32_t>(random() % 120) : 120 + static_cast<std::uint32_t>(random() % 2000));
    std::uint8_t status;
    if (roll < 80) {
      status = static_cast<std::uint8_t>(0x90 | channel);
    } else if (roll < 90) {
      status = static_cast<std::uint8_t>(0xB0 | channel);
    } else if (roll < 99) {
      status = static_cast<std::uint8_t>(0xE0 | channel);
    } else {
      data.insert(data.end(), {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
      continue;
    }
    if (status != running) data.push_back(status);
    running = status;
    data.push_back(static_cast<std::uint8_t>(random() % 128));
    data.push_back(static_cast<std::uint8_t>(random() % 128));
  }
  return data;
}

Bytes makeFile(std::uint16_t format, std::uint16_t tracks, std::uint32_t eventsPerTrack) {
  std::minstd_rand random(tracks);
  Bytes file = {'M', 'T', 'h', 'd'};
  putBigEndian(file, 6, 4);
  putBigEndian(file, format, 2);
  putBigEndian(file, tracks, 2);
  putBigEndian(file, 480, 2);
  for (std::uint16_t t = 0; t < tracks; ++t) {
    const Bytes data = makeTrack(random, eventsPerTrack, static_cast<std::uint8_t>(t % 16));
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    putBigEndian(file, static_cast<std::uint32_t>(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
  }
  return file;
}

struct Sample {
  std::string name;
  Bytes image;
  std::filesystem::path path;
  std::uint32_t events = 0;
};

void setRates(benchmark::State& state, const Sample& sample) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(sample.image.size()));
  state.counters["events/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * sample.events,
                                                  benchmark::Counter::kIsRate);
}

void byteSum(benchmark::State& state, const Sample* sample) {
  for (auto _ : state) {
    std::uint64_t sum = 0;
    for (const std::uint8_t byte : sample->image) sum += byte;
    benchmark::DoNotOptimize(sum);
  }
  setRates(state, *sample);
}

// Check only: the bytes are already in memory.
void checkImage(benchmark::State& state, const Sample* sample) {
  murvane::SmfFile file;
  for (auto _ : state) {
    state.PauseTiming();
    Bytes copy = sample->image;
    state.ResumeTiming();
    if (file.load(std::move(copy)) != murvane::LoadResult::kOk) state.SkipWithError("load failed");
  }
  setRates(state, *sample);
}

// The whole load: open, one read (from the page cache), check.
void loadFile(benchmark::State& state, const Sample* sample) {
  const std::unique_ptr<murvane::FileReader> reader = murvane::makePlatformFileReader();
  murvane::SmfFile file;
  for (auto _ : state) {
    if (murvane::loadFile(file, *reader, sample->path) != murvane::LoadResult::kOk) state.SkipWithError("load failed");
  }
  setRates(state, *sample);
}

void readAll(benchmark::State& state, const Sample* sample) {
  murvane::SmfFile file;
  if (file.load(sample->image) != murvane::LoadResult::kOk) state.SkipWithError("load failed");
  murvane::MidiEvent event;
  const std::uint64_t allocationsBefore = allocations.load();
  for (auto _ : state) {
    file.rewind();
    std::uint64_t ticks = 0;
    while (file.readEvent(event)) ticks += event.delta;
    benchmark::DoNotOptimize(ticks);
  }
  state.counters["allocs"] = static_cast<double>(allocations.load() - allocationsBefore);
  setRates(state, *sample);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "murvane-smf-bench";
  std::filesystem::create_directories(folder);

  // About 1 M events in one track; about 20 MB in 16, 64 and 1,000 tracks.
  std::vector<Sample> samples;
  samples.push_back({"format0_1M_events", makeFile(0, 1, 1'000'000), {}, 0});
  samples.push_back({"format1_16_tracks", makeFile(1, 16, 375'000), {}, 0});
  samples.push_back({"format1_64_tracks", makeFile(1, 64, 94'000), {}, 0});
  samples.push_back({"format1_1000_tracks", makeFile(1, 1000, 6'000), {}, 0});
  for (Sample& sample : samples) {
    murvane::SmfFile file;
    if (file.load(sample.image) != murvane::LoadResult::kOk) return 1;
    sample.events = file.eventCount();
    std::fprintf(stderr, "%s: %zu bytes, %u tracks, %u events\n", sample.name.c_str(), sample.image.size(),
                 unsigned{file.trackCount()}, sample.events);
    sample.path = folder / (sample.name + ".mid");
    std::ofstream(sample.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(sample.image.data()), static_cast<std::streamsize>(sample.image.size()));
  }
  for (const Sample& sample : samples) {
    const Sample* s = &sample;
    benchmark::RegisterBenchmark(("ByteSum/" + sample.name).c_str(), byteSum, s)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("CheckImage/" + sample.name).c_str(), checkImage, s)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("LoadFile/" + sample.name).c_str(), loadFile, s)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("ReadAll/" + sample.name).c_str(), readAll, s)->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
