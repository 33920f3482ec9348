#include "analysis/id3_tags.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "analysis/id3_text.h"

namespace brelvano {
namespace {

// Positions the stream at offset; when that fails (it cannot within a
// regular file), at its start, where a scan finds the same frames, only later.
void SeekOrRewind(FILE* file, int64_t offset) {
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) std::rewind(file);
}

constexpr int kId3v1Length = 128;
constexpr int kId3v2HeaderLength = 10;

bool ReadBytes(FILE* file, uint8_t* bytes, size_t count) {
  return std::fread(bytes, 1, count, file) == count;
}

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
  return (bytes[0] & 0x7Fu) << 21 | (bytes[1] & 0x7Fu) << 14 | (bytes[2] & 0x7Fu) << 7 |
         (bytes[3] & 0x7Fu);
}

// ID3v2 text frames that are read, and the field each fills. ID3v2.4 keeps
// the year as the start of the recording time "TDRC" (yyyy-MM-ddTHH:mm:ss,
// ID3v2.4 frames 4.2.5), which the year's 5 bytes cut to the year; "TYER"
// from ID3v2.3 writers is read too. A later frame replaces an earlier one.
enum class TagField { kSong, kArtist, kAlbum, kYear };
struct TextFrame {
  uint8_t major;  // tag version
  char id[5];
  TagField field;
};
constexpr TextFrame kTextFrames[] = {
    // ID3v2.2 (identifiers of 3 characters)
    {2, "TT2", TagField::kSong},
    {2, "TP1", TagField::kArtist},
    {2, "TAL", TagField::kAlbum},
    {2, "TYE", TagField::kYear},
    // ID3v2.3
    {3, "TIT2", TagField::kSong},
    {3, "TPE1", TagField::kArtist},
    {3, "TALB", TagField::kAlbum},
    {3, "TYER", TagField::kYear},
    // ID3v2.4
    {4, "TIT2", TagField::kSong},
    {4, "TPE1", TagField::kArtist},
    {4, "TALB", TagField::kAlbum},
    {4, "TDRC", TagField::kYear},
    {4, "TYER", TagField::kYear},
};

struct FieldRef {
  char* text;
  int width;
};

