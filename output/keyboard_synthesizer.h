#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

#include "bindings/key_code.h"
#include "output/key_injector.h"
#include "output/synthesizer.h"

namespace murvane {

struct BindingTable;
struct KeyLayout;

// Plays notes 48 to 84 as presses and releases of the keys bound to them,
// or, given a layout, every note the layout has a key for. A key with Shift
// or Ctrl goes out as modifier down, key down, modifier up, after every key
// of the same batch that needs no modifier, so that no other key is pressed
// while a modifier is down.
//
// Calls arrive from the player's worker and the GUI thread (under the player's
// lock) and from the MIDI input callback (under no lock), so every operation
// takes this object's own lock: a press and its pressed flag are one step.
//
// noteOn and noteOff gather their key events until flush(), which sends them
// in one injector call, so the keys of a chord arrive together. Releasing
// everything (open, close, allNotesOff, destruction) sends at once, in one
// call with whatever was gathered before it.
//
// Events the system refuses (input blocked by another program) are sent
// again once, a millisecond later; what it refuses then is taken as never
// sent, so a key whose release did not go in still counts as down and is
// released again when everything next is.
class KeyboardSynthesizer final : public Synthesizer {
 public:
  // Neither is owned; both must outlive this object.
  KeyboardSynthesizer(const BindingTable& bindings, KeyInjector& injector);
  // Releases every key still down.
  ~KeyboardSynthesizer() override;

  KeyboardSynthesizer(const KeyboardSynthesizer&) = delete;
  KeyboardSynthesizer& operator=(const KeyboardSynthesizer&) = delete;

  // Releases every key still down (a new playback starts with none of ours
  // held), then translates every bound note key.
  bool open() override;
  void close() override;
  void noteOn(std::uint8_t note) override;
  void noteOff(std::uint8_t note) override;
  void allNotesOff() override;
  void flush() override;
  // Shift or Ctrl held on their own (notes that need them are then pressed
  // without another), or the layout's sustain key.
  void hold(std::uint16_t held, bool down) override;

  // From the next note on, the layout's keys (copied); null: the key
  // configuration's. Releases every key still down.
  void useLayout(const KeyLayout* layout);

 private:
  static constexpr std::uint16_t kNotLookedUp = 0xFFFF;
  // More than every bound key pressed and released; a longer batch goes out
  // in pieces rather than allocating.
  static constexpr std::size_t kBatchCapacity = 128;

  // A press of a key with modifiers, sent after the batch's other events.
  struct WrappedPress {
    std::uint8_t virtualKey = 0;
    std::uint16_t scanCode = 0;
    std::uint16_t modifiers = 0;
  };

  KeyCode keyFor(std::uint8_t note) const;
  std::uint8_t virtualKeyFor(std::uint8_t note) const { return virtualKeyOf(keyFor(note)); }
  void translateKeys();
  void pressHeld(std::uint8_t virtualKey, bool down);
  bool wrapping(std::uint8_t virtualKey) const;
  std::uint16_t scanCodeFor(std::uint8_t virtualKey);
  void send(std::uint8_t virtualKey, std::uint16_t scanCode, std::uint32_t flags);
  void releaseKey(std::uint8_t virtualKey);
  void releaseAll();
  void sendGathered();
  void deliver(std::span<const KeyEvent> events);
  void settle(std::span<const KeyEvent> taken);

  const BindingTable& bindings_;
  KeyInjector& injector_;
  std::mutex mutex_;
  // Indexed by virtual key. A cached scan code never changes once looked up;
  // 0 means the key cannot be sent.
  std::array<std::uint16_t, 256> scanCodes_;
  std::array<bool, 256> pressed_{};  // as gathered; after each send, as the system took it
  std::array<bool, 256> inGame_{};   // as the system took the events sent
  std::array<KeyEvent, kBatchCapacity> gathered_{};
  std::size_t gatheredCount_ = 0;
  std::array<WrappedPress, kBatchCapacity / 4> wrapped_{};
  std::size_t wrappedCount_ = 0;
  std::array<KeyEvent, kBatchCapacity> sending_{};
  bool fromLayout_ = false;
  std::array<KeyCode, 128> layoutKeys_{};
  KeyCode sustainKey_ = 0;
  std::uint16_t heldModifiers_ = 0;  // by hold(), as gathered
};

}  // namespace murvane
