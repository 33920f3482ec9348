// Hand-built MP3 and ID3 bytes for the analysis tests: tags of every kind the
// taggers do not write, and runs of frames with empty bodies.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "support/test_files.h"

namespace brelvano::test {

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes Repeat(const Bytes& unit, int times) {
  Bytes all;
  for (int i = 0; i < times; ++i) all.insert(all.end(), unit.begin(), unit.end());
  return all;
}

inline Bytes BigEndian32(uint32_t value) {
  return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

// The 10-byte ID3v2 header with a 7-bit-per-byte size.
inline Bytes Id3v2Header(uint8_t major, uint8_t flags, uint32_t size) {
  return {'I', 'D', '3', major, 0, flags,
          uint8_t((size >> 21) & 0x7F), uint8_t((size >> 14) & 0x7F), uint8_t((size >> 7) & 0x7F),
          uint8_t(size & 0x7F)};
}

// A whole ID3v2 tag around its frames, with `padding` zero bytes behind them.
inline Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& frames, size_t padding = 0) {
  return Concat({Id3v2Header(major, flags, uint32_t(frames.size() + padding)), frames, Bytes(padding, 0)});
}

// ID3v2.3 frame: 4-byte identifier, 32-bit size, 2 flag bytes, data.
inline Bytes Frame23(const std::string& id, const Bytes& data, uint8_t flags2 = 0) {
  return Concat({Text(id), BigEndian32(uint32_t(data.size())), Bytes{0, flags2}, data});
}
// The same with a size field that says what the test wants.
inline Bytes Frame23Sized(const std::string& id, uint32_t size, const Bytes& data) {
  return Concat({Text(id), BigEndian32(size), Bytes{0, 0}, data});
}

// ID3v2.2 frame: 3-byte identifier, 24-bit size, data.
inline Bytes Frame22(const std::string& id, const Bytes& data) {
  const auto size = uint32_t(data.size());
  return Concat({Text(id), Bytes{uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size)}, data});
}

// Text frame data: the encoding byte, then the text bytes.
inline Bytes Latin1(const std::string& text) { return Concat({Bytes{0}, Text(text)}); }
inline Bytes Encoded(uint8_t encoding, const Bytes& text) { return Concat({Bytes{encoding}, text}); }

// UTF-16 text from 16-bit units, little- or big-endian, with its mark first.
inline Bytes Utf16(std::initializer_list<uint16_t> units, bool littleEndian, bool withMark = true) {
  Bytes out{1};
  auto put = [&](uint16_t u) {
    if (littleEndian) {
      out.push_back(uint8_t(u));
      out.push_back(uint8_t(u >> 8));
    } else {
      out.push_back(uint8_t(u >> 8));
      out.push_back(uint8_t(u));
    }
  };
  if (withMark) put(0xFEFF);
  for (uint16_t u : units) put(u);
  return out;
}

// A 128-byte ID3v1 tag; each field is padded with zeros (or taken whole).
inline Bytes Id3v1(const std::string& title, const std::string& artist, const std::string& album,
                   const std::string& year, const std::string& comment, uint8_t genre) {
  auto field = [](const std::string& text, size_t width) {
    Bytes b(text.begin(), text.end());
    b.resize(width, 0);
    return b;
  };
  return Concat({Text("TAG"), field(title, 30), field(artist, 30), field(album, 30), field(year, 4),
                 field(comment, 30), Bytes{genre}});
}

// Body length of a Layer I/II/III frame as the scanner measures it, from the
// standard's frame length: 144 x bit rate / sample rate bytes (72 for MPEG-2
// and 2.5), header included.
inline size_t FrameLength(int kbps, int rate, bool lsf, bool padded) {
  return size_t((lsf ? 72000 : 144000) * kbps / rate + (padded ? 1 : 0));
}

// `count` frames with this header word and zero bodies.
inline Bytes Frames(uint32_t header, int kbps, int rate, int count) {
  const bool lsf = ((header >> 19) & 3) != 3;
  Bytes frame = HeaderBytes(header);
  frame.resize(FrameLength(kbps, rate, lsf, (header >> 9) & 1), 0);
  return Repeat(frame, count);
}

// Common headers.
inline constexpr uint32_t kMpeg1_128k_44100 = 0xFFFB9044;  // joint stereo
inline constexpr uint32_t kMpeg1_160k_44100 = 0xFFFBA044;
inline constexpr uint32_t kMpeg1_128k_48000 = 0xFFFB9444;
inline constexpr uint32_t kMpeg1_64k_44100_mono = 0xFFFB50C4;

// Opens a file written from bytes; closes it on destruction.
class OpenFile {
 public:
  OpenFile(const TempDir& dir, const Bytes& bytes, const std::string& name = "in.mp3")
      : path_(dir.file(name)) {
    WriteFileBytes(path_, bytes);
    file_ = std::fopen(path_.c_str(), "rb");
  }
  ~OpenFile() {
    if (file_) std::fclose(file_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  FILE* get() const { return file_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  FILE* file_ = nullptr;
};

}  // namespace brelvano::test