FieldRef FindField(_Id3& id3, const uint8_t* id, uint8_t major) {
  const size_t idLength = major == 2 ? 3 : 4;
  for (const TextFrame& frame : kTextFrames) {
    if (frame.major != major || std::memcmp(id, frame.id, idLength) != 0) continue;
    switch (frame.field) {
      case TagField::kSong:
        return {id3.song, static_cast<int>(sizeof id3.song)};
      case TagField::kArtist:
        return {id3.artist, static_cast<int>(sizeof id3.artist)};
      case TagField::kAlbum:
        return {id3.album, static_cast<int>(sizeof id3.album)};
      case TagField::kYear:
        return {id3.year, static_cast<int>(sizeof id3.year)};
    }
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
// ID3v2.3 and 2.4 a 4-byte identifier, a 4-byte size (7 bits per byte in
// ID3v2.4) and 2 flag bytes.
struct FrameLayout {
  uint8_t major;
  int idLength;
  int sizeLength;
  int flagLength;
};
constexpr FrameLayout kFramesV22{2, 3, 3, 0};
constexpr FrameLayout kFramesV23{3, 4, 4, 2};
constexpr FrameLayout kFramesV24{4, 4, 4, 2};

// Second flag byte of an ID3v2.3 frame header.
constexpr uint8_t kFrame23Compressed = 0x80;
constexpr uint8_t kFrame23Encrypted = 0x40;
// Second flag byte of an ID3v2.4 frame header (ID3v2.4 structure 4.1.2).
// A grouped frame's data starts with a group byte; a data length indicator
// adds 4 bytes behind it.
constexpr uint8_t kFrame24Grouped = 0x40;
constexpr uint8_t kFrame24Compressed = 0x08;
constexpr uint8_t kFrame24Encrypted = 0x04;
constexpr uint8_t kFrame24Unsynchronised = 0x02;
constexpr uint8_t kFrame24DataLength = 0x01;

// ID3v2.4 frame sizes carry 7 bits per byte. iTunes once wrote plain sizes
// there; a byte with its top bit set gives such a size away.
uint32_t FrameSize24(const uint8_t* bytes) {
  return ((bytes[0] | bytes[1] | bytes[2] | bytes[3]) & 0x80) != 0 ? BigEndian(bytes, 4)
                                                                   : SyncSafe(bytes);
}

// Undoes unsynchronisation: the 00 inserted behind every FF goes.
void RemoveUnsynchronisation(std::vector<uint8_t>& bytes) {
  size_t out = 0;
  for (size_t in = 0; in < bytes.size(); ++in) {
    bytes[out++] = bytes[in];
    if (bytes[in] == 0xFF && in + 1 < bytes.size() && bytes[in + 1] == 0x00) ++in;
  }
  bytes.resize(out);
}

// Reads the text of an ID3v2.4 text frame whose data starts at the current
// position; `available` is the frame's size, or less where the tag ends first.
void ReadTextFrame24(FILE* file, const FieldRef& field, uint8_t format, bool tagUnsynchronised,
                     int64_t available) {
  // Enough for the longest text the field takes: 2 bytes per UTF-16 unit,
  // doubled by unsynchronisation, with the encoding, group and length bytes.
  const int64_t enough = 4 * static_cast<int64_t>(field.width) + 16;
  std::vector<uint8_t> data(static_cast<size_t>(std::clamp<int64_t>(available, 0, enough)));
  data.resize(std::fread(data.data(), 1, data.size(), file));
  if (tagUnsynchronised || (format & kFrame24Unsynchronised) != 0) RemoveUnsynchronisation(data);
  size_t at = 0;
  if (format & kFrame24Grouped) at += 1;
  if (format & kFrame24DataLength) at += 4;
  if (at >= data.size()) return;  // not even an encoding byte
  DecodeId3Text(data.data() + at + 1, data.size() - at - 1, data[at], field.text, field.width);
}

// Walks the frames from the current position to the end of the frames and
// reads the text frames of the table. Returns the end of the last
// well-formed frame lying inside the file (`start` when there is none): where
// the audio most likely starts if the tag end turns out to lie beyond the file.
int64_t ReadFrames(FILE* file, _Id3& id3, const FrameLayout& layout, bool tagUnsynchronised,
                   int64_t framesEnd, int64_t fileSize, int64_t start) {
  const int headerLength = layout.idLength + layout.sizeLength + layout.flagLength;
  int64_t resume = start;
  bool wellFormed = true;
  while (Position(file) < framesEnd) {
    uint8_t header[10];
    if (!ReadBytes(file, header, static_cast<size_t>(headerLength)))
      break;  // the file ends inside the tag
    const uint8_t* sizeBytes = header + layout.idLength;
    const uint32_t size =
        layout.major == 4 ? FrameSize24(sizeBytes) : BigEndian(sizeBytes, layout.sizeLength);
    if (size == 0) break;  // padding
    const int64_t data = Position(file);
    // A frame never reaches past its tag: a larger size is corrupt, and
    // the bytes behind the tag are no text of it.
    const int64_t inTag = std::min<int64_t>(size, std::max<int64_t>(framesEnd - data, 0));
    const uint8_t format = layout.flagLength == 0 ? 0 : header[headerLength - 1];
    const FieldRef field =
        header[0] == 'T' ? FindField(id3, header, layout.major) : FieldRef{nullptr, 0};
    if (layout.major == 4) {
      // Compressed or encrypted frames are not read.
      if (field.text && (format & (kFrame24Compressed | kFrame24Encrypted)) == 0)
        ReadTextFrame24(file, field, format, tagUnsynchronised, inTag);
    } else if ((format & (kFrame23Compressed | kFrame23Encrypted)) == 0 && header[0] == 'T') {
      const int encoding = std::fgetc(file);
      if (field.text)
        ReadId3Text(field.text, field.width, file, static_cast<uint32_t>(inTag), encoding);
    }
    const int64_t frameEnd = data + size;
    wellFormed = wellFormed && IsFrameId(header, layout.idLength) && frameEnd <= fileSize;
    if (wellFormed) resume = frameEnd;
    if (std::fseek(file, static_cast<long>(frameEnd), SEEK_SET) != 0) break;
  }
  id3.valid = 1;
  return resume;
}

// ID3v2 tag header flags (ID3v2.4 structure 3.1; 0x40 meant compression in ID3v2.2).
constexpr uint8_t kTagUnsynchronised = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40;
constexpr uint8_t kTag22Compressed = 0x40;
constexpr uint8_t kTagFooter = 0x10;

// Where the frames of an ID3v2.4 tag start, behind the extended header if
// any. Its size is synchsafe and counts its own 4 bytes. Some writers set the
// flag without writing the header: a frame identifier stands there instead.
int64_t FramesStart24(FILE* file, uint8_t flags) {
  if ((flags & kTagExtendedHeader) == 0) return kId3v2HeaderLength;
  uint8_t length[4] = {};
  if (!ReadBytes(file, length, sizeof length) || IsFrameId(length, 4)) return kId3v2HeaderLength;
  return kId3v2HeaderLength + std::max<int64_t>(SyncSafe(length), sizeof length);
}

int32_t ReadId3v2(FILE* file, _Id3& id3, int64_t fileSize) {
  uint8_t header[7] = {};  // major version, revision, flags, size; a short file leaves zeros
  ReadBytes(file, header, sizeof header);
  const uint8_t major = header[0];
  const uint8_t flags = header[2];
  const uint32_t size = SyncSafe(header + 3);
  const int64_t framesEnd = int64_t{size} + kId3v2HeaderLength;
  // An ID3v2.4 footer repeats the header behind the frames.
  const int64_t tagEnd =
      framesEnd + (major == 4 && (flags & kTagFooter) != 0 ? kId3v2HeaderLength : 0);
  int64_t resume = kId3v2HeaderLength;
  if (major == 2) {
    if ((flags & kTag22Compressed) == 0)
      resume = ReadFrames(file, id3, kFramesV22, false, framesEnd, fileSize, resume);
  } else if (major == 3) {
    int64_t start = kId3v2HeaderLength;
    if (flags & kTagExtendedHeader) {  // its length excludes its own 4 bytes
      uint8_t length[4] = {};
      ReadBytes(file, length, sizeof length);
      start = Position(file) + BigEndian(length, 4);
      SeekOrRewind(file, start);
      if (start > fileSize) start = kId3v2HeaderLength;
    }
    resume = ReadFrames(file, id3, kFramesV23, false, framesEnd, fileSize, start);
  } else if (major == 4) {
    int64_t start = FramesStart24(file, flags);
    SeekOrRewind(file, std::min(start, fileSize));
    if (start > fileSize) start = kId3v2HeaderLength;
    resume = ReadFrames(file, id3, kFramesV24, (flags & kTagUnsynchronised) != 0, framesEnd,
                        fileSize, start);
  }
  // Other versions (0, 1 and 5 on) are not read.
  const int64_t next = tagEnd <= fileSize ? tagEnd : std::min(resume, fileSize);
  SeekOrRewind(file, next);
  return static_cast<int32_t>(tagEnd);
}

// One ID3v1 text field of `length` bytes: the text ends at the first zero
// byte, trailing spaces go (a field of spaces only keeps one).
void ReadId3v1Text(FILE* file, size_t length, char* field, int width) {
  uint8_t text[80] = {};
  ReadBytes(file, text, length);
  size_t end = strnlen(reinterpret_cast<const char*>(text), length);
  while (end > 1 && text[end - 1] == ' ') --end;
  DecodeId3Text(text, end, kId3EncodingLatin1, field, width);
}

int32_t ReadId3v1(FILE* file, _Id3& id3, int64_t fileSize) {
  id3 = _Id3{};
  uint8_t magic[3];
  if (fileSize < kId3v1Length || std::fseek(file, -kId3v1Length, SEEK_END) != 0 ||
      !ReadBytes(file, magic, 3) || std::memcmp(magic, "TAG", 3) != 0) {
    std::rewind(file);
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
  std::rewind(file);
  return kId3v1Length;
}

// Fills what the ID3v2 tag left empty from the ID3v1 tag; the comment and
// the genre, which an ID3v2 tag never fills, come with it.
void FillFromId3v1(_Id3& id3, const _Id3& v1) {
  const auto fill = [](char* field, const char* from, size_t width) {
    if (field[0] == 0) std::memcpy(field, from, width);
  };
  fill(id3.song, v1.song, sizeof id3.song);
  fill(id3.artist, v1.artist, sizeof id3.artist);
  fill(id3.album, v1.album, sizeof id3.album);
  fill(id3.year, v1.year, sizeof id3.year);
  fill(id3.comment, v1.comment, sizeof id3.comment);
  id3.genre = v1.genre;
  id3.valid = 1;
}

}  // namespace

void ReadId3Text(char* field, int width, FILE* file, uint32_t size, int encoding) {
  if (width < 1) return;
  if (encoding == kId3EncodingLatin1) {
    const size_t count = std::min<size_t>(size, static_cast<size_t>(width));
    std::vector<uint8_t> bytes(count, 0);
    const size_t got = std::fread(bytes.data(), 1, count, file);
    // The last of the bytes read is never text: with size <= width it lies
    // behind the frame (size counts the encoding byte), otherwise it is the
    // field's terminator.
    DecodeId3Text(bytes.data(), std::min(got, count == 0 ? 0 : count - 1), encoding, field, width);
  } else if (encoding == kId3EncodingUtf16) {
    const size_t units = std::min<size_t>(size / 2, static_cast<size_t>(width));
    std::vector<uint8_t> bytes(2 * units, 0);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    DecodeId3Text(bytes.data(), got, encoding, field, width);
  }
}

int32_t ReadId3Tags(FILE* file, _Id3& id3) {
  id3 = _Id3{};
  const int64_t fileSize = FileSize(file);
  std::rewind(file);
  uint8_t magic[3];
  if (!ReadBytes(file, magic, 3) || std::memcmp(magic, "ID3", 3) != 0)
    return ReadId3v1(file, id3, fileSize);
  const int32_t length = ReadId3v2(file, id3, fileSize);
  const int64_t behindTag = Position(file);
  // An ID3v1 tag behind the audio fills what the ID3v2 tag left empty.
  if ((id3.song[0] == 0 || id3.artist[0] == 0 || id3.album[0] == 0 || id3.year[0] == 0) &&
      fileSize - kId3v1Length >= behindTag) {
    _Id3 v1;
    if (ReadId3v1(file, v1, fileSize) != 0) FillFromId3v1(id3, v1);
    SeekOrRewind(file, behindTag);
  }
  return length;
}

}  // namespace brelvano
