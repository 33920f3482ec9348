// An SWF movie (or one tag body) assembled in memory: little-endian integers,
// strings and tag headers, with a cursor that can go back to patch fields.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace brelvano {

class SwfBuffer {
 public:
  SwfBuffer() = default;

  // The content is bytes 0 .. GetPosition()-1.
  uint32_t GetPosition() const { return position_; }
  // Moves the cursor, to patch fields already written and then back to the end.
  void SetPosition(uint32_t position) { position_ = position; }
  void Clear() { position_ = 0; }  // keeps the storage for reuse

  void PutByte(uint8_t byte) {
    if (position_ < storage_.size()) {
      storage_[position_] = byte;
    } else {
      storage_.resize(position_);  // a cursor moved past the end leaves zeros behind it
      storage_.push_back(byte);
    }
    ++position_;
  }
  void PutBytes(const uint8_t* bytes, int32_t count);
  void PutU16(uint32_t value) {  // higher bits are dropped
    PutByte(static_cast<uint8_t>(value));
    PutByte(static_cast<uint8_t>(value >> 8));
  }
  void PutU32(uint32_t value) {
    PutU16(value & 0xFFFF);
    PutU16(value >> 16);
  }
  // The string's bytes, then its terminating zero.
  void PutString(const char* text);
  void Append(const SwfBuffer& other);

  // SWF RECORDHEADER: code in the upper 10 bits, length in the lower 6, or 63
  // there and a 32-bit length behind when the body is 63 bytes or longer or
  // the long form is forced (SoundStreamBlock always uses it).
  void PutTagHeader(uint32_t code, int32_t length, bool forceLong);

  // Writes the content as one item; 1 on success, 0 on failure or when empty.
  size_t WriteToFile(FILE* file) const;

  const uint8_t* data() const { return storage_.data(); }

 private:
  std::vector<uint8_t> storage_;
  uint32_t position_ = 0;
};

}  // namespace brelvano
