// Helpers of the FLV tests: an in-memory sink and a reader of the tags we write.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/mp3entry.h"
#include "flv/flv_stream.h"
#include "support/test_files.h"

namespace brelvano::flvtest {

using test::Bytes;

// Keeps every byte written, at its offset; can be told to fail from a given
// number of bytes on, as a full disk does.
class MemorySink final : public FlvSink {
 public:
  bool WriteAt(uint64_t offset, const uint8_t* data, size_t size) override {
    ++writes;
    if (offset + size > failFrom) {
      errno = ENOSPC;
      return false;
    }
    if (bytes.size() < offset + size) bytes.resize(offset + size);
    std::memcpy(bytes.data() + offset, data, size);
    return true;
  }
  Bytes bytes;
  uint64_t failFrom = UINT64_MAX;
  int writes = 0;
};

// Writes with a fresh stream into a memory sink and returns the bytes.
template <typename Fn>
Bytes Written(Fn&& write) {
  MemorySink sink;
  FlvStream out(sink);
  write(out);
  out.Flush();
  return sink.bytes;
}

inline uint32_t BigEndian(const Bytes& b, size_t at, int count) {
  uint32_t v = 0;
  for (int i = 0; i < count; ++i) v = v << 8 | b.at(at + static_cast<size_t>(i));
  return v;
}

inline double NumberAt(const Bytes& b, size_t at) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | b.at(at + static_cast<size_t>(i));
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

struct Tag {
  uint8_t type = 0;
  uint32_t dataSize = 0;
  uint32_t timestamp = 0;
  uint8_t extension = 0;
  uint32_t streamId = 0;
  uint32_t previousTagSize = 0;
  size_t dataOffset = 0;  // in the file
  Bytes data;
};

// Splits a file behind its 13-byte start into tags; stops at a cut tag.
inline std::vector<Tag> ReadTags(const Bytes& file) {
  std::vector<Tag> tags;
  size_t at = 13;
  while (at + 11 <= file.size()) {
    Tag t;
    t.type = file[at];
    t.dataSize = BigEndian(file, at + 1, 3);
    t.timestamp = BigEndian(file, at + 4, 3);
    t.extension = file[at + 7];
    t.streamId = BigEndian(file, at + 8, 3);
    t.dataOffset = at + 11;
    if (t.dataOffset + t.dataSize + 4 > file.size()) break;
    t.data.assign(file.begin() + static_cast<long>(t.dataOffset),
                  file.begin() + static_cast<long>(t.dataOffset + t.dataSize));
    t.previousTagSize = BigEndian(file, t.dataOffset + t.dataSize, 4);
    tags.push_back(std::move(t));
    at += 11 + tags.back().dataSize + 4;
  }
  return tags;
}

inline std::vector<Tag> TagsOfType(const std::vector<Tag>& tags, uint8_t type) {
  std::vector<Tag> out;
  for (const Tag& t : tags)
    if (t.type == type) out.push_back(t);
  return out;
}

// Offset of the value of the named property inside a script tag's data
// (just behind the name), or npos.
inline size_t FindProperty(const Bytes& data, const std::string& name) {
  Bytes key{static_cast<uint8_t>(name.size() >> 8), static_cast<uint8_t>(name.size())};
  key.insert(key.end(), name.begin(), name.end());
  for (size_t i = 0; i + key.size() <= data.size(); ++i)
    if (std::equal(key.begin(), key.end(), data.begin() + static_cast<long>(i))) return i + key.size();
  return std::string::npos;
}

inline double NumberProperty(const Bytes& data, const std::string& name) {
  const size_t at = FindProperty(data, name);
  if (at == std::string::npos || data.at(at) != 0) return -12345.0;
  return NumberAt(data, at + 1);
}

inline std::string StringProperty(const Bytes& data, const std::string& name) {
  const size_t at = FindProperty(data, name);
  if (at == std::string::npos || data.at(at) != 2) return "<missing>";
  const uint32_t length = BigEndian(data, at + 1, 2);
  return std::string(data.begin() + static_cast<long>(at + 3), data.begin() + static_cast<long>(at + 3 + length));
}

// The track properties a scan would give: skip behind an ID3v2 tag.
inline _MP3prop PropsFor(const Bytes& mp3) {
  _MP3prop prop;
  if (mp3.size() >= 10 && mp3[0] == 'I' && mp3[1] == 'D' && mp3[2] == '3') {
    prop.skip = 10 + static_cast<int32_t>((mp3[6] & 0x7F) << 21 | (mp3[7] & 0x7F) << 14 | (mp3[8] & 0x7F) << 7 |
                                          (mp3[9] & 0x7F));
    if (mp3[5] & 0x10) prop.skip += 10;  // footer
  }
  return prop;
}

inline std::string Fixture(const std::string& name) { return test::DataFile("flv/" + name); }

}  // namespace brelvano::flvtest
