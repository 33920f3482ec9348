// Walks an MP3 file frame by frame: the one frame reader of the scan and of
// both writers. Frame syncs are found with memchr over a large buffer, holes
// of sparse files are jumped over, and every search starts afresh where the
// last frame (or skipped frame) ended, so no bytes from before a skip are
// ever taken together with bytes after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace brelvano {

// One decoded frame header and where it stands.
struct Mp3Frame {
  uint32_t header = 0;  // the 4 bytes as read, first byte in bits 31..24
  int32_t samples = 0;  // per frame: 1152 or 576
  int32_t stereo = 0;
  int32_t freq = 0;        // Hz
  int32_t bitrate = 0;     // kbit/s
  int32_t bodyLength = 0;  // bytes after the 4 header bytes
  int64_t offset = 0;      // file offset of the header
};

enum class Mp3Search { kFound, kUnsupported, kEnd };

// The rules that differ between readers of the frames.
struct Mp3FrameReaderOptions {
  // The writers stream only files whose first frame they can stream: set,
  // a valid header of a frame we cannot stream met before any streamable
  // frame ends that search with kUnsupported. Otherwise (and always after
  // the first streamable frame) such frames are skipped by their length and
  // counted.
  bool firstFrameMustBeSupported = false;
  size_t bufferSize = size_t{1} << 18;
};

class Mp3FrameReader {
 public:
  // Reads `file` (open for reading, owned by the caller) through its
  // descriptor at explicit offsets: the stream's own position and buffer are
  // neither used nor changed. Starts at offset 0.
  explicit Mp3FrameReader(FILE* file, Mp3FrameReaderOptions options = {});

  // Size of the file when the reader was made.
  int64_t size() const { return size_; }
  // Offset of the next byte to read; never beyond the end of the file.
  int64_t position() const { return position_ < size_ ? position_ : size_; }
  void SeekTo(int64_t offset) { position_ = offset < 0 ? 0 : offset; }

  // From the position on, finds the next header of a frame we can stream
  // (kFound: `frame` filled, position just behind its header). kEnd when the
  // file ends first; kUnsupported only under firstFrameMustBeSupported.
  Mp3Search FindFrame(Mp3Frame& frame);
  // Reads up to `count` bytes at the position into `body`; returns how many
  // the file held.
  int32_t ReadBody(uint8_t* body, int32_t count);
  // Moves the position `count` bytes on, possibly beyond the end.
  void Skip(int64_t count) {
    if (count > 0) position_ += count;
  }

  // Frames of kinds we cannot stream that searches skipped.
  int64_t unsupportedFrames() const { return unsupported_; }
  // End of the last frame found or skipped, at most the file size: where the
  // audio ends, whatever follows it (tags, junk, a hole).
  int64_t endOfAudio() const { return endOfAudio_; }
  // What the header decoder last wrote into its outputs, over every header
  // candidate tried, found or not (bodyLength excepted).
  const Mp3Frame& lastDecoded() const { return decoded_; }

 private:
  // Makes the bytes from `offset` on available in the buffer, at least `need`
  // of them unless the file ends first; returns how many are available.
  // Searching, `offset` may move forward over a hole (which holds no sync).
  size_t Load(int64_t& offset, size_t need, bool searching);
  void NoteFrameEnd(int64_t end);

  int fd_;
  Mp3FrameReaderOptions options_;
  std::unique_ptr<uint8_t[]> buffer_;  // left uninitialised: pread fills it
  int64_t bufferStart_ = 0;            // file offset of buffer_[0]
  size_t bufferLength_ = 0;
  int64_t size_ = 0;
  int64_t position_ = 0;
  int64_t unsupported_ = 0;
  int64_t endOfAudio_ = 0;
  bool foundAny_ = false;
  Mp3Frame decoded_;
};

}  // namespace brelvano
