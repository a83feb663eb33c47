#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace murvane {

// Flag bits of a KeyEvent. They have the values of the platform's keyboard
// event flags, so the platform layer can pass them on unchanged.
inline constexpr std::uint32_t kKeyEventExtended = 0x0001;
inline constexpr std::uint32_t kKeyEventKeyUp = 0x0002;
inline constexpr std::uint32_t kKeyEventScanCode = 0x0008;

// One synthetic key press or release, addressed by scan code. The virtual key
// travels with it for systems that do not derive one from the scan code.
struct KeyEvent {
  std::uint8_t virtualKey = 0;
  std::uint16_t scanCode = 0;  // make code without its 0xE0 prefix
  std::uint32_t flags = 0;

  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// The platform's keyboard input: key translation and injection.
class KeyInjector {
 public:
  virtual ~KeyInjector() = default;
  // The scan code of a virtual key in the current layout: high byte 0xE0 or
  // 0xE1 for prefixed keys, 0x00 otherwise; 0 when the key has none.
  virtual std::uint16_t mapVirtualKey(std::uint8_t virtualKey) = 0;
  // Injects the events into the system's input stream in one call, in order,
  // so that nothing else comes between them. Returns how many went in: the
  // system may take only the first few (input blocked by another program),
  // and those after them are not in the game.
  virtual std::size_t sendKeys(std::span<const KeyEvent> events) = 0;
  // Lets a millisecond pass before events the system refused are tried
  // again. Doubles need not wait.
  virtual void waitBeforeRetry() {}
};

}  // namespace murvane
