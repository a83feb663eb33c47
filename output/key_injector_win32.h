#pragma once

#include <memory>

#include "output/key_injector.h"

namespace murvane {

// MapVirtualKeyW and SendInput, one INPUT record per event.
std::unique_ptr<KeyInjector> makeWin32KeyInjector();

}  // namespace murvane
