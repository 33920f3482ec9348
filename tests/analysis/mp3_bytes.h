// Hand-built ID3 tags for the analysis tests: what the taggers do not write.
// SyntheticMp3 (support/swf_reader.h) makes the frames behind them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "analysis/id3_tags.h"

#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano::test {

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
inline Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
// `s` repeated `n` times.
inline std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// The 10-byte ID3v2 header; its size carries 7 bits per byte.
inline Bytes Id3v2Header(uint8_t major, uint8_t flags, uint32_t size) {
  return {'I',
          'D',
          '3',
          major,
          0,
          flags,
          uint8_t(size >> 21 & 0x7F),
          uint8_t(size >> 14 & 0x7F),
          uint8_t(size >> 7 & 0x7F),
          uint8_t(size & 0x7F)};
}
// A whole ID3v2 tag around its frames, with `padding` zero bytes behind them.
inline Bytes Id3v2Tag(uint8_t major, uint8_t flags, const Bytes& frames, size_t padding = 0) {
  return Cat(
      {Id3v2Header(major, flags, uint32_t(frames.size() + padding)), frames, Bytes(padding, 0)});
}
// ID3v2.3 frame: identifier, 32-bit size (the data's unless given), 2 flag bytes, data.
inline Bytes Frame23(const std::string& id, const Bytes& data, uint8_t flags2 = 0,
                     uint32_t size = 0) {
  if (size == 0) size = uint32_t(data.size());
  return Cat({Text(id), HeaderBytes(size), Bytes{0, flags2}, data});
}
// ID3v2.4 frame: identifier, 7-bit-per-byte size (the data's unless given),
// 2 flag bytes, data.
inline Bytes Frame24(const std::string& id, const Bytes& data, uint8_t flags2 = 0,
                     uint32_t size = 0) {
  if (size == 0) size = uint32_t(data.size());
  return Cat({Text(id),
              Bytes{uint8_t(size >> 21 & 0x7F), uint8_t(size >> 14 & 0x7F),
                    uint8_t(size >> 7 & 0x7F), uint8_t(size & 0x7F)},
              Bytes{0, flags2}, data});
}
// Text frame data in ISO-8859-1: the encoding byte 0, then the text.
inline Bytes Latin1(const std::string& text) { return Cat({Bytes{0}, Text(text)}); }
// Text frame data in UTF-8: the encoding byte 3, then the text.
inline Bytes Utf8(const std::string& text) { return Cat({Bytes{3}, Text(text)}); }

// The fields of a tag read, as "valid|song|artist|album|year|comment|genre".
inline std::string Fields(const _Id3& t) {
  return std::to_string(t.valid) + "|" + t.song + "|" + t.artist + "|" + t.album + "|" + t.year +
         "|" + t.comment + "|" + std::to_string(static_cast<unsigned char>(t.genre));
}

// Reads the tags of a file holding `bytes` into `id3` (whatever it held is
// cleared); `position` gets where the stream was left.
inline int32_t ReadTagsOf(const Bytes& bytes, _Id3& id3, long& position) {
  TempDir dir;
  WriteFileBytes(dir.file("t.mp3"), bytes);
  FILE* file = std::fopen(dir.file("t.mp3").c_str(), "rb");
  std::strcpy(id3.comment, "old");
  const int32_t result = ReadId3Tags(file, id3);
  position = std::ftell(file);
  std::fclose(file);
  return result;
}

// A hand-built file and what reading its tags gives: the reader's result,
// where it leaves the stream, and the fields as Fields shows them.
struct TagCase {
  const char* name;
  Bytes file;
  int32_t result;
  long position;
  std::string fields;
};

inline void ExpectTags(const TagCase& c) {
  SCOPED_TRACE(c.name);
  _Id3 id3;
  long position = -1;
  EXPECT_EQ(ReadTagsOf(c.file, id3, position), c.result);
  EXPECT_EQ(Fields(id3), c.fields);
  EXPECT_EQ(position, c.position);
}

// A 128-byte ID3v1 tag of title, artist, album, year and comment, each padded with zeros.
inline Bytes Id3v1(std::initializer_list<std::string> fields, uint8_t genre) {
  Bytes tag = Text("TAG");
  for (const std::string& field : fields) {
    const size_t end = tag.size() + (tag.size() == 93 ? 4 : 30);  // the year has 4 bytes
    tag = Cat({tag, Text(field)});
    tag.resize(end, 0);
  }
  tag.push_back(genre);
  return tag;
}

inline constexpr uint32_t kMpeg1_128k_44100 = 0xFFFB9044;  // joint stereo, 417 bytes
inline constexpr uint32_t kMpeg1_160k_44100 = 0xFFFBA044;  // 522 bytes
inline constexpr uint32_t kMpeg1_128k_48000 = 0xFFFB9444;  // 384 bytes, not streamable

}  // namespace brelvano::test
