#include "analysis/id3_tags.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using namespace test;

// ID3v2.2 frame: 3-byte identifier, 24-bit size (below 256 here), data.
Bytes Frame22(const std::string& id, const Bytes& data) {
  return Cat({Text(id), Bytes{0, 0, uint8_t(data.size())}, data});
}

TEST(ReadId3Tags, HandBuiltTags) {
  const Bytes audio = SyntheticMp3(kMpeg1_128k_44100, 2);
  const Bytes v22 = Id3v2Tag(2, 0,
                             Cat({Frame22("TT2", Latin1("Title")), Frame22("TP1", Latin1("Artist")),
                                  Frame22("TAL", Latin1("Album")), Frame22("TYE", Latin1("1998")),
                                  Frame22("COM", Latin1("xxxxxxxxxxx"))}));
  const Bytes flags = Id3v2Tag(
      3, 0,
      Cat({Frame23("TIT2", Latin1("Compressed"), 0x80), Frame23("TPE1", Latin1("Encrypted"), 0x40),
           Frame23("TALB", Latin1("Plain")), Frame23("TYER", Cat({Bytes{2}, Text("2000")})),
           Frame23("TIT2", Latin1("Second"))}));
  const Bytes extended = Cat({Id3v2Header(3, 0x40, 29), Bytes{0, 0, 0, 6}, Bytes(6, 0xEE),
                              Frame23("TIT2", Latin1("Extended"))});
  const Bytes cut = Cat({Id3v2Header(3, 0, 1000), Frame23("TIT2", Latin1("Complete")),
                         Frame23("TPE1", Latin1("Cut off here, the rest is missing"))});
  const Bytes v22z = Id3v2Tag(2, 0x40, Frame22("TT2", Latin1("Hidden")));
  const auto n = [](const Bytes& tag) { return int32_t(tag.size()); };
  const TagCase cases[] = {
      {"v2.2", Cat({v22, audio}), n(v22), n(v22), "1|Title|Artist|Album|1998||0"},
      {"v2.2 compressed", Cat({v22z, audio}), n(v22z), n(v22z), "0||||||0"},
      {"v2.3 without text frames", Id3v2Tag(3, 0, Frame23("COMM", Latin1("engcomment")), 5), 36, 36,
       "1||||||0"},
      // Compressed and encrypted frames, and text of an unknown encoding, are not read.
      {"v2.3 frame flags", Cat({flags, audio}), n(flags), n(flags), "1|Second||Plain|||0"},
      {"v2.3 extended header", Cat({extended, audio}), 39, 39, "1|Extended|||||0"},
      // Spaces only keep one; a leading zero empties a field; trailing spaces go;
      // a v1.1 comment ends at its zero byte; a non-ASCII year is cut to fit.
      {"v1 edge fields",
       Cat({audio, Id3v1({std::string(30, ' '), std::string("\0ignored", 8), "\xC9t\xE9  ",
                          "19\xE9\xE9", std::string("twenty-eight characters text\0\x05", 30)},
                         255)}),
       128, 0, "1| ||\xC3\x89t\xC3\xA9|19\xC3\xA9|twenty-eight characters text|255"},
      {"file shorter than an ID3v1 tag", Text("abcTAGTitle"), 0, 0, "0||||||0"},
      // Broken sizes: the stream is left where the audio most likely starts.
      {"tag end beyond file",
       Cat({Id3v2Header(3, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Huge")), audio}),
       0x0FFFFFFF + 10, 25, "1|Huge|||||0"},
      {"v2.4 tag end beyond file",
       Cat({Id3v2Header(4, 0, 0x0FFFFFFF), Frame24("TIT2", Latin1("Four")), audio}),
       0x0FFFFFFF + 10, 25, "1|Four|||||0"},
      {"file cut inside tag", Bytes(cut.begin(), cut.end() - 20), 1010, 29,
       "1|Complete|Cut off here,||||0"},
      {"frame size past tag end",
       Cat({Id3v2Tag(3, 0,
                     Cat({Frame23("TALB", Latin1("Before")),
                          Frame23("TIT2", Latin1("Past"), 0, 0xFFFFFFF0)})),
            audio}),
       42, 42, "1|Past||Before|||0"},
      {"only the magic", Text("ID3"), 10, 3, "0||||||0"},
      {"v2.3 of size 0", Cat({Id3v2Header(3, 0, 0), audio}), 10, 10, "1||||||0"},
  };
  for (const TagCase& c : cases) ExpectTags(c);
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
      {"long non-ASCII text", Text(Times("abcd\xE9", 60)), 301, 0, 256,
       Times("abcd\xC3\xA9", 42) + "abc"},
      {"non-ASCII year", Text("19\xE9\xE9"), 5, 0, 5, "19\xC3\xA9"},
      {"UTF-16 little-endian", Units({'Z', 'o', 0xEB}, true), 9, 1, 80, "Zo\xC3\xAB"},
      {"surrogate pair", Units({'A', 0xD83C, 0xDFB5, 'B'}, true), 11, 1, 80, "A" + note + "B"},
      {"lone surrogates", Units({'A', 0xD83C, 'B', 0xDFB5, 0xD83C}, true), 13, 1, 80,
       "A" + bad + "B" + bad + bad},
      {"UTF-16 CJK cut", cjk, 603, 1, 256, Times("\xE6\x97\xA5", 85)},
      {"surrogate pairs cut", pairs, 163, 1, 80, Times(note, 19)},
      {"huge size stops at the end of the file", Text("abc"), 0xFFFFFFFF, 0, 80,
       "abcTPE1\x7F\x7F\x7F\x7F"},
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

// `text` as the tag reader stores it in a field of `width` bytes: cut before
// the first character whose UTF-8 bytes would not fit with the zero byte.
std::string Fit(const std::string& text, size_t width) {
  size_t end = 0;
  while (end < text.size()) {
    const auto lead = static_cast<unsigned char>(text[end]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (end + length > width - 1) break;
    end += length;
  }
  return text.substr(0, end);
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells(1);
  for (char c : line) {
    if (c == '\t') {
      cells.emplace_back();
    } else {
      cells.back().push_back(c);
    }
  }
  return cells;
}

// Tags written by id3v2, eyeD3, mid3v2 and ffmpeg (tests/data/analysis/make.sh);
// tags.tsv holds mutagen's reading of them, ID3v2 completed from ID3v1.
TEST(ReadId3Tags, AgreesWithMutagen) {
  std::ifstream table(DataFile("analysis/tags.tsv"));
  std::string line;
  std::getline(table, line);  // column names
  int checked = 0;
  while (std::getline(table, line)) {
    const std::vector<std::string> cells = SplitTabs(line);  // file, title, artist, album, year
    ASSERT_EQ(cells.size(), 5u) << line;
    SCOPED_TRACE(cells[0]);
    const Bytes bytes = ReadFileBytes(DataFile("analysis/" + cells[0]));
    ASSERT_GT(bytes.size(), 128u);
    const bool v2 = bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3';
    const bool v1 = std::memcmp(&bytes[bytes.size() - 128], "TAG", 3) == 0;
    const long v2Length =
        v2 ? 10 + (bytes[6] << 21 | bytes[7] << 14 | bytes[8] << 7 | bytes[9]) : 0;
    _Id3 id3;
    long position;
    EXPECT_EQ(ReadTagsOf(bytes, id3, position), v2 ? v2Length : v1 ? 128 : 0);
    EXPECT_EQ(position, v2Length);  // where the audio starts
    EXPECT_EQ(id3.valid, v2 || v1 ? 1 : 0);
    EXPECT_EQ(id3.song, Fit(cells[1], sizeof id3.song));
    EXPECT_EQ(id3.artist, Fit(cells[2], sizeof id3.artist));
    EXPECT_EQ(id3.album, Fit(cells[3], sizeof id3.album));
    EXPECT_EQ(id3.year, Fit(cells[4], sizeof id3.year));  // the year of a recording time
    ++checked;
  }
  EXPECT_GE(checked, 30);
}

// Comment and genre come only from an ID3v1 tag, and from one behind a
// complete ID3v2 tag not at all.
TEST(ReadId3Tags, Id3v1CommentAndGenre) {
  const struct {
    const char* file;
    std::string comment;
    int genre;
  } cases[] = {
      {"id3v11.mp3", "twenty-eight characters long", 8},
      {"id3v1_eyed3.mp3", "from eyeD3", 0},
      {"id3v23_and_v1.mp3", "", 0},                      // title, artist, album and year in ID3v2.3
      {"id3v24_and_v1.mp3", "", 255},                    // album from ID3v1, which has no comment
      {"ffmpeg_encoded_and_v1.mp3", "kept behind", 12},  // ID3v2.4 with the encoder only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    _Id3 id3;
    long position;
    ReadTagsOf(ReadFileBytes(DataFile(std::string("analysis/") + c.file)), id3, position);
    EXPECT_EQ(id3.comment, c.comment);
    EXPECT_EQ(static_cast<unsigned char>(id3.genre), c.genre);
  }
}

}  // namespace
}  // namespace brelvano
