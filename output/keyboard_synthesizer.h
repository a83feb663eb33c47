#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "output/key_injector.h"
#include "output/synthesizer.h"

namespace murvane {

struct BindingTable;

// Plays notes 48 to 84 as presses and releases of the keys bound to them.
//
// Calls arrive from the player's worker and the GUI thread (under the player's
// lock) and from the MIDI input callback (under no lock), so every operation
// takes this object's own lock: a press and its pressed flag are one step.
//
// noteOn and noteOff gather their key events until flush(), which sends them
// in one injector call, so the keys of a chord arrive together. Releasing
// everything (open, close, allNotesOff, destruction) sends at once, in one
// call with whatever was gathered before it.
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

 private:
  static constexpr std::uint16_t kNotLookedUp = 0xFFFF;
  // More than every bound key pressed and released; a longer batch goes out
  // in pieces rather than allocating.
  static constexpr std::size_t kBatchCapacity = 128;

  std::uint8_t virtualKeyFor(std::uint8_t note) const;
  std::uint16_t scanCodeFor(std::uint8_t virtualKey);
  void send(std::uint8_t virtualKey, std::uint16_t scanCode, std::uint32_t flags);
  void releaseKey(std::uint8_t virtualKey);
  void releaseAll();
  void sendGathered();

  const BindingTable& bindings_;
  KeyInjector& injector_;
  std::mutex mutex_;
  // Indexed by virtual key. A cached scan code never changes once looked up;
  // 0 means the key cannot be sent.
  std::array<std::uint16_t, 256> scanCodes_;
  std::array<bool, 256> pressed_{};  // as gathered, not only as sent
  std::array<KeyEvent, kBatchCapacity> gathered_{};
  std::size_t gatheredCount_ = 0;
};

}  // namespace murvane
