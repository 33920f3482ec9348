// The movie being written: tags go into an SwfBuffer, which is either kept
// whole in memory or drained into an open file as it fills, so that a long
// track never needs its whole movie in memory. The two header fields known
// only at the end (file length, frame count) are patched in either case.
#pragma once

#include <cstdint>
#include <cstdio>

#include "swf/swf_buffer.h"

namespace brelvano {

class SwfMovie {
 public:
  // In memory: the complete movie stays in buffer().
  SwfMovie() = default;
  // Streaming: content is written to file (open for binary writing and
  // seekable, positioned at its start) whenever more than drainBytes pend.
  explicit SwfMovie(FILE* file, uint32_t drainBytes = 1u << 20)
      : file_(file), drainBytes_(drainBytes) {}

  SwfBuffer& buffer() { return buffer_; }
  // Call between tags: writes the pending content out when enough has gathered.
  void Drain() {
    if (file_ && buffer_.GetPosition() >= drainBytes_) Flush();
  }
  // Writes the End tag and patches file length and frame count. Returns
  // false when any write to the file failed.
  bool Finish(uint32_t frameCount);
  bool failed() const { return failed_; }
  // Bytes of the movie so far, written or pending.
  uint64_t size() const { return written_ + buffer_.GetPosition(); }

 private:
  void Flush();

  SwfBuffer buffer_;
  FILE* file_ = nullptr;
  uint32_t drainBytes_ = 0;
  uint64_t written_ = 0;
  bool failed_ = false;
};

}  // namespace brelvano
