// The frame size of a player movie, read from its uncompressed SWF header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brelvano {

// Reads bits most significant first from a byte array of known size; bits
// past its end read as zeros, so no field can overrun it.
class SwfBitReader {
 public:
  SwfBitReader(const uint8_t* bytes, size_t size, size_t start = 0)
      : bytes_(bytes), size_(size), next_(start) {}

  // The next n bits (0..32; 0 gives 0), the first one read the most significant.
  uint32_t GetBits(int n);
  // An SWF RECT from the next byte boundary: 5 bits Nbits, then Xmin, Xmax,
  // Ymin, Ymax of Nbits each, sign-extended.
  void ReadRect(int32_t rect[4]);

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t next_;       // index of the next byte to load
  int bitsLeft_ = 0;  // unread bits in current_
  uint32_t current_ = 0;
};

struct SwfHeaderInfo {
  int32_t width = 0;   // pixels: Xmax of the frame RECT / 20
  int32_t height = 0;  // pixels: Ymax / 20
};

// Only the first 21 bytes of a movie are looked at: signature, version,
// file length and the frame RECT (values of up to 24 bits fit in them).
inline constexpr size_t kSwfHeaderBytesRead = 21;

// The frame size of an uncompressed ("FWS") movie; none when the file cannot
// be read or is not one (a compressed "CWS" movie has no known size).
std::optional<SwfHeaderInfo> ReadSwfHeader(const std::string& path);
// The same over bytes already in memory (a short buffer reads as zero-padded).
std::optional<SwfHeaderInfo> ReadSwfHeaderBytes(const uint8_t* bytes, size_t size);

}  // namespace brelvano
