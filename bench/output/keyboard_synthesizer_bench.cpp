// Cost of one note (press and release) through the KeyboardSynthesizer, with
// an injector that does nothing, and the number of allocations per note.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <span>

#include "bindings/binding_table.h"
#include "output/keyboard_synthesizer.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// A counting replacement of the global allocator. GCC takes the free() in
// the replaced delete for a mismatch with new; it is the matching pair here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace murvane {
namespace {

class NullInjector final : public KeyInjector {
 public:
  std::uint16_t mapVirtualKey(std::uint8_t virtualKey) override { return virtualKey; }
  std::size_t sendKeys(std::span<const KeyEvent> events) override {
    benchmark::DoNotOptimize(events.data());
    return events.size();
  }
};

void BM_KeyboardNote(benchmark::State& state) {
  BindingTable bindings;
  for (int i = 0; i < kNoteBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = static_cast<KeyCode>(0x30 + i);
  NullInjector injector;
  KeyboardSynthesizer synth(bindings, injector);
  for (int note = 48; note <= 84; ++note) synth.noteOn(static_cast<std::uint8_t>(note));  // fill the cache
  synth.allNotesOff();

  std::uint8_t note = 48;
  const long before = allocations.load();
  for (auto _ : state) {
    synth.noteOn(note);
    synth.noteOff(note);
    synth.flush();  // as the player does before it waits
    note = note == 84 ? 48 : static_cast<std::uint8_t>(note + 1);
  }
  const long made = allocations.load() - before;
  state.counters["allocs_per_note"] =
      benchmark::Counter(static_cast<double>(made) / static_cast<double>(state.iterations()));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyboardNote);

// Every bound key pressed, then released by one allNotesOff: a stop.
void BM_PressAllThenAllNotesOff(benchmark::State& state) {
  BindingTable bindings;
  for (int i = 0; i < kNoteBindingCount; ++i) bindings.keys[static_cast<std::size_t>(i)] = static_cast<KeyCode>(0x30 + i);
  NullInjector injector;
  KeyboardSynthesizer synth(bindings, injector);
  for (auto _ : state) {
    for (int note = 48; note <= 84; ++note) synth.noteOn(static_cast<std::uint8_t>(note));
    synth.allNotesOff();
  }
  state.SetItemsProcessed(state.iterations() * kNoteBindingCount);
}
BENCHMARK(BM_PressAllThenAllNotesOff);

}  // namespace
}  // namespace murvane

BENCHMARK_MAIN();
