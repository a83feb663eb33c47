#pragma once

#include <array>
#include <cstdint>

#include "bindings/binding_table.h"
#include "bindings/commit_result.h"
#include "bindings/ini_store.h"
#include "bindings/key_code.h"

namespace murvane {

// String ids of the entries' captions, in entry order. C6 is not 1056: the
// ids after B5 belong to the Play/Stop hotkey and an unused text.
inline constexpr std::array<std::int32_t, kBindingCount> kEntryCaptionIds = {
    1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032,
    1033, 1034, 1035, 1036, 1037, 1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045,
    1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054, 1055, 1058, 1056, 1064, 1066};

// 0 for an index outside the table.
std::int32_t entryCaptionId(int index);

inline constexpr int kNoSelection = -1;

// Virtual-key codes of the modifier keys as the window's key messages name
// them (the left and right variants arrive as these).
inline constexpr std::uint8_t kVkShift = 0x10;
inline constexpr std::uint8_t kVkControl = 0x11;
inline constexpr std::uint8_t kVkAlt = 0x12;

// What the key configuration window decides, without the window: which
// entry is selected, which key was captured, and whether Commit stores it.
// Selecting and capturing are independent and can happen in any order;
// Commit changes neither.
class KeyCapture {
 public:
  // Tracks Shift, Ctrl and Alt as held; every other key-down is ignored.
  void keyDown(std::uint8_t vk);

  // A modifier's key-up clears its bit. Any other key is captured if it has
  // a display name, with the modifiers as held at this moment; returns true
  // then. A modifier whose key-up never arrives stays held.
  bool keyUp(std::uint8_t vk);

  // False (and nothing changes) for an index outside 0 to 39.
  bool select(int index);

  // Refuses, in this order, when nothing is selected, nothing is captured,
  // or a note would get a modifier; otherwise assigns the capture to the
  // selected entry, which clears and rewrites every other holder, and tells
  // whether every line was written.
  CommitResult commit(BindingTable& table, IniStore& store) const;

  int selected() const { return selected_; }
  KeyCode captured() const { return captured_; }
  KeyCode modifiers() const { return modifiers_; }

 private:
  int selected_ = kNoSelection;
  KeyCode captured_ = 0;
  KeyCode modifiers_ = 0;
};

}  // namespace murvane
