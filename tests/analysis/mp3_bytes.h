// Hand-built ID3 tags for the analysis tests: what the taggers do not write.
// SyntheticMp3 (support/swf_reader.h) makes the frames behind them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano::test {

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The 10-byte ID3v2 header; its size carries 7 bits per byte.
inline Bytes Id3v2Header(uint8_t major, uint8_t flags, uint32_t size) {
  return {'I', 'D', '3', major, 0, flags, uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F),
          uint8_t(size >> 7 & 0x7F), uint8_t(size & 0x7F)};
}
// A whole ID3v2 tag around its frames, with `padding` zero bytes behind them.
inline Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& frames, size_t padding = 0) {
  return Cat({Id3v2Header(major, flags, uint32_t(frames.size() + padding)), frames, Bytes(padding, 0)});
}
// ID3v2.3 frame: identifier, 32-bit size (the data's unless given), 2 flag bytes, data.
inline Bytes Frame23(const std::string& id, const Bytes& data, uint8_t flags2 = 0, uint32_t size = 0) {
  if (size == 0) size = uint32_t(data.size());
  return Cat({Text(id), HeaderBytes(size), Bytes{0, flags2}, data});
}
// Text frame data in ISO-8859-1: the encoding byte 0, then the text.
inline Bytes Latin1(const std::string& text) { return Cat({Bytes{0}, Text(text)}); }

inline constexpr uint32_t kMpeg1_128k_44100 = 0xFFFB9044;  // joint stereo, 417 bytes
inline constexpr uint32_t kMpeg1_160k_44100 = 0xFFFBA044;  // 522 bytes
inline constexpr uint32_t kMpeg1_128k_48000 = 0xFFFB9444;  // 384 bytes, not streamable

}  // namespace brelvano::test
