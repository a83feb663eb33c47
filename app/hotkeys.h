#pragma once

#include <array>
#include <cstdint>

#include "app/error_reporter.h"
#include "bindings/binding_table.h"
#include "bindings/key_code.h"

namespace murvane {

// The three global hotkeys: ids 100 Play/Stop, 101 MIDI input, 102 All stop,
// bound by BindingTable entries 37 to 39.
inline constexpr int kHotkeyCount = 3;
inline constexpr int kHotkeyPlayId = 100;
inline constexpr int kHotkeyMidiInputId = 101;
inline constexpr int kHotkeyAllStopId = 102;

// The platform's modifier flags for a hotkey.
inline constexpr std::uint32_t kHotkeyModAlt = 0x0001;
inline constexpr std::uint32_t kHotkeyModControl = 0x0002;
inline constexpr std::uint32_t kHotkeyModShift = 0x0004;

struct HotkeyCombination {
  std::uint32_t modifiers = 0;
  std::uint8_t virtualKey = 0;
};

// Only Shift, Ctrl and Alt: never the Windows key, never no-repeat, so a held
// combination repeats.
HotkeyCombination hotkeyCombinationOf(KeyCode code);

constexpr int hotkeyIdOf(int slot) { return kHotkeyPlayId + slot; }
constexpr int hotkeyBindingIndexOf(int slot) { return kHotkeyPlayIndex + slot; }
// "Failed register hotkey." in its three wordings (1007, 1065, 1067).
std::int32_t hotkeyRefusedMessage(int slot);

// The system's registrations of one window's hotkeys.
class HotkeyRegistrar {
 public:
  virtual ~HotkeyRegistrar() = default;
  // False when the system refuses, e.g. another program holds the combination.
  virtual bool registerHotkey(int id, HotkeyCombination combination) = 0;
  virtual void unregisterHotkey(int id) = 0;
};

// The codes now registered for hotkeys 100, 101 and 102; 0 = none.
using RegisteredHotkeys = std::array<KeyCode, kHotkeyCount>;

// Brings the registrations into line with the bindings, in the order 100,
// 101, 102, touching only the hotkeys whose binding differs from what is
// registered. A refusal is shown through errors, leaves that code 0, and the
// next hotkey is still tried.
void registerHotkeys(const BindingTable& bindings, RegisteredHotkeys& registered, HotkeyRegistrar& registrar,
                     ErrorReporter& errors);

// Withdraws every registered hotkey, in the order 102, 101, 100.
void unregisterHotkeys(RegisteredHotkeys& registered, HotkeyRegistrar& registrar);

// The main window's hotkeys, as the key configuration window drives them: it
// withdraws them while it is open and registers them again when it closes.
class HotkeyControl {
 public:
  virtual void registerHotkeys() = 0;
  virtual void unregisterHotkeys() = 0;

 protected:
  ~HotkeyControl() = default;
};

}  // namespace murvane
