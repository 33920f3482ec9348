#include "swf/swf_movie.h"

#include <algorithm>

#include "swf/swf_tags.h"

namespace brelvano {

void SwfMovie::Flush() {
  const uint32_t n = buffer_.GetPosition();
  if (n == 0) return;
  if (!failed_ && buffer_.WriteToFile(file_) != 1) failed_ = true;
  written_ += n;
  buffer_.Clear();
}

bool SwfMovie::Finish(uint32_t frameCount) {
  if (!file_ || written_ == 0) {
    // The header is still in the buffer: patch it there.
    SwfWriteEnd(buffer_, frameCount);
    if (file_) Flush();
  } else {
    buffer_.PutU16(kSwfTagEnd);
    const uint64_t total = written_ + buffer_.GetPosition();
    Flush();
    SwfBuffer patch;
    patch.PutU32(static_cast<uint32_t>(total));
    SwfBuffer count;
    count.PutU16(std::min(frameCount, kSwfMaxFrameCount));
    if (std::fseek(file_, kSwfFileLengthOffset, SEEK_SET) != 0 || patch.WriteToFile(file_) != 1 ||
        std::fseek(file_, kSwfFrameCountOffset, SEEK_SET) != 0 || count.WriteToFile(file_) != 1 ||
        std::fseek(file_, 0, SEEK_END) != 0) {
      failed_ = true;
    }
  }
  if (file_ && std::fflush(file_) != 0) failed_ = true;
  return !failed_;
}

}  // namespace brelvano
