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
// Then the control hotkeys (BindingTable::controls), ids 103 Pause, 104 Seek
// back, 105 Seek forward, 106 Slower, 107 Faster: registered only when bound.
inline constexpr int kHotkeyPauseId = 103;
inline constexpr int kHotkeySeekBackId = 104;
inline constexpr int kHotkeySeekForwardId = 105;
inline constexpr int kHotkeySlowerId = 106;
inline constexpr int kHotkeyFasterId = 107;
// The queue's, 108 Next and 109 Previous, likewise.
inline constexpr int kHotkeyNextId = 108;
inline constexpr int kHotkeyPreviousId = 109;
inline constexpr int kAllHotkeyCount = kHotkeyCount + kControlHotkeyCount;

// The platform's modifier flags for a hotkey.
inline constexpr std::uint32_t kHotkeyModAlt = 0x0001;
inline constexpr std::uint32_t kHotkeyModControl = 0x0002;
inline constexpr std::uint32_t kHotkeyModShift = 0x0004;
inline constexpr std::uint32_t kHotkeyModNoRepeat = 0x4000;

struct HotkeyCombination {
  std::uint32_t modifiers = 0;
  std::uint8_t virtualKey = 0;
};

// Only Shift, Ctrl and Alt: never the Windows key, never no-repeat, so a held
// combination repeats.
HotkeyCombination hotkeyCombinationOf(KeyCode code);

constexpr int hotkeyIdOf(int slot) { return kHotkeyPlayId + slot; }
constexpr int hotkeyBindingIndexOf(int slot) { return kHotkeyPlayIndex + slot; }
// "Failed register hotkey." in its wordings (1007, 1065, 1067; 1122 for the
// control hotkeys).
std::int32_t hotkeyRefusedMessage(int slot);
// What slot (0 to kAllHotkeyCount - 1) registers: a control hotkey's code
// only while no note or other hotkey holds it. Pause and the seeks without
// auto-repeat, so that a held key pauses or seeks once (Next and Previous
// too: a held key must not run through the queue); Slower and Faster repeat
// while held.
KeyCode hotkeyBindingOf(const BindingTable& bindings, int slot);
HotkeyCombination hotkeyCombinationOf(int slot, KeyCode code);

// The system's registrations of one window's hotkeys.
class HotkeyRegistrar {
 public:
  virtual ~HotkeyRegistrar() = default;
  // False when the system refuses, e.g. another program holds the combination.
  virtual bool registerHotkey(int id, HotkeyCombination combination) = 0;
  virtual void unregisterHotkey(int id) = 0;
};

// The codes now registered for hotkeys 100 to 107; 0 = none.
using RegisteredHotkeys = std::array<KeyCode, kAllHotkeyCount>;

// Brings the registrations into line with the bindings, in the order of
// their ids, touching only the hotkeys whose binding differs from what is
// registered. A refusal is shown through errors, leaves that code 0, and the
// next hotkey is still tried.
void registerHotkeys(const BindingTable& bindings, RegisteredHotkeys& registered, HotkeyRegistrar& registrar,
                     ErrorReporter& errors);

// Withdraws every registered hotkey, the last id first.
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
