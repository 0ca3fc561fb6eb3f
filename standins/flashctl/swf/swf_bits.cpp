#include "swf_bits.h"

namespace swf {

void Reader::Need(size_t count) const {
  if (count > Remaining()) throw FormatError("read past the end of a record");
}

uint8_t Reader::U8() {
  Align();
  Need(1);
  return bytes_[position_++];
}

uint16_t Reader::U16() {
  const uint16_t low = U8();
  return static_cast<uint16_t>(low | (U8() << 8));
}

uint32_t Reader::U32() {
  const uint32_t low = U16();
  return low | (static_cast<uint32_t>(U16()) << 16);
}

std::string Reader::String() {
  Align();
  std::string text;
  for (;;) {
    const uint8_t c = U8();
    if (c == 0) return text;
    text.push_back(static_cast<char>(c));
  }
}

Reader Reader::Take(size_t count) {
  Align();
  Need(count);
  Reader part(bytes_.subspan(position_, count));
  position_ += count;
  return part;
}

void Reader::Skip(size_t count) {
  Align();
  Need(count);
  position_ += count;
}

uint32_t Reader::Bits(unsigned bits) {
  if (bits > 32) throw FormatError("bit field wider than 32 bits");
  uint32_t value = 0;
  for (unsigned i = 0; i < bits; ++i) {
    if (bitCount_ == 0) {
      Need(1);
      bitBuffer_ = bytes_[position_++];
      bitCount_ = 8;
    }
    --bitCount_;
    value = (value << 1) | ((bitBuffer_ >> bitCount_) & 1u);
  }
  return value;
}

int32_t Reader::SignedBits(unsigned bits) {
  const uint32_t raw = Bits(bits);
  if (bits == 0 || bits == 32) return static_cast<int32_t>(raw);
  const uint32_t sign = 1u << (bits - 1);
  return static_cast<int32_t>((raw ^ sign) - sign);
}

}  // namespace swf
