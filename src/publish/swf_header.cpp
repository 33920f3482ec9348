#include "publish/swf_header.h"

#include <cstdio>
#include <cstring>

#include "base/file_services.h"

namespace brelvano {

uint32_t SwfBitReader::GetBits(int n) {
  uint32_t value = 0;
  for (int i = 0; i < n && i < 32; ++i) {
    if (bitsLeft_ == 0) {
      current_ = next_ < size_ ? bytes_[next_] : 0;
      if (next_ < size_) ++next_;
      bitsLeft_ = 8;
    }
    --bitsLeft_;
    value = (value << 1) | ((current_ >> bitsLeft_) & 1u);
  }
  return value;
}

void SwfBitReader::ReadRect(int32_t rect[4]) {
  bitsLeft_ = 0;  // a RECT starts on a byte boundary
  const int nbits = static_cast<int>(GetBits(5));
  for (int i = 0; i < 4; ++i) {
    uint32_t value = GetBits(nbits);
    if (nbits > 0 && nbits < 32 && (value >> (nbits - 1)) & 1u) value |= ~0u << nbits;
    rect[i] = static_cast<int32_t>(value);
  }
}

std::optional<SwfHeaderInfo> ReadSwfHeaderBytes(const uint8_t* bytes, size_t size) {
  uint8_t header[kSwfHeaderBytesRead] = {};
  if (size > 0) std::memcpy(header, bytes, size < sizeof header ? size : sizeof header);
  if (header[0] != 'F' || header[1] != 'W' || header[2] != 'S') return std::nullopt;
  // Behind the signature, the version byte and the 32-bit file length.
  SwfBitReader reader(header, sizeof header, 8);
  int32_t rect[4];  // Xmin, Xmax, Ymin, Ymax in twips
  reader.ReadRect(rect);
  return SwfHeaderInfo{rect[1] / 20, rect[3] / 20};
}

std::optional<SwfHeaderInfo> ReadSwfHeader(const std::string& path) {
  FILE* file = OpenRegularFile(path);
  if (!file) return std::nullopt;
  uint8_t header[kSwfHeaderBytesRead] = {};
  const size_t got = std::fread(header, 1, sizeof header, file);
  std::fclose(file);
  return ReadSwfHeaderBytes(header, got);
}

}  // namespace brelvano
