#include "app/target_integrity.h"

namespace murvane {

bool keysBlockedByIntegrity(const IntegrityReading& reading) {
  if (!reading.own.has_value() || !reading.foregroundWindow) return false;
  if (reading.foreground.has_value()) return *reading.foreground > *reading.own;
  return *reading.own < kHighIntegrity;
}

}  // namespace murvane
