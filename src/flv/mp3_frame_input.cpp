#include "flv/mp3_frame_input.h"

#include "analysis/frame_header.h"

namespace brelvano {

Mp3FrameInput::~Mp3FrameInput() {
  if (file_) std::fclose(file_);
}

bool Mp3FrameInput::Open(const char* path) {
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
  if (fseeko(file_, 0, SEEK_END) == 0) size_ = ftello(file_);
  if (size_ < 0) size_ = 0;
  SeekTo(0);
  return true;
}

void Mp3FrameInput::SeekTo(int64_t offset) {
  if (offset < 0) offset = 0;
  fseeko(file_, static_cast<off_t>(offset), SEEK_SET);
  position_ = offset;
}

Mp3Search Mp3FrameInput::FindFrame(Mp3Frame& frame, bool skipUnsupported) {
  uint32_t window = 0;
  for (;;) {
    const int byte = getc(file_);
    if (byte == EOF) return Mp3Search::kEnd;
    ++position_;
    window = window << 8 | static_cast<uint32_t>(byte);
    const int32_t result = DecodeFrameHeader(window, frame.stereo, frame.freq, frame.bitrate, frame.bodyLength);
    if (result > 0) {
      frame.header = window;
      frame.samples = result;
      return Mp3Search::kFound;
    }
    if (result == kFrameUnsupported) {
      if (!skipUnsupported) return Mp3Search::kUnsupported;
      // The next header can only start behind this frame's body.
      if (frame.bodyLength > 0) SeekTo(position_ + frame.bodyLength);
      window = 0;
    }
  }
}

int32_t Mp3FrameInput::ReadBody(uint8_t* body, int32_t count) {
  if (count <= 0) return 0;
  const size_t n = std::fread(body, 1, static_cast<size_t>(count), file_);
  position_ += static_cast<int64_t>(n);
  return static_cast<int32_t>(n);
}

}  // namespace brelvano
