// Forward reading of a file one byte at a time, with relative skips, through
// a large buffer of our own: skips that land inside the buffer cost nothing,
// so walking a long MP3 file frame by frame reads it once.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace brelvano {

class ByteReader {
 public:
  static constexpr size_t kDefaultBufferSize = size_t{1} << 18;

  // Starts at the stream's current position; the stream stays owned by the caller.
  explicit ByteReader(FILE* file, size_t bufferSize = kDefaultBufferSize);

  // The next byte (0..255), or -1 at the end of the file.
  int next() { return pos_ < length_ ? buffer_[pos_++] : refill(); }
  // Moves forward by `count` bytes, possibly beyond the end of the file.
  void skip(int64_t count);
  // Offset of the next byte in the file.
  int64_t position() const { return bufferStart_ + static_cast<int64_t>(pos_); }

 private:
  int refill();

  FILE* file_;
  std::unique_ptr<uint8_t[]> buffer_;  // left uninitialised: fread fills it
  size_t capacity_;
  size_t pos_ = 0;
  size_t length_ = 0;
  int64_t bufferStart_;  // file offset of buffer_[0]
};

}  // namespace brelvano
