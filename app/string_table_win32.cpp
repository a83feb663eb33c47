#include "app/string_table_win32.h"

namespace murvane {

int ResourceStringLoader::load(std::int32_t id, wchar_t* buffer, int size) {
  // A size of 0 would ask for a pointer into the resource instead of a copy.
  if (size <= 0) {
    return 0;
  }
  return LoadStringW(module_, static_cast<UINT>(id), buffer, size);
}

}  // namespace murvane
