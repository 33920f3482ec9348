#include "analysis/byte_reader.h"

namespace brelvano {

ByteReader::ByteReader(FILE* file, size_t bufferSize)
    : file_(file),
      buffer_(new uint8_t[bufferSize == 0 ? 1 : bufferSize]),
      capacity_(bufferSize == 0 ? 1 : bufferSize),
      bufferStart_(std::ftell(file)) {
  if (bufferStart_ < 0) bufferStart_ = 0;
}

int ByteReader::refill() {
  bufferStart_ += static_cast<int64_t>(length_);
  pos_ = 0;
  length_ = std::fread(buffer_.get(), 1, capacity_, file_);
  return length_ == 0 ? -1 : buffer_[pos_++];
}

void ByteReader::skip(int64_t count) {
  if (count <= 0) return;
  if (static_cast<uint64_t>(count) <= length_ - pos_) {
    pos_ += static_cast<size_t>(count);
    return;
  }
  const int64_t target = position() + count;
  std::fseek(file_, static_cast<long>(target), SEEK_SET);
  bufferStart_ = target;
  pos_ = length_ = 0;
}

}  // namespace brelvano
