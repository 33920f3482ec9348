#include "analysis/mp3_frame_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "analysis/frame_header.h"

namespace brelvano {

namespace {

constexpr size_t kHeaderBytes = 4;

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

}  // namespace

Mp3FrameReader::Mp3FrameReader(FILE* file, Mp3FrameReaderOptions options)
    : fd_(fileno(file)), options_(options) {
  options_.bufferSize = std::max(options_.bufferSize, size_t{64});
  buffer_.reset(new uint8_t[options_.bufferSize]);
  struct stat st;
  if (fstat(fd_, &st) == 0 && st.st_size > 0) size_ = st.st_size;
}

size_t Mp3FrameReader::Load(int64_t& offset, size_t need, bool searching) {
  const int64_t bufferEnd = bufferStart_ + static_cast<int64_t>(bufferLength_);
  if (offset >= bufferStart_ && offset < bufferEnd) {
    const size_t have = static_cast<size_t>(bufferEnd - offset);
    if (have >= need) return have;
    // Keep the few bytes already here and read on behind them.
    std::memmove(buffer_.get(), buffer_.get() + (offset - bufferStart_), have);
    bufferStart_ = offset;
    bufferLength_ = have;
  } else {
    if (searching) {
      // A hole reads as zeros, which hold no sync: go on where data is.
      // ENXIO: nothing but hole up to the end.
      const off_t data = lseek(fd_, static_cast<off_t>(offset), SEEK_DATA);
      if (data > offset) offset = data;
      if (data < 0 && errno == ENXIO) offset = std::max(offset, size_);
    }
    bufferStart_ = offset;
    bufferLength_ = 0;
  }
  while (bufferLength_ < options_.bufferSize) {
    const ssize_t got =
        pread(fd_, buffer_.get() + bufferLength_, options_.bufferSize - bufferLength_,
              static_cast<off_t>(bufferStart_ + static_cast<int64_t>(bufferLength_)));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    bufferLength_ += static_cast<size_t>(got);
  }
  return bufferLength_;
}

void Mp3FrameReader::NoteFrameEnd(int64_t end) {
  endOfAudio_ = std::max(endOfAudio_, std::min(end, size_));
}

Mp3Search Mp3FrameReader::FindFrame(Mp3Frame& frame) {
  int64_t at = position_;
  for (;;) {
    size_t available = Load(at, kHeaderBytes, true);
    if (available == 0) break;
    const uint8_t* here = buffer_.get() + (at - bufferStart_);
    const auto* sync = static_cast<const uint8_t*>(std::memchr(here, 0xFF, available));
    if (!sync) {
      at += static_cast<int64_t>(available);
      continue;
    }
    at += sync - here;
    available = Load(at, kHeaderBytes, true);
    if (available < kHeaderBytes) break;  // too few bytes left for a header
    const uint32_t word = BigEndian32(buffer_.get() + (at - bufferStart_));
    // The decoder's outputs persist across calls, as lastDecoded() promises.
    const int32_t result = DecodeFrameHeader(word, decoded_.stereo, decoded_.freq, decoded_.bitrate,
                                             decoded_.bodyLength);
    if (result > 0 ||
        (result == kFrameUnsupported && options_.firstFrameMustBeSupported && !foundAny_)) {
      frame = decoded_;
      frame.header = word;
      frame.samples = result > 0 ? result : 0;
      frame.offset = at;
      position_ = at + static_cast<int64_t>(kHeaderBytes);
      if (result < 0) return Mp3Search::kUnsupported;
      foundAny_ = true;
      NoteFrameEnd(position_ + frame.bodyLength);
      return Mp3Search::kFound;
    }
    if (result == kFrameUnsupported) {
      // The next header can only start behind this frame's body.
      ++unsupported_;
      at += static_cast<int64_t>(kHeaderBytes) + decoded_.bodyLength;
      NoteFrameEnd(at);
      continue;
    }
    ++at;  // not a header: try the next 0xFF
  }
  position_ = std::max(at, position_);
  return Mp3Search::kEnd;
}

int32_t Mp3FrameReader::ReadBody(uint8_t* body, int32_t count) {
  int32_t done = 0;
  while (done < count) {
    int64_t at = position_;
    const size_t available = Load(at, 1, false);
    if (available == 0) break;
    const size_t n = std::min(available, static_cast<size_t>(count - done));
    std::memcpy(body + done, buffer_.get() + (at - bufferStart_), n);
    done += static_cast<int32_t>(n);
    position_ += static_cast<int64_t>(n);
  }
  return done;
}

}  // namespace brelvano
