#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace murvane {

// SHA-256 (FIPS 180-4), fed in pieces of any size.
class Sha256 {
 public:
  Sha256();
  void update(const std::uint8_t* data, std::size_t size);
  // The digest of everything fed; the object is spent afterwards.
  std::array<std::uint8_t, 32> finish();

 private:
  void compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t filled_ = 0;  // bytes in block_
  std::uint64_t length_ = 0;  // bytes fed
};

// The digest as 64 lowercase hex digits.
std::string sha256Hex(const std::uint8_t* data, std::size_t size);

}  // namespace murvane
