#include "output/keyboard_synthesizer.h"

#include <span>

#include "bindings/binding_table.h"
#include "bindings/note_range.h"
#include "bindings/key_code.h"

namespace murvane {
namespace {

// Keys that are always sent with the 0xE0 prefix. Some systems (Wine among
// them) translate these without the prefix, which would send Delete as
// numpad period and Left as numpad 4.
bool isAlwaysExtended(std::uint8_t virtualKey) {
  switch (virtualKey) {
    case 0x21:  // Page Up
    case 0x22:  // Page Down
    case 0x23:  // End
    case 0x24:  // Home
    case 0x25:  // Left
    case 0x26:  // Up
    case 0x27:  // Right
    case 0x28:  // Down
    case 0x2D:  // Insert
    case 0x2E:  // Delete
    case 0x5B:  // left Windows
    case 0x5C:  // right Windows
    case 0x5D:  // Apps
    case 0x6F:  // numpad divide
    case 0xA3:  // right Ctrl
    case 0xA5:  // right Alt
      return true;
    default:
      return false;
  }
}

std::uint16_t acceptedScanCode(std::uint8_t virtualKey, std::uint16_t translated) {
  const unsigned prefix = translated >> 8;
  if (prefix == 0x00) {
    if (translated != 0 && isAlwaysExtended(virtualKey)) return static_cast<std::uint16_t>(0xE000 | translated);
    return translated;
  }
  if (prefix == 0xE0) return translated;
  return 0;  // 0xE1 keys (Pause) cannot be sent as one event
}

}  // namespace

KeyboardSynthesizer::KeyboardSynthesizer(const BindingTable& bindings, KeyInjector& injector)
    : bindings_(bindings), injector_(injector) {
  scanCodes_.fill(kNotLookedUp);
}

KeyboardSynthesizer::~KeyboardSynthesizer() {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
}

// Translating a key can be slow the first time (measured under Wine: tens to
// hundreds of milliseconds, more again on each new thread). Doing it for every
// bound note here, on the thread that starts playback and before its start
// time is taken, keeps that delay off the first notes. Each key is still
// translated only once.
//
// A key still down here belongs to a playback that is being replaced before
// it wound down; its release would never come, and the new playback's press
// of the same key would reach the target as a repeat.
bool KeyboardSynthesizer::open() {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
  for (int index = 0; index < kNoteBindingCount; ++index) scanCodeFor(virtualKeyOf(bindings_.keys[static_cast<std::size_t>(index)]));
  return true;
}

void KeyboardSynthesizer::close() {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
}

void KeyboardSynthesizer::noteOn(std::uint8_t note) {
  std::lock_guard lock(mutex_);
  const std::uint8_t virtualKey = virtualKeyFor(note);
  const std::uint16_t scanCode = scanCodeFor(virtualKey);
  if (scanCode == 0) return;
  send(virtualKey, scanCode, kKeyEventScanCode);
  pressed_[virtualKey] = true;
}

void KeyboardSynthesizer::noteOff(std::uint8_t note) {
  std::lock_guard lock(mutex_);
  releaseKey(virtualKeyFor(note));
}

void KeyboardSynthesizer::allNotesOff() {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
}

void KeyboardSynthesizer::flush() {
  std::lock_guard lock(mutex_);
  sendGathered();
}

std::uint8_t KeyboardSynthesizer::virtualKeyFor(std::uint8_t note) const {
  if (!isKeyNote(note)) return 0;
  // Modifier bits of the binding are dropped: notes never press Shift, Ctrl or Alt.
  return virtualKeyOf(bindings_.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
}

std::uint16_t KeyboardSynthesizer::scanCodeFor(std::uint8_t virtualKey) {
  if (virtualKey == 0) return 0;
  std::uint16_t& cached = scanCodes_[virtualKey];
  if (cached == kNotLookedUp) cached = acceptedScanCode(virtualKey, injector_.mapVirtualKey(virtualKey));
  return cached;
}

void KeyboardSynthesizer::send(std::uint8_t virtualKey, std::uint16_t scanCode, std::uint32_t flags) {
  KeyEvent event;
  event.virtualKey = virtualKey;
  event.scanCode = static_cast<std::uint16_t>(scanCode & 0xFF);
  event.flags = flags;
  if ((scanCode >> 8) == 0xE0) event.flags |= kKeyEventExtended;
  if (gatheredCount_ == gathered_.size()) sendGathered();
  gathered_[gatheredCount_++] = event;
}

void KeyboardSynthesizer::sendGathered() {
  if (gatheredCount_ == 0) return;
  injector_.sendKeys(std::span<const KeyEvent>(gathered_.data(), gatheredCount_));
  gatheredCount_ = 0;
}

// A release is sent whether or not the key is marked down: a stray note-off
// costs nothing, a stuck key does.
void KeyboardSynthesizer::releaseKey(std::uint8_t virtualKey) {
  const std::uint16_t scanCode = scanCodeFor(virtualKey);
  if (scanCode == 0) return;
  send(virtualKey, scanCode, kKeyEventScanCode | kKeyEventKeyUp);
  pressed_[virtualKey] = false;
}

void KeyboardSynthesizer::releaseAll() {
  for (unsigned virtualKey = 0; virtualKey < pressed_.size(); ++virtualKey) {
    if (pressed_[virtualKey]) releaseKey(static_cast<std::uint8_t>(virtualKey));
  }
}

}  // namespace murvane
