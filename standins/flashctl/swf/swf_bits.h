// Bounded readers over the bytes of a movie. Every read checks the end of
// its buffer and throws `FormatError` instead of reading past it, so no
// field of a damaged file can take the player outside the file's bytes.
//
// Byte order is little-endian. Bit fields are read most significant bit
// first; a byte-sized read first skips to the next whole byte (the file
// format aligns every non-bit field that way).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace swf {

class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  // A zero-terminated string; the terminator is consumed, not returned.
  std::string String();
  // `count` bytes as a sub-reader; the position moves past them.
  Reader Take(size_t count);
  void Skip(size_t count);

  // Bit fields: unsigned and sign-extended, `bits` from 0 to 32.
  uint32_t Bits(unsigned bits);
  int32_t SignedBits(unsigned bits);
  bool Flag() { return Bits(1) != 0; }
  void Align() { bitCount_ = 0; }

  size_t Position() const { return position_; }
  size_t Remaining() const { return bytes_.size() - position_; }
  bool AtEnd() const { return position_ >= bytes_.size(); }

 private:
  void Need(size_t count) const;

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  uint8_t bitBuffer_ = 0;
  unsigned bitCount_ = 0;  // bits of bitBuffer_ not yet consumed
};

}  // namespace swf
