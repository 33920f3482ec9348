#include "analysis/id3_tags.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "analysis/utf8_field.h"

namespace brelvano {
namespace {

constexpr int kId3v1Length = 128;
constexpr int kId3v2HeaderLength = 10;

bool ReadBytes(FILE* file, uint8_t* bytes, size_t count) { return std::fread(bytes, 1, count, file) == count; }

int64_t FileSize(FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return 0;
  const long size = std::ftell(file);
  return size < 0 ? 0 : size;
}

int64_t Position(FILE* file) { return std::ftell(file); }

uint32_t BigEndian(const uint8_t* bytes, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

// Tag sizes carry 7 bits per byte; the top bits are ignored.
uint32_t SyncSafe(const uint8_t* bytes) {
  return (bytes[0] & 0x7Fu) << 21 | (bytes[1] & 0x7Fu) << 14 | (bytes[2] & 0x7Fu) << 7 | (bytes[3] & 0x7Fu);
}

void ConvertLatin1(const uint8_t* text, size_t length, char* field, int width) {
  Utf8FieldWriter out(field, width);
  for (size_t i = 0; i < length && text[i] != 0; ++i) {
    if (!out.put(text[i])) break;
  }
  out.finish();
}

void ReadLatin1Text(char* field, int width, FILE* file, uint32_t size) {
  const size_t count = std::min<size_t>(size, static_cast<size_t>(width));
  std::vector<uint8_t> bytes(count, 0);
  const size_t got = std::fread(bytes.data(), 1, count, file);
  // The last of the bytes read is never text: with size <= width it lies
  // behind the frame (size counts the encoding byte), otherwise it is the
  // field's terminator.
  ConvertLatin1(bytes.data(), std::min(got, count == 0 ? 0 : count - 1), field, width);
}

constexpr bool IsHighSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool IsLowSurrogate(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
constexpr uint32_t kReplacementCharacter = 0xFFFD;

void ReadUtf16Text(char* field, int width, FILE* file, uint32_t size) {
  const size_t units = std::min<size_t>(size / 2, static_cast<size_t>(width));
  Utf8FieldWriter out(field, width);
  bool bigEndian = true;   // until a byte-order mark says otherwise
  uint32_t pendingHigh = 0;  // a high surrogate waiting for its low half
  for (size_t i = 0; i < units; ++i) {
    uint8_t pair[2];
    if (!ReadBytes(file, pair, 2)) break;
    // The mark's bytes name the order: FE FF big-endian, FF FE little-endian.
    if ((pair[0] == 0xFE && pair[1] == 0xFF) || (pair[0] == 0xFF && pair[1] == 0xFE)) {
      bigEndian = pair[0] == 0xFE;
      continue;
    }
    const uint32_t unit = bigEndian ? BigEndian(pair, 2) : (uint32_t{pair[1]} << 8 | pair[0]);
    if (pendingHigh != 0) {
      const uint32_t high = pendingHigh;
      pendingHigh = 0;
      if (IsLowSurrogate(unit)) {
        if (!out.put(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00))) break;
        continue;
      }
      if (!out.put(kReplacementCharacter)) break;  // a high half without its partner
    }
    if (unit == 0) break;
    if (IsHighSurrogate(unit)) {
      pendingHigh = unit;
    } else if (!out.put(IsLowSurrogate(unit) ? kReplacementCharacter : unit)) {
      break;
    }
  }
  if (pendingHigh != 0) out.put(kReplacementCharacter);
  out.finish();
}

struct FieldRef {
  char* text;
  int width;
};

// ID3v2 frames that are read, and the field each fills.
FieldRef FindField(_Id3& id3, const uint8_t* id, int idLength) {
  struct Entry {
    const char* v23;
    const char* v22;
    char* text;
    int width;
  };
  const Entry table[] = {
      {"TIT2", "TT2", id3.song, static_cast<int>(sizeof id3.song)},
      {"TPE1", "TP1", id3.artist, static_cast<int>(sizeof id3.artist)},
      {"TALB", "TAL", id3.album, static_cast<int>(sizeof id3.album)},
      {"TYER", "TYE", id3.year, static_cast<int>(sizeof id3.year)},
  };
  for (const Entry& e : table) {
    const char* name = idLength == 4 ? e.v23 : e.v22;
    if (std::memcmp(id, name, static_cast<size_t>(idLength)) == 0) return {e.text, e.width};
  }
  return {nullptr, 0};
}

bool IsFrameId(const uint8_t* id, int length) {
  for (int i = 0; i < length; ++i) {
    if (!((id[i] >= 'A' && id[i] <= 'Z') || (id[i] >= '0' && id[i] <= '9'))) return false;
  }
  return true;
}

// Frame header layouts: ID3v2.2 has a 3-byte identifier and a 3-byte size,
// ID3v2.3 a 4-byte identifier, a 4-byte size and 2 flag bytes.
struct FrameLayout {
  int idLength;
  int sizeLength;
  int flagLength;
};
constexpr FrameLayout kFramesV22{3, 3, 0};
constexpr FrameLayout kFramesV23{4, 4, 2};

// Walks the frames from the current position to the tag end and reads the
// text frames of the table. Returns the end of the last well-formed frame
// lying inside the file (`start` when there is none): where the audio most
// likely starts if the tag end turns out to lie beyond the file.
int64_t ReadFrames(FILE* file, _Id3& id3, const FrameLayout& layout, int64_t tagEnd, int64_t fileSize,
                   int64_t start) {
  const int headerLength = layout.idLength + layout.sizeLength + layout.flagLength;
  int64_t resume = start;
  bool wellFormed = true;
  while (Position(file) < tagEnd) {
    uint8_t header[10];
    if (!ReadBytes(file, header, static_cast<size_t>(headerLength))) break;  // the file ends inside the tag
    const uint32_t size = BigEndian(header + layout.idLength, layout.sizeLength);
    if (size == 0) break;  // padding
    const int64_t data = Position(file);
    // ID3v2.3 frames compressed (0x80) or encrypted (0x40) are not read.
    const bool readable = layout.flagLength == 0 || (header[headerLength - 1] & 0xC0) == 0;
    if (readable && header[0] == 'T') {
      const int encoding = std::fgetc(file);
      const FieldRef field = FindField(id3, header, layout.idLength);
      // A frame never reaches past its tag: a larger size is corrupt, and
      // the bytes behind the tag are no text of it.
      const auto inTag = static_cast<uint32_t>(std::min<int64_t>(size, std::max<int64_t>(tagEnd - data, 0)));
      if (field.text) ReadId3Text(field.text, field.width, file, inTag, encoding);
    }
    const int64_t frameEnd = data + size;
    wellFormed = wellFormed && IsFrameId(header, layout.idLength) && frameEnd <= fileSize;
    if (wellFormed) resume = frameEnd;
    if (std::fseek(file, static_cast<long>(frameEnd), SEEK_SET) != 0) break;
  }
  id3.valid = 1;
  return resume;
}

int32_t ReadId3v2(FILE* file, _Id3& id3, int64_t fileSize) {
  uint8_t header[7] = {};  // major version, revision, flags, size; a short file leaves zeros
  ReadBytes(file, header, sizeof header);
  const uint8_t major = header[0];
  const uint8_t flags = header[2];
  const uint32_t size = SyncSafe(header + 3);
  const int64_t tagEnd = int64_t{size} + kId3v2HeaderLength;
  int64_t resume = kId3v2HeaderLength;
  if (major == 2) {
    // Flag 0x40 marks a compressed ID3v2.2 tag, which is not read.
    if ((flags & 0x40) == 0) resume = ReadFrames(file, id3, kFramesV22, tagEnd, fileSize, resume);
  } else if (major == 3) {
    int64_t start = kId3v2HeaderLength;
    if (flags & 0x40) {  // extended header: its length excludes its own 4 bytes
      uint8_t length[4] = {};
      ReadBytes(file, length, sizeof length);
      start = Position(file) + BigEndian(length, 4);
      std::fseek(file, static_cast<long>(start), SEEK_SET);
      if (start > fileSize) start = kId3v2HeaderLength;
    }
    resume = ReadFrames(file, id3, kFramesV23, tagEnd, fileSize, start);
  }
  // Other versions (2.4 and later, 0 and 1) are not read.
  const int64_t next = tagEnd <= fileSize ? tagEnd : std::min(resume, fileSize);
  std::fseek(file, static_cast<long>(next), SEEK_SET);
  return static_cast<int32_t>(tagEnd);
}

// One ID3v1 text field of `length` bytes: the text ends at the first zero
// byte, trailing spaces go (a field of spaces only keeps one).
void ReadId3v1Text(FILE* file, size_t length, char* field, int width) {
  uint8_t text[80] = {};
  ReadBytes(file, text, length);
  size_t end = strnlen(reinterpret_cast<const char*>(text), length);
  while (end > 1 && text[end - 1] == ' ') --end;
  ConvertLatin1(text, end, field, width);
}

int32_t ReadId3v1(FILE* file, _Id3& id3, int64_t fileSize) {
  id3 = _Id3{};
  uint8_t magic[3];
  if (fileSize < kId3v1Length || std::fseek(file, -kId3v1Length, SEEK_END) != 0 || !ReadBytes(file, magic, 3) ||
      std::memcmp(magic, "TAG", 3) != 0) {
    std::fseek(file, 0, SEEK_SET);
    return 0;
  }
  ReadId3v1Text(file, 30, id3.song, sizeof id3.song);
  ReadId3v1Text(file, 30, id3.artist, sizeof id3.artist);
  ReadId3v1Text(file, 30, id3.album, sizeof id3.album);
  ReadId3v1Text(file, 4, id3.year, sizeof id3.year);
  ReadId3v1Text(file, 30, id3.comment, sizeof id3.comment);
  const int genre = std::fgetc(file);
  id3.genre = static_cast<char>(genre == EOF ? 0 : genre);
  id3.valid = 1;
  std::fseek(file, 0, SEEK_SET);
  return kId3v1Length;
}

}  // namespace

void ReadId3Text(char* field, int width, FILE* file, uint32_t size, int encoding) {
  if (width < 1) return;
  if (encoding == kId3EncodingLatin1) {
    ReadLatin1Text(field, width, file, size);
  } else if (encoding == kId3EncodingUtf16) {
    ReadUtf16Text(field, width, file, size);
  }
}

int32_t ReadId3Tags(FILE* file, _Id3& id3) {
  id3 = _Id3{};
  const int64_t fileSize = FileSize(file);
  std::fseek(file, 0, SEEK_SET);
  uint8_t magic[3];
  if (ReadBytes(file, magic, 3) && std::memcmp(magic, "ID3", 3) == 0) return ReadId3v2(file, id3, fileSize);
  return ReadId3v1(file, id3, fileSize);
}

}  // namespace brelvano
