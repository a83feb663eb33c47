#pragma once

#include <memory>

#include "app/target_integrity.h"

namespace murvane {

// Our own token, and the token of the process of the foreground window.
std::unique_ptr<IntegrityProbe> makeWin32IntegrityProbe();

}  // namespace murvane
