#include "swf/swf_buffer.h"

#include <cstring>

namespace brelvano {

void SwfBuffer::PutBytes(const uint8_t* bytes, int32_t count) {
  if (count <= 0) return;
  const size_t n = static_cast<size_t>(count);
  if (position_ + n > storage_.size()) storage_.resize(position_ + n);
  std::memcpy(storage_.data() + position_, bytes, n);
  position_ += static_cast<uint32_t>(n);
}

void SwfBuffer::PutString(const char* text) {
  PutBytes(reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(std::strlen(text)));
  PutByte(0);
}

void SwfBuffer::Append(const SwfBuffer& other) {
  PutBytes(other.data(), static_cast<int32_t>(other.GetPosition()));
}

void SwfBuffer::PutTagHeader(uint32_t code, int32_t length, bool forceLong) {
  if (!forceLong && length <= 62) {
    PutU16(code * 64 + static_cast<uint32_t>(length));
    return;
  }
  PutU16(code * 64 + 63);
  PutU32(static_cast<uint32_t>(length));
}

size_t SwfBuffer::WriteToFile(FILE* file) const {
  if (position_ == 0) return 0;
  return std::fwrite(storage_.data(), position_, 1, file);
}

}  // namespace brelvano
