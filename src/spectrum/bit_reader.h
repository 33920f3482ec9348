// Most-significant-bit-first reader over one frame buffer that cannot overrun:
// bits at or past the limit read as zeros.
#pragma once

#include <cstdint>

namespace brelvano {

class BitReader {
 public:
  // The storage must hold limitByte + 8 readable bytes, the 8 after the
  // limit being zeros, so that a peek never needs a bounds check.
  BitReader(const uint8_t* storage, uint32_t startByte, uint32_t limitByte)
      : data_(storage), position_(startByte * 8u), limit_(limitByte * 8u) {}

  // Position in bits from the start of the storage.
  uint32_t position() const { return position_; }
  void setPosition(uint32_t bits) { position_ = bits; }

  // The next 32 bits, first bit in bit 31, without consuming them.
  uint32_t Peek32() const {
    const uint32_t at = position_ < limit_ ? position_ : limit_;
    const uint8_t* p = data_ + (at >> 3);
    const uint64_t word = (uint64_t{p[0]} << 56) | (uint64_t{p[1]} << 48) | (uint64_t{p[2]} << 40) |
                          (uint64_t{p[3]} << 32) | (uint64_t{p[4]} << 24) | (uint64_t{p[5]} << 16) |
                          (uint64_t{p[6]} << 8) | uint64_t{p[7]};
    uint32_t bits = static_cast<uint32_t>((word << (at & 7)) >> 32);
    if (position_ + 32 > limit_) {  // mask what lies at or past the limit
      const uint32_t valid = position_ < limit_ ? limit_ - position_ : 0;
      bits = valid == 0 ? 0 : bits & (~0u << (32 - valid));
    }
    return bits;
  }
  void Skip(uint32_t count) { position_ += count; }
  // count 0..24 bits.
  uint32_t Read(uint32_t count) {
    if (count == 0) return 0;
    const uint32_t value = Peek32() >> (32 - count);
    position_ += count;
    return value;
  }

 private:
  const uint8_t* data_;
  uint32_t position_;
  uint32_t limit_;
};

}  // namespace brelvano
