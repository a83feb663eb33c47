#pragma once

#include <windows.h>

#include <cstdint>

namespace murvane {

// A window of ours as its class, style and client area make it.
struct WindowShape {
  const wchar_t* className;
  DWORD style;
  int clientWidth;
  int clientHeight;
};

// One child control of a window of ours, as the window creates it. A
// window's table lists its controls in creation order, which is also the
// order Tab moves the focus in.
struct ControlLayout {
  const wchar_t* className;
  int id;
  int x;
  int y;
  int width;
  int height;
  DWORD style;
  // The string the control shows; kTextOfWindow when the window fills it in
  // from its own data (source says from what), or leaves it empty.
  std::int32_t textId;
  int source;  // in the window's own numbering; kNoSource for none
};

inline constexpr std::int32_t kTextOfWindow = 0;
inline constexpr int kNoSource = -1;

}  // namespace murvane
