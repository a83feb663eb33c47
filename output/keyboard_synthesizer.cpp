#include "output/keyboard_synthesizer.h"

#include <algorithm>
#include <span>

#include "bindings/binding_table.h"
#include "bindings/key_code.h"
#include "bindings/key_layout.h"
#include "bindings/note_range.h"

namespace murvane {
namespace {

constexpr std::uint8_t kShiftKey = 0x10;
constexpr std::uint8_t kCtrlKey = 0x11;

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
  translateKeys();
  return true;
}

void KeyboardSynthesizer::translateKeys() {
  if (!fromLayout_) {
    for (int index = 0; index < kNoteBindingCount; ++index) {
      scanCodeFor(virtualKeyOf(bindings_.keys[static_cast<std::size_t>(index)]));
    }
    return;
  }
  for (KeyCode key : layoutKeys_) scanCodeFor(virtualKeyOf(key));
  scanCodeFor(virtualKeyOf(sustainKey_));
  scanCodeFor(kShiftKey);
  scanCodeFor(kCtrlKey);
}

void KeyboardSynthesizer::useLayout(const KeyLayout* layout) {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
  fromLayout_ = layout != nullptr;
  layoutKeys_.fill(0);
  sustainKey_ = 0;
  if (layout == nullptr) return;
  for (std::size_t note = 0; note < layoutKeys_.size(); ++note) {
    layoutKeys_[note] = static_cast<KeyCode>(layout->keys[note] & kLayoutKeyMask);
  }
  sustainKey_ = virtualKeyOf(layout->sustain);
}

void KeyboardSynthesizer::close() {
  std::lock_guard lock(mutex_);
  releaseAll();
  sendGathered();
}

void KeyboardSynthesizer::noteOn(std::uint8_t note) {
  std::lock_guard lock(mutex_);
  const KeyCode key = keyFor(note);
  const std::uint8_t virtualKey = virtualKeyOf(key);
  const std::uint16_t scanCode = scanCodeFor(virtualKey);
  if (scanCode == 0) return;
  const auto modifiers = static_cast<std::uint16_t>(noteModifiersOf(key) & ~heldModifiers_);
  if (modifiers == 0) {
    send(virtualKey, scanCode, kKeyEventScanCode);
  } else {
    if (wrappedCount_ == wrapped_.size()) sendGathered();
    wrapped_[wrappedCount_++] = WrappedPress{virtualKey, scanCode, modifiers};
  }
  pressed_[virtualKey] = true;
}

void KeyboardSynthesizer::hold(std::uint16_t held, bool down) {
  std::lock_guard lock(mutex_);
  if (held == kShiftBit || held == kCtrlBit) {
    pressHeld(held == kShiftBit ? kShiftKey : kCtrlKey, down);
    heldModifiers_ = static_cast<std::uint16_t>(down ? heldModifiers_ | held : heldModifiers_ & ~held);
  } else if (held == kSustainHeld && fromLayout_) {
    pressHeld(virtualKeyOf(sustainKey_), down);
  }
}

void KeyboardSynthesizer::pressHeld(std::uint8_t virtualKey, bool down) {
  const std::uint16_t scanCode = scanCodeFor(virtualKey);
  if (scanCode == 0) return;
  if (down) {
    send(virtualKey, scanCode, kKeyEventScanCode);
    pressed_[virtualKey] = true;
  } else {
    releaseKey(virtualKey);
  }
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

KeyCode KeyboardSynthesizer::keyFor(std::uint8_t note) const {
  if (fromLayout_) return layoutKeys_[note & 0x7F];
  if (!isKeyNote(note)) return 0;
  // Modifier bits of the binding are dropped: its notes never press Shift, Ctrl or Alt.
  return virtualKeyOf(bindings_.keys[static_cast<std::size_t>(note - kLowestKeyNote)]);
}

bool KeyboardSynthesizer::wrapping(std::uint8_t virtualKey) const {
  for (std::size_t i = 0; i < wrappedCount_; ++i) {
    if (wrapped_[i].virtualKey == virtualKey) return true;
  }
  return false;
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

// The batch in one input call: first every event that needs no modifier,
// then each press with its modifiers around it.
void KeyboardSynthesizer::sendGathered() {
  if (gatheredCount_ == 0 && wrappedCount_ == 0) return;
  std::size_t count = 0;
  const auto put = [&](std::uint8_t virtualKey, std::uint16_t scanCode, std::uint32_t flags) {
    if (count == sending_.size()) {
      deliver(std::span<const KeyEvent>(sending_.data(), count));
      count = 0;
    }
    KeyEvent& event = sending_[count++];
    event.virtualKey = virtualKey;
    event.scanCode = static_cast<std::uint16_t>(scanCode & 0xFF);
    event.flags = flags;
    if ((scanCode >> 8) == 0xE0) event.flags |= kKeyEventExtended;
  };
  for (std::size_t i = 0; i < gatheredCount_; ++i) sending_[count++] = gathered_[i];
  for (std::size_t i = 0; i < wrappedCount_; ++i) {
    const WrappedPress& press = wrapped_[i];
    for (std::uint8_t modifier : {kCtrlKey, kShiftKey}) {
      if ((press.modifiers & (modifier == kShiftKey ? kShiftBit : kCtrlBit)) == 0) continue;
      put(modifier, scanCodeFor(modifier), kKeyEventScanCode);
    }
    put(press.virtualKey, press.scanCode, kKeyEventScanCode);
    for (std::uint8_t modifier : {kShiftKey, kCtrlKey}) {
      if ((press.modifiers & (modifier == kShiftKey ? kShiftBit : kCtrlBit)) == 0) continue;
      put(modifier, scanCodeFor(modifier), kKeyEventScanCode | kKeyEventKeyUp);
    }
  }
  if (count > 0) deliver(std::span<const KeyEvent>(sending_.data(), count));
  gatheredCount_ = 0;
  wrappedCount_ = 0;
  // Nothing is gathered now: what is down is what the system took.
  pressed_ = inGame_;
  if (!inGame_[kShiftKey]) heldModifiers_ = static_cast<std::uint16_t>(heldModifiers_ & ~kShiftBit);
  if (!inGame_[kCtrlKey]) heldModifiers_ = static_cast<std::uint16_t>(heldModifiers_ & ~kCtrlBit);
}

// Once more for what the system refused, after a millisecond and before
// anything later: the game may have read its input meanwhile, but it still
// gets every event in order.
void KeyboardSynthesizer::deliver(std::span<const KeyEvent> events) {
  std::size_t taken = std::min(injector_.sendKeys(events), events.size());
  if (taken < events.size()) {
    settle(events.first(taken));
    events = events.subspan(taken);
    injector_.waitBeforeRetry();
    taken = std::min(injector_.sendKeys(events), events.size());
  }
  settle(events.first(taken));
}

void KeyboardSynthesizer::settle(std::span<const KeyEvent> taken) {
  for (const KeyEvent& event : taken) inGame_[event.virtualKey] = (event.flags & kKeyEventKeyUp) == 0;
}

// A release is sent whether or not the key is marked down: a stray note-off
// costs nothing, a stuck key does.
void KeyboardSynthesizer::releaseKey(std::uint8_t virtualKey) {
  const std::uint16_t scanCode = scanCodeFor(virtualKey);
  if (scanCode == 0) return;
  // Its press waits to go out after the batch's plain events: it goes first.
  if (wrapping(virtualKey)) sendGathered();
  send(virtualKey, scanCode, kKeyEventScanCode | kKeyEventKeyUp);
  pressed_[virtualKey] = false;
}

void KeyboardSynthesizer::releaseAll() {
  for (unsigned virtualKey = 0; virtualKey < pressed_.size(); ++virtualKey) {
    if (pressed_[virtualKey]) releaseKey(static_cast<std::uint8_t>(virtualKey));
  }
  heldModifiers_ = 0;
}

}  // namespace murvane
