#include "analysis/id3_tags.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using namespace test;

// "valid|song|artist|album|year|comment|genre"
std::string Fields(const _Id3& t) {
  return std::to_string(t.valid) + "|" + t.song + "|" + t.artist + "|" + t.album + "|" + t.year + "|" + t.comment +
         "|" + std::to_string(static_cast<unsigned char>(t.genre));
}

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// ID3v2.2 frame: 3-byte identifier, 24-bit size (below 256 here), data.
Bytes Frame22(const std::string& id, const Bytes& data) {
  return Cat({Text(id), Bytes{0, 0, uint8_t(data.size())}, data});
}

// A 128-byte ID3v1 tag of title, artist, album, year and comment, each padded with zeros.
Bytes Id3v1(std::initializer_list<std::string> fields, uint8_t genre) {
  Bytes tag = Text("TAG");
  for (const std::string& field : fields) {
    const size_t end = tag.size() + (tag.size() == 93 ? 4 : 30);  // the year has 4 bytes
    tag = Cat({tag, Text(field)});
    tag.resize(end, 0);
  }
  tag.push_back(genre);
  return tag;
}

// Reads the tags of a file holding `bytes`; `position` gets where the stream was left.
std::string ReadTags(const Bytes& bytes, int32_t& result, long& position) {
  TempDir dir;
  WriteFileBytes(dir.file("t.mp3"), bytes);
  FILE* file = std::fopen(dir.file("t.mp3").c_str(), "rb");
  _Id3 id3;  // whatever was there is cleared
  std::strcpy(id3.comment, "old");
  result = ReadId3Tags(file, id3);
  position = std::ftell(file);
  std::fclose(file);
  return Fields(id3);
}

