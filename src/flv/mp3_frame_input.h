// The MP3 side of a conversion: the file read through a large buffer, byte by
// byte while looking for frame headers, a body at a time once one is found.
#pragma once

#include <cstdint>
#include <cstdio>

namespace brelvano {

// One decoded frame header.
struct Mp3Frame {
  uint32_t header = 0;  // the 4 bytes as read, first byte in bits 31..24
  int32_t samples = 0;  // per frame
  int32_t stereo = 0;
  int32_t freq = 0;     // Hz
  int32_t bitrate = 0;  // kbit/s
  int32_t bodyLength = 0;
};

enum class Mp3Search { kFound, kUnsupported, kEnd };

class Mp3FrameInput {
 public:
  static constexpr size_t kBufferSize = 64 * 1024;

  Mp3FrameInput() = default;
  ~Mp3FrameInput();
  Mp3FrameInput(const Mp3FrameInput&) = delete;
  Mp3FrameInput& operator=(const Mp3FrameInput&) = delete;

  // Opens the file and measures it; false when it cannot be opened.
  bool Open(const char* path);
  int64_t size() const { return size_; }
  // Byte offset of the next byte to read (may lie past the end after a skip).
  int64_t position() const { return position_; }
  void SeekTo(int64_t offset);

  // Shifts bytes into a header window starting at 0 until it holds a header
  // of a frame that can be streamed (kFound). A valid header of any other
  // frame either ends the search (kUnsupported) or, with skipUnsupported, has
  // its body skipped. kEnd at the end of the file.
  Mp3Search FindFrame(Mp3Frame& frame, bool skipUnsupported);

  // Reads up to count bytes; returns how many were there.
  int32_t ReadBody(uint8_t* body, int32_t count);

 private:
  FILE* file_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
};

}  // namespace brelvano
