// The buffered output of an FLV file: big-endian integers and numbers written
// through one large buffer, with a cursor that can go back to patch fields
// already written (inside the buffer without any system call).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brelvano {

// Where a stream's bytes end up: positioned writes, as pwrite does.
class FlvSink {
 public:
  virtual ~FlvSink() = default;
  // Writes all size bytes at offset (from the start of the file). Returns
  // false on failure with errno set.
  virtual bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
};

// A sink on an open file descriptor; the caller owns the descriptor.
class FlvFdSink final : public FlvSink {
 public:
  explicit FlvFdSink(int fd) : fd_(fd) {}
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;

 private:
  int fd_;
};

class FlvStream {
 public:
  static constexpr size_t kDefaultBufferSize = 64 * 1024;

  explicit FlvStream(FlvSink& sink, size_t bufferSize = kDefaultBufferSize);
  FlvStream(const FlvStream&) = delete;
  FlvStream& operator=(const FlvStream&) = delete;
  // Does not flush: call Flush() and look at its result.
  ~FlvStream() = default;

  void PutByte(uint8_t byte) {
    if (cursor_ == buffer_.size()) Flush();
    buffer_[cursor_++] = byte;
    if (cursor_ > filled_) filled_ = cursor_;
  }
  void PutBytes(const uint8_t* bytes, size_t count);
  // Big-endian; higher bits of the value are dropped.
  void PutU16(uint32_t value);
  void PutU24(uint32_t value);
  void PutU32(uint32_t value);
  // IEEE 754 binary64, most significant byte first.
  void PutF64(double value);

  // Byte offset of the cursor from the start of the file.
  uint64_t Tell() const { return bufferStart_ + cursor_; }
  // Moves the cursor. Positions behind the end leave whatever the file holds.
  void Seek(uint64_t position);
  // Hands every buffered byte to the sink. False once any write has failed.
  bool Flush();

  bool failed() const { return failed_; }
  int error() const { return error_; }  // errno of the first failed write

 private:
  FlvSink& sink_;
  std::vector<uint8_t> buffer_;  // sized once
  uint64_t bufferStart_ = 0;     // file offset of buffer_[0]
  size_t cursor_ = 0;            // next byte to write, within buffer_
  size_t filled_ = 0;            // buffer_[0, filled_) holds bytes not yet written out
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace brelvano