TEST(ReadId3Tags, HandBuiltTags) {
  const Bytes audio = SyntheticMp3(kMpeg1_128k_44100, 2);
  const Bytes v22 = Id3v2Tag(2, 0, Cat({Frame22("TT2", Latin1("Title")), Frame22("TP1", Latin1("Artist")),
                                       Frame22("TAL", Latin1("Album")), Frame22("TYE", Latin1("1998")),
                                       Frame22("COM", Latin1("xxxxxxxxxxx"))}));
  const Bytes flags = Id3v2Tag(3, 0, Cat({Frame23("TIT2", Latin1("Compressed"), 0x80),
                                          Frame23("TPE1", Latin1("Encrypted"), 0x40), Frame23("TALB", Latin1("Plain")),
                                          Frame23("TYER", Cat({Bytes{2}, Text("2000")})),
                                          Frame23("TIT2", Latin1("Second"))}));
  const Bytes extended = Cat({Id3v2Header(3, 0x40, 29), Bytes{0, 0, 0, 6}, Bytes(6, 0xEE),
                              Frame23("TIT2", Latin1("Extended"))});
  const Bytes cut = Cat({Id3v2Header(3, 0, 1000), Frame23("TIT2", Latin1("Complete")),
                         Frame23("TPE1", Latin1("Cut off here, the rest is missing"))});
  const Bytes v22z = Id3v2Tag(2, 0x40, Frame22("TT2", Latin1("Hidden")));
  const auto n = [](const Bytes& tag) { return int32_t(tag.size()); };
  const struct {
    const char* name;
    Bytes file;
    int32_t result;
    long position;
    std::string fields;
  } cases[] = {
      {"v2.2", Cat({v22, audio}), n(v22), n(v22), "1|Title|Artist|Album|1998||0"},
      {"v2.2 compressed", Cat({v22z, audio}), n(v22z), n(v22z), "0||||||0"},
      {"v2.3 without text frames", Id3v2Tag(3, 0, Frame23("COMM", Latin1("engcomment")), 5), 36, 36,
       "1||||||0"},
      // Compressed and encrypted frames, and text of an unknown encoding, are not read.
      {"v2.3 frame flags", Cat({flags, audio}), n(flags), n(flags), "1|Second||Plain|||0"},
      {"v2.3 extended header", Cat({extended, audio}), 39, 39, "1|Extended|||||0"},
      // Spaces only keep one; a leading zero empties a field; trailing spaces go;
      // a v1.1 comment ends at its zero byte; a non-ASCII year is cut to fit.
      {"v1 edge fields", Cat({audio, Id3v1({std::string(30, ' '), std::string("\0ignored", 8), "\xC9t\xE9  ",
                                            "19\xE9\xE9", std::string("twenty-eight characters text\0\x05", 30)},
                                           255)}),
       128, 0, "1| ||\xC3\x89t\xC3\xA9|19\xC3\xA9|twenty-eight characters text|255"},
      {"file shorter than an ID3v1 tag", Text("abcTAGTitle"), 0, 0, "0||||||0"},
      // Broken sizes: the stream is left where the audio most likely starts.
      {"tag end beyond file", Cat({Id3v2Header(3, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Huge")), audio}),
       0x0FFFFFFF + 10, 25, "1|Huge|||||0"},
      {"v2.4 tag end beyond file", Cat({Id3v2Header(4, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Four")), audio}),
       0x0FFFFFFF + 10, 10, "0||||||0"},
      {"file cut inside tag", Bytes(cut.begin(), cut.end() - 20), 1010, 29, "1|Complete|Cut off here,||||0"},
      {"frame size past tag end", Cat({Id3v2Tag(3, 0, Cat({Frame23("TALB", Latin1("Before")),
                                                           Frame23("TIT2", Latin1("Past"), 0, 0xFFFFFFF0)})),
                                       audio}),
       42, 42, "1|Past||Before|||0"},
      {"only the magic", Text("ID3"), 10, 3, "0||||||0"},
      {"v2.3 of size 0", Cat({Id3v2Header(3, 0, 0), audio}), 10, 10, "1||||||0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t result;
    long position;
    EXPECT_EQ(ReadTags(c.file, result, position), c.fields);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(position, c.position);
  }
}

// Frame data as UTF-16 units, little- or big-endian, after a byte-order mark.
Bytes Units(std::initializer_list<uint16_t> units, bool littleEndian, bool mark = true) {
  Bytes out;
  if (mark) out = littleEndian ? Bytes{0xFF, 0xFE} : Bytes{0xFE, 0xFF};
  for (uint16_t u : units) {
    out.push_back(uint8_t(littleEndian ? u : u >> 8));
    out.push_back(uint8_t(littleEndian ? u >> 8 : u));
  }
  return out;
}

TEST(ReadId3Text, ConvertsWithinItsField) {
  const std::string note = "\xF0\x9F\x8E\xB5", bad = "\xEF\xBF\xBD";  // U+1F3B5, U+FFFD
  Bytes cjk = Units({}, false), pairs = Units({}, true);
  for (int i = 0; i < 300; ++i) cjk = Cat({cjk, Units({0x65E5}, false, false)});
  for (int i = 0; i < 40; ++i) pairs = Cat({pairs, Units({0xD83C, 0xDFB5}, true, false)});
  const struct {
    const char* name;
    Bytes data;     // behind the encoding byte
    uint32_t size;  // as stored: the encoding byte counts
    int encoding, width;
    std::string expected;
  } cases[] = {
      {"300 ASCII characters give 255", Bytes(300, 'a'), 301, 0, 256, std::string(255, 'a')},
      {"ends at a zero byte", Text(std::string("ab\0cd", 5)), 6, 0, 256, "ab"},
      {"the size counts the encoding byte", Text("abcd"), 4, 0, 256, "abc"},
      // Cut before the first character that does not fit with the zero byte.
      {"long non-ASCII text", Text(Times("abcd\xE9", 60)), 301, 0, 256, Times("abcd\xC3\xA9", 42) + "abc"},
      {"non-ASCII year", Text("19\xE9\xE9"), 5, 0, 5, "19\xC3\xA9"},
      {"UTF-16 little-endian", Units({'Z', 'o', 0xEB}, true), 9, 1, 80, "Zo\xC3\xAB"},
      {"UTF-16 big-endian", Units({'Z', 'o', 0xEB}, false), 9, 1, 80, "Zo\xC3\xAB"},
      {"surrogate pair", Units({'A', 0xD83C, 0xDFB5, 'B'}, true), 11, 1, 80, "A" + note + "B"},
      {"lone surrogates", Units({'A', 0xD83C, 'B', 0xDFB5, 0xD83C}, true), 13, 1, 80, "A" + bad + "B" + bad + bad},
      {"UTF-16 ASCII fills the field", Units({'x', 'x', 'x', 'x', 'x', 'x'}, true), 15, 1, 5, "xxxx"},
      {"UTF-16 CJK cut", cjk, 603, 1, 256, Times("\xE6\x97\xA5", 85)},
      {"surrogate pairs cut", pairs, 163, 1, 80, Times(note, 19)},
      {"huge size stops at the end of the file", Text("abc"), 0xFFFFFFFF, 0, 80, "abcTPE1\x7F\x7F\x7F\x7F"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(dir.file("t"), Cat({c.data, Text("TPE1\x7F\x7F\x7F\x7F")}));  // the next frame
    FILE* file = std::fopen(dir.file("t").c_str(), "rb");
    std::string guarded(size_t(c.width) + 8, 'Z');
    ReadId3Text(guarded.data(), c.width, file, c.size, c.encoding);
    std::fclose(file);
    EXPECT_EQ(guarded.c_str(), c.expected);  // and its zero byte within the field
    EXPECT_EQ(guarded.substr(size_t(c.width)), std::string(8, 'Z')) << "wrote past the field";
  }
}

// Tags written by id3v2, eyeD3 and mid3v2 onto copies of one clip
// (tests/data/analysis/make.sh).
TEST(ReadId3Tags, WhatTheTaggersWrote) {
  std::string long255;  // what fits of the 300-character title, every fifth one "é"
  for (int i = 0; long255.size() + (i % 5 == 4 ? 2 : 1) <= 255; ++i)
    long255 += i % 5 == 4 ? std::string("\xC3\xA9") : std::string(1, char('a' + i % 26));
  const struct {
    const char* file;
    std::string fields;
    bool hasV1 = false;  // an ID3v1 tag behind the audio
  } cases[] = {
      {"id3v23_latin1.mp3", "1|Caf\xC3\xA9 au lait|Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m|D\xC3\xA9j\xC3\xA0 vu|1999||0"},
      {"id3v23_and_v1.mp3", "1|Both Tags|Two Kinds|Layered|2001||0", true},
      {"id3v11.mp3", "1|Short|Tagger|Version One|1987|twenty-eight characters long|8", true},
      {"id3v1_eyed3.mp3", "1|Plain|Old Style|Archive|1975|from eyeD3|0", true},
      {"id3v23_utf16.mp3", "1|Caf\xC3\xA9 \xF0\x9F\x8E\xB5 No\xC3\xABl|\xC3\x91\x61nd\xC3\xBA|"
                           "\xC3\x9Cn\xC3\xAF\x63\xC3\xB6\x64\xC3\xA9|2007||0"},
      {"id3v23_eyed3_latin1.mp3", "1|Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65|Fran\xC3\xA7oise|\xC3\x89t\xC3\xA9|1968||0"},
      {"id3v24_eyed3.mp3", "0||||||0"},
      {"id3v24_mid3v2.mp3", "0||||||0"},
      {"id3v24_and_v1.mp3", "0||||||0", true},
      {"id3v23_long_latin1.mp3", "1|" + long255 + "|||||0"},
      {"cbr32_11025_mono.mp3", "0||||||0"},
  };
  // The taggers put the ID3v2 tag in front of the clip's bytes, the ID3v1 tag behind them.
  const auto clip = long(ReadFileBytes(DataFile("analysis/cbr32_11025_mono.mp3")).size());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Bytes bytes = ReadFileBytes(DataFile(std::string("analysis/") + c.file));
    const long v2Length = long(bytes.size()) - clip - (c.hasV1 ? 128 : 0);
    int32_t result;
    long position;
    EXPECT_EQ(ReadTags(bytes, result, position), c.fields);
    EXPECT_EQ(result, v2Length > 0 ? v2Length : (c.hasV1 ? 128 : 0));
    EXPECT_EQ(position, v2Length);
  }
}

}  // namespace
}  // namespace brelvano
