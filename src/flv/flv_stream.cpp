#include "flv/flv_stream.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brelvano {

bool FlvFdSink::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = pwrite(fd_, data, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {  // no progress and no error: report it as a full device
      errno = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

FlvStream::FlvStream(FlvSink& sink, size_t bufferSize)
    : sink_(sink), buffer_(std::max<size_t>(bufferSize, 16)) {}

void FlvStream::PutBytes(const uint8_t* bytes, size_t count) {
  while (count > 0) {
    if (cursor_ == buffer_.size()) Flush();
    const size_t n = std::min(count, buffer_.size() - cursor_);
    std::memcpy(buffer_.data() + cursor_, bytes, n);
    cursor_ += n;
    if (cursor_ > filled_) filled_ = cursor_;
    bytes += n;
    count -= n;
  }
}

void FlvStream::PutU16(uint32_t value) {
  PutByte(static_cast<uint8_t>(value >> 8));
  PutByte(static_cast<uint8_t>(value));
}

void FlvStream::PutU24(uint32_t value) {
  PutByte(static_cast<uint8_t>(value >> 16));
  PutU16(value);
}

void FlvStream::PutU32(uint32_t value) {
  PutU16(value >> 16);
  PutU16(value);
}

void FlvStream::PutF64(double value) {
  uint64_t bits;
  static_assert(sizeof bits == sizeof value);
  std::memcpy(&bits, &value, sizeof bits);
  PutU32(static_cast<uint32_t>(bits >> 32));
  PutU32(static_cast<uint32_t>(bits));
}

void FlvStream::Seek(uint64_t position) {
  if (position >= bufferStart_ && position <= bufferStart_ + filled_) {
    cursor_ = static_cast<size_t>(position - bufferStart_);
    return;
  }
  Flush();
  bufferStart_ = position;
  cursor_ = 0;
}

bool FlvStream::Flush() {
  if (filled_ > 0 && !failed_ && !sink_.WriteAt(bufferStart_, buffer_.data(), filled_)) {
    failed_ = true;
    error_ = errno;
  }
  // The buffer now starts at the cursor; bytes behind it are in the file.
  bufferStart_ += cursor_;
  cursor_ = 0;
  filled_ = 0;
  return !failed_;
}

}  // namespace brelvano
