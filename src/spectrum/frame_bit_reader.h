// Most-significant-bit-first reader over one frame buffer that cannot overrun:
// bits at or past the limit read as zeros.
#pragma once

#include <cstdint>
#include <cstring>

namespace brelvano {

class FrameBitReader {
 public:
  // The storage must hold limitByte + 8 readable bytes, the 8 after the
  // limit being zeros: a refill loads 8 bytes at once and may reach into them.
  FrameBitReader(const uint8_t* storage, uint32_t startByte, uint32_t limitByte)
      : data_(storage), limit_(limitByte) {
    setPosition(startByte * 8u);
  }

  // Position in bits from the start of the storage.
  uint32_t position() const { return next_ * 8u - count_; }
  void setPosition(uint32_t bits) {
    next_ = bits >> 3;
    cache_ = 0;
    count_ = 0;
    Refill();
    const uint32_t within = bits & 7;
    cache_ <<= within;
    count_ -= within;
  }

  // Tops the cache up to at least 56 bits with whole bytes. Bytes from the
  // limit on are zeros (the 8 bytes after it in the storage, nothing at all
  // further on), so the position may run past the limit without a read
  // outside the storage.
  void Refill() {
    uint64_t word = 0;
    if (next_ < limit_) {
      uint8_t bytes[8];
      std::memcpy(bytes, data_ + next_, 8);
      word = (uint64_t{bytes[0]} << 56) | (uint64_t{bytes[1]} << 48) | (uint64_t{bytes[2]} << 40) |
             (uint64_t{bytes[3]} << 32) | (uint64_t{bytes[4]} << 24) | (uint64_t{bytes[5]} << 16) |
             (uint64_t{bytes[6]} << 8) | uint64_t{bytes[7]};
    }
    // The bits below the whole bytes taken are the stream's next bits too
    // (or zeros): OR-ing them in again at the next refill changes nothing.
    cache_ |= word >> count_;
    next_ += (63 - count_) >> 3;
    count_ |= 56;
  }

  // The cache: the next bits, first one in bit 63; `available` of them are valid.
  uint64_t cache() const { return cache_; }
  uint32_t available() const { return count_; }
  // Consumes count bits (at most available()).
  void Consume(uint32_t count) {
    cache_ <<= count;
    count_ -= count;
  }

  // The next 32 bits, first bit in bit 31, without consuming them.
  uint32_t Peek32() {
    if (count_ < 32) Refill();
    return static_cast<uint32_t>(cache_ >> 32);
  }
  void Skip(uint32_t count) {
    if (count <= count_) {
      Consume(count);
    } else {
      setPosition(position() + count);
    }
  }
  // count 0..32 bits.
  uint32_t Read(uint32_t count) {
    if (count == 0) return 0;
    if (count_ < count) Refill();
    const uint32_t value = static_cast<uint32_t>(cache_ >> (64 - count));
    Consume(count);
    return value;
  }

 private:
  const uint8_t* data_;
  uint32_t limit_;      // bytes from here on read as zeros
  uint32_t next_ = 0;   // next byte to load into the cache
  uint64_t cache_ = 0;  // left-aligned
  uint32_t count_ = 0;  // valid bits in the cache, 0..63
};

}  // namespace brelvano
