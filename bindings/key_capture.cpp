#include "bindings/key_capture.h"

#include "bindings/key_names.h"

namespace murvane {

namespace {

KeyCode modifierBitOf(std::uint8_t vk) {
  switch (vk) {
    case kVkShift:
      return kShiftBit;
    case kVkControl:
      return kCtrlBit;
    case kVkAlt:
      return kAltBit;
    default:
      return 0;
  }
}

constexpr bool validEntry(int index) { return index >= 0 && index < kBindingCount; }

}  // namespace

std::int32_t entryCaptionId(int index) {
  return validEntry(index) ? kEntryCaptionIds[static_cast<std::size_t>(index)] : 0;
}

void KeyCapture::keyDown(std::uint8_t vk) { modifiers_ = static_cast<KeyCode>(modifiers_ | modifierBitOf(vk)); }

bool KeyCapture::keyUp(std::uint8_t vk) {
  if (const KeyCode bit = modifierBitOf(vk); bit != 0) {
    modifiers_ = static_cast<KeyCode>(modifiers_ & ~bit);
    return false;
  }
  if (keyNameOf(vk) == nullptr) return false;
  captured_ = static_cast<KeyCode>(modifiers_ | vk);
  return true;
}

bool KeyCapture::select(int index) {
  if (!validEntry(index)) return false;
  selected_ = index;
  return true;
}

CommitResult KeyCapture::commit(BindingTable& table, IniStore& store) const {
  if (selected_ < 0) return CommitResult::kNothingSelected;
  if (captured_ == 0) return CommitResult::kNothingCaptured;
  if (selected_ < kNoteBindingCount && (captured_ & 0xFF00) != 0) return CommitResult::kModifierOnNote;
  return assignBinding(table, store, selected_, captured_) ? CommitResult::kStored : CommitResult::kNotSaved;
}

}  // namespace murvane
