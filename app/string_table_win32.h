#pragma once

#include <windows.h>

#include "app/string_table.h"

namespace murvane {

// The string resources of one module, in the language the platform's
// resource loader picks for the user's interface language.
class ResourceStringLoader final : public StringLoader {
 public:
  explicit ResourceStringLoader(HINSTANCE module) : module_(module) {}
  int load(std::int32_t id, wchar_t* buffer, int size) override;

 private:
  HINSTANCE module_;  // not owned
};

}  // namespace murvane
