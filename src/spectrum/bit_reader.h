// Most-significant-bit-first reader over one frame buffer that cannot overrun:
// bits at or past the limit read as zeros.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace brelvano {

class BitReader {
 public:
  // The storage must hold limitByte + 8 readable bytes, the 8 after the
  // limit being zeros, so that a peek never needs a mask.
  BitReader(const uint8_t* storage, uint32_t startByte, uint32_t limitByte)
      : data_(storage), position_(startByte * 8u), limit_(limitByte * 8u) {}

  // Position in bits from the start of the storage.
  uint32_t position() const { return position_; }
  void setPosition(uint32_t bits) { position_ = bits; }

  // The next 64 bits, first bit in bit 63, without consuming them; at least
  // the first 57 are the stream's (the rest may be zeros). Bits at or past the
  // limit are zeros: the reader never looks past limit + 8 bytes.
  uint64_t Peek64() const {
    const uint32_t at = position_ < limit_ ? position_ : limit_;
    uint64_t word;
    std::memcpy(&word, data_ + (at >> 3), sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return word << (at & 7);
  }
  uint32_t Peek32() const { return static_cast<uint32_t>(Peek64() >> 32); }
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
