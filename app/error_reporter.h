#pragma once

#include <cstdint>

namespace murvane {

// Shows the user one error: a modal message with the text of a string id.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void showError(std::int32_t stringId) = 0;
};

}  // namespace murvane
