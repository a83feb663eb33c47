#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace murvane {

inline constexpr std::int32_t kFirstStringId = 1001;
inline constexpr std::int32_t kLastStringId = 1139;
inline constexpr int kStringCount = kLastStringId - kFirstStringId + 1;

// Where the texts come from: the platform's string resources, or a test double.
class StringLoader {
 public:
  virtual ~StringLoader() = default;
  // Behaves like the platform's LoadStringW: copies at most size - 1
  // characters of string id into buffer (size >= 1), terminates it, and
  // returns the number of characters copied; 0 when the string is absent.
  virtual int load(std::int32_t id, wchar_t* buffer, int size) = 0;
};

// The user-interface texts, ids kFirstStringId to kLastStringId. The texts
// lie one after another in a single buffer, each with its terminator; the
// entries point into it. An absent or empty string has a null entry.
class StringTable {
 public:
  // Replaces whatever was loaded. Cannot fail as a whole: a string that does
  // not load leaves its entry null.
  void load(StringLoader& loader);

  // Null before load, after release, for an id outside the range and for an
  // absent string. The text stays valid until the next load or release.
  const wchar_t* lookup(std::int32_t id) const;

  void release();

 private:
  std::unique_ptr<wchar_t[]> text_;
  std::array<const wchar_t*, kStringCount> entries_{};
};

}  // namespace murvane
