// Arbitrary bytes as a Standard MIDI File. When the loader accepts them, the
// unchecked reader must stay inside the image and yield exactly the events
// the checking walk counted, on every pass.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "smf/smf_file.h"

namespace {

[[noreturn]] void fail(const char* what, unsigned long long a, unsigned long long b) {
  std::fprintf(stderr, "fuzz_smf_load: %s (%llu, %llu)\n", what, a, b);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  murvane::SmfFile file;
  // Exactly sized, so that AddressSanitizer sees any read past the end.
  if (file.loadImage(std::vector<std::uint8_t>(data, data + size)) != murvane::kLoadOk) return 0;
  if (file.division() == 0 || file.format() > 1) fail("accepted a bad header", file.format(), file.division());

  const std::uint8_t* const begin = file.imageData();
  const std::uint8_t* const end = begin + file.imageSize();
  for (int pass = 0; pass < 2; ++pass) {
    file.rewind();
    unsigned long long events = 0;
    murvane::MidiEvent event;
    while (file.readEvent(event)) {
      if (++events > file.eventCount()) fail("more events than counted", events, file.eventCount());
      if (event.delta >= (1u << 28)) fail("delta beyond four 7-bit groups", event.delta, events);
      if (event.kind != murvane::kEventChannel) {
        if (event.data < begin || event.data > end || event.length > static_cast<std::size_t>(end - event.data)) {
          fail("event data outside the image", static_cast<unsigned long long>(event.data - begin), event.length);
        }
      }
    }
    if (events != file.eventCount()) fail("fewer events than counted", events, file.eventCount());
    if (file.readEvent(event)) fail("an event after the end", events, 0);
  }
  return 0;
}
