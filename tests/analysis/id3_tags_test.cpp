#include "analysis/id3_tags.h"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cstring>
#include <string>

#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using test::Bytes;
using test::Concat;
using test::Encoded;
using test::Frame22;
using test::Frame23;
using test::Frame23Sized;
using test::Frames;
using test::Id3v1;
using test::Id3v2Header;
using test::Id3v2Tag;
using test::Latin1;
using test::OpenFile;
using test::Text;
using test::Utf16;

// True when the bytes are well-formed UTF-8 (no surrogates, no cut characters).
bool IsUtf8(const std::string& text) {
  auto p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

// Some audio behind the tags, so that the file is more than a tag.
const Bytes kAudio = Frames(test::kMpeg1_128k_44100, 128, 44100, 2);

struct TagCase {
  const char* name;
  Bytes file;
  long result;
  char valid;
  std::string song, artist, album, year, comment;
  char genre;
  long position;  // of the stream on return
};

class ReadId3TagsTest : public ::testing::TestWithParam<TagCase> {};

TEST_P(ReadId3TagsTest, FillsFieldsAndPositionsStream) {
  const TagCase& c = GetParam();
  test::TempDir dir;
  OpenFile in(dir, c.file);
  _Id3 id3;  // whatever was there is cleared
  id3.valid = 2;
  std::strcpy(id3.song, "old");
  std::strcpy(id3.comment, "old");
  id3.genre = 9;
  EXPECT_EQ(ReadId3Tags(in.get(), id3), c.result);
  EXPECT_EQ(id3.valid, c.valid);
  EXPECT_EQ(std::string(id3.song), c.song);
  EXPECT_EQ(std::string(id3.artist), c.artist);
  EXPECT_EQ(std::string(id3.album), c.album);
  EXPECT_EQ(std::string(id3.year), c.year);
  EXPECT_EQ(std::string(id3.comment), c.comment);
  EXPECT_EQ(id3.genre, c.genre);
  EXPECT_EQ(std::ftell(in.get()), c.position);
}

Bytes WithAudio(const Bytes& tag) { return Concat({tag, kAudio}); }
long Len(const Bytes& b) { return static_cast<long>(b.size()); }

const Bytes kCafeTag = Id3v2Tag(3, 0, Frame23("TIT2", Latin1("Caf\xE9")), 20);
const Bytes kV22Tag = Id3v2Tag(2, 0,
                               Concat({Frame22("TT2", Latin1("Title 22")), Frame22("TP1", Latin1("Artist 22")),
                                       Frame22("TAL", Latin1("Album 22")), Frame22("TYE", Latin1("1998")),
                                       Frame22("COM", Latin1("xxxxxxxxxxx"))}));
const Bytes kV22Compressed = Id3v2Tag(2, 0x40, Frame22("TT2", Latin1("Hidden")));
const Bytes kV24Tag = Id3v2Tag(4, 0, Frame23("TIT2", Concat({Bytes{3}, Text("Four")})), 10);
const Bytes kNoTextTag = Id3v2Tag(3, 0, Frame23("COMM", Latin1("engcomment")), 5);
const Bytes kMixedFlags = Id3v2Tag(
    3, 0,
    Concat({Frame23("TIT2", Latin1("Compressed"), 0x80), Frame23("TPE1", Latin1("Encrypted"), 0x40),
            Frame23("TALB", Latin1("Plain")), Frame23("TYER", Encoded(2, Text("2000"))),
            Frame23("TIT2", Latin1("Second title"))}));
const Bytes kExtendedFrame = Frame23("TIT2", Latin1("Extended"));
const Bytes kExtended = Concat({Id3v2Header(3, 0x40, uint32_t(4 + 6 + kExtendedFrame.size())), Bytes{0, 0, 0, 6},
                                Bytes(6, 0xEE), kExtendedFrame});
const Bytes kV1Plain = Id3v1("Word                          ", "Artist", "Album", "1984",
                             "a comment of thirty characters", 17);
const Bytes kV1Spaces = Id3v1("                              ", "\0ignored", "Al  ", "19\xE9\xE9",
                              std::string("twenty-eight characters text\0\x05", 30), 255);
const Bytes kV1Latin1 = Id3v1(std::string(30, '\xE9'), std::string(30, '\xFF'), "", "", "", 0);
const Bytes kBigSizeTag = Concat({Id3v2Header(3, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Huge")), Bytes(7, 0)});
const Bytes kBigV24 = Concat({Id3v2Header(4, 0, 0x0FFFFFFF), Frame23("TIT2", Latin1("Four"))});
const Bytes kCutTag = Concat({Id3v2Header(3, 0, 1000), Frame23("TIT2", Latin1("Complete")),
                              Frame23("TPE1", Latin1("Cut off here, the rest is missing")), });
const Bytes kCutFile(kCutTag.begin(), kCutTag.end() - 20);
const Bytes kPastEnd = Id3v2Tag(3, 0, Concat({Frame23("TALB", Latin1("Before")),
                                              Frame23Sized("TIT2", 0xFFFFFFF0, Latin1("Past the end"))}));

INSTANTIATE_TEST_SUITE_P(
    Tags, ReadId3TagsTest,
    ::testing::Values(
        TagCase{"v23_latin1_title", WithAudio(kCafeTag), Len(kCafeTag), 1, "Caf\xC3\xA9", "", "", "", "", 0,
                Len(kCafeTag)},
        TagCase{"v22_frames", WithAudio(kV22Tag), Len(kV22Tag), 1, "Title 22", "Artist 22", "Album 22", "1998", "",
                0, Len(kV22Tag)},
        TagCase{"v22_compressed_not_read", WithAudio(kV22Compressed), Len(kV22Compressed), 0, "", "", "", "", "", 0,
                Len(kV22Compressed)},
        TagCase{"v24_not_read", WithAudio(kV24Tag), Len(kV24Tag), 0, "", "", "", "", "", 0, Len(kV24Tag)},
        TagCase{"v24_and_v1_gives_nothing", Concat({kV24Tag, kAudio, kV1Plain}), Len(kV24Tag), 0, "", "", "", "",
                "", 0, Len(kV24Tag)},
        TagCase{"v23_without_text_frames", WithAudio(kNoTextTag), Len(kNoTextTag), 1, "", "", "", "", "", 0,
                Len(kNoTextTag)},
        TagCase{"v23_compressed_encrypted_frames_skipped", WithAudio(kMixedFlags), Len(kMixedFlags), 1,
                "Second title", "", "Plain", "", "", 0, Len(kMixedFlags)},
        TagCase{"v23_extended_header", WithAudio(kExtended), Len(kExtended), 1, "Extended", "", "", "", "", 0,
                Len(kExtended)},
        TagCase{"v23_wins_over_v1", Concat({kCafeTag, kAudio, kV1Plain}), Len(kCafeTag), 1, "Caf\xC3\xA9", "", "",
                "", "", 0, Len(kCafeTag)},
        TagCase{"no_tag", kAudio, 0, 0, "", "", "", "", "", 0, 0},
        TagCase{"v1", Concat({kAudio, kV1Plain}), 128, 1, "Word", "Artist", "Album", "1984",
                "a comment of thirty characters", 17, 0},
        // Spaces only keep one; a leading zero empties a field; a v1.1 comment
        // ends at its zero byte; a non-ASCII year is cut to fit 4 bytes.
        TagCase{"v1_spaces_zero_v11_year", Concat({kAudio, kV1Spaces}), 128, 1, " ", "", "Al", "19\xC3\xA9",
                "twenty-eight characters text", char(255), 0},
        TagCase{"v1_latin1_doubles", Concat({kAudio, kV1Latin1}), 128, 1,
                [] { std::string s; for (int i = 0; i < 30; ++i) s += "\xC3\xA9"; return s; }(),
                [] { std::string s; for (int i = 0; i < 30; ++i) s += "\xC3\xBF"; return s; }(), "", "", "", 0, 0},
        // A file shorter than an ID3v1 tag holds none, whatever its bytes say.
        TagCase{"short_file_no_v1", Text("abcTAGTitle"), 0, 0, "", "", "", "", "", 0, 0},
        TagCase{"empty_file", Bytes{}, 0, 0, "", "", "", "", "", 0, 0},
        // Broken sizes: the stream is left where the audio most likely starts.
        TagCase{"tag_end_beyond_file", WithAudio(kBigSizeTag), 0x0FFFFFFF + 10, 1, "Huge", "", "", "", "", 0,
                10 + 15},
        TagCase{"v24_tag_end_beyond_file", WithAudio(kBigV24), 0x0FFFFFFF + 10, 0, "", "", "", "", "", 0, 10},
        TagCase{"file_cut_inside_tag", kCutFile, 1010, 1, "Complete", "Cut off here,", "", "", "", 0, 10 + 19},
        TagCase{"frame_size_past_file", WithAudio(kPastEnd), Len(kPastEnd), 1, "Past the end", "", "Before", "",
                "", 0, Len(kPastEnd)},
        TagCase{"only_magic", Text("ID3"), 10, 0, "", "", "", "", "", 0, 3},
        TagCase{"zero_size_v23", WithAudio(Id3v2Header(3, 0, 0)), 10, 1, "", "", "", "", "", 0, 10}),
    [](const ::testing::TestParamInfo<TagCase>& info) { return std::string(info.param.name); });

// ---- ReadId3Text: conversions and their limits ----

struct TextCase {
  const char* name;
  Bytes data;     // frame data behind the encoding byte
  uint32_t size;  // frame size as stored (encoding byte included)
  int encoding;
  int width;
  std::string expected;
};

class ReadId3TextTest : public ::testing::TestWithParam<TextCase> {};

std::string Times(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

Bytes Units(std::initializer_list<uint16_t> units, bool le, bool mark = true) {
  Bytes b = Utf16(units, le, mark);
  return Bytes(b.begin() + 1, b.end());  // without the encoding byte
}

Bytes RepeatUnits(uint16_t a, int n, bool le) {
  Bytes b = Units({}, le);
  for (int i = 0; i < n; ++i) {
    Bytes u = Units({a}, le, false);
    b.insert(b.end(), u.begin(), u.end());
  }
  return b;
}

Bytes RepeatPair(int n) {  // U+1F3B5 as a little-endian surrogate pair
  Bytes b = Units({}, true);
  for (int i = 0; i < n; ++i) {
    Bytes u = Units({0xD83C, 0xDFB5}, true, false);
    b.insert(b.end(), u.begin(), u.end());
  }
  return b;
}

TEST_P(ReadId3TextTest, ConvertsWithinField) {
  const TextCase& c = GetParam();
  test::TempDir dir;
  // Bytes behind the text stand for the next frame.
  OpenFile in(dir, Concat({c.data, Text("TPE1\x7F\x7F\x7F\x7F")}));
  std::string guarded(static_cast<size_t>(c.width) + 8, '\x5A');
  ReadId3Text(guarded.data(), c.width, in.get(), c.size, c.encoding);
  const size_t length = strnlen(guarded.data(), static_cast<size_t>(c.width));
  ASSERT_LT(length, static_cast<size_t>(c.width)) << "no zero byte within the field";
  const std::string text(guarded.data(), length);
  EXPECT_EQ(text, c.expected);
  EXPECT_TRUE(IsUtf8(text));
  EXPECT_EQ(guarded.substr(static_cast<size_t>(c.width)), std::string(8, '\x5A')) << "wrote past the field";
}

const std::string k300(300, 'a');
const std::string kLatin1Long = Times("abcd\xE9", 60);  // 300 bytes, 60 non-ASCII
const std::string kNote = "\xF0\x9F\x8E\xB5";          // U+1F3B5

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadId3TextTest,
    ::testing::Values(
        TextCase{"latin1_ascii_300_gives_255", Text(k300), 301, 0, 256, std::string(255, 'a')},
        TextCase{"latin1_stops_at_zero", Text(std::string("ab\0cd", 5)), 6, 0, 256, "ab"},
        TextCase{"latin1_size_counts_encoding_byte", Text("abcd"), 4, 0, 256, "abc"},
        // 255 source bytes would need 306 UTF-8 bytes: cut before the
        // first character that does not fit with the zero byte.
        TextCase{"latin1_long_non_ascii_cut", Text(kLatin1Long), 301, 0, 256,
                 Times("abcd\xC3\xA9", 42) + "abc"},
        TextCase{"latin1_all_non_ascii_artist", Text(std::string(100, '\xE9')), 101, 0, 80,
                 Times("\xC3\xA9", 39)},
        TextCase{"latin1_year_non_ascii", Text("19\xE9\xE9"), 5, 0, 5, "19\xC3\xA9"},
        TextCase{"latin1_width_1", Text("abc"), 4, 0, 1, ""},
        TextCase{"utf16_le", Units({'Z', 'o', 0xEB}, true), 9, 1, 80, "Zo\xC3\xAB"},
        TextCase{"utf16_be", Units({'Z', 'o', 0xEB}, false), 9, 1, 80, "Zo\xC3\xAB"},
        TextCase{"utf16_no_mark_is_big_endian", Units({'H', 'i'}, false, false), 5, 1, 80, "Hi"},
        TextCase{"utf16_three_byte", Units({0x20AC, 0x65E5}, true), 7, 1, 80, "\xE2\x82\xAC\xE6\x97\xA5"},
        TextCase{"utf16_surrogate_pair", Units({'A', 0xD83C, 0xDFB5, 'B'}, true), 11, 1, 80, "A" + kNote + "B"},
        TextCase{"utf16_surrogate_pair_be", Units({0xD83C, 0xDFB5}, false), 7, 1, 80, kNote},
        TextCase{"utf16_lone_high_surrogate", Units({'A', 0xD83C, 'B'}, true), 9, 1, 80, "A\xEF\xBF\xBD" "B"},
        TextCase{"utf16_lone_low_surrogate", Units({'A', 0xDFB5}, true), 7, 1, 80, "A\xEF\xBF\xBD"},
        TextCase{"utf16_high_surrogate_at_end", Units({'A', 0xD83C}, true), 7, 1, 80, "A\xEF\xBF\xBD"},
        TextCase{"utf16_zero_unit_ends", Units({'a', 0, 'b'}, true), 9, 1, 80, "a"},
        // A second mark confirms the order it names.
        TextCase{"utf16_repeated_mark", Units({'a', 0xFEFF, 'b'}, true), 9, 1, 80, "ab"},
        TextCase{"utf16_ascii_fills_field", RepeatUnits('x', 100, true), 203, 1, 80, std::string(79, 'x')},
        TextCase{"utf16_cjk_cut", RepeatUnits(0x65E5, 300, false), 603, 1, 256, Times("\xE6\x97\xA5", 85)},
        TextCase{"utf16_pairs_cut", RepeatPair(40), 163, 1, 80, Times(kNote, 19)},
        TextCase{"utf16_year_two_byte_chars", Units({'1', 0xE9, 0xE9}, true), 9, 1, 5, "1\xC3\xA9"},
        TextCase{"utf16_odd_size_truncates", Units({'a', 'b'}, true), 6, 1, 80, "ab"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(ReadId3Text, LeavesFieldAloneForOtherEncodingsAndZeroWidth) {
  test::TempDir dir;
  OpenFile in(dir, Text("text"));
  char field[8] = "keep";
  ReadId3Text(field, sizeof field, in.get(), 5, 3);
  EXPECT_STREQ(field, "keep");
  ReadId3Text(field, 0, in.get(), 5, 0);
  EXPECT_STREQ(field, "keep");
}

TEST(ReadId3Text, StopsAtEndOfFile) {
  test::TempDir dir;
  for (int encoding : {0, 1}) {
    OpenFile in(dir, encoding == 0 ? Text("abc") : Bytes{0xFF, 0xFE, 'a', 0, 'b'});
    char field[80];
    std::memset(field, 'Z', sizeof field);
    ReadId3Text(field, sizeof field, in.get(), 0xFFFFFFFF, encoding);
    EXPECT_STREQ(field, encoding == 0 ? "abc" : "a");
  }
}

// ---- Tags written by real taggers (tests/data/analysis/make.sh) ----

struct FixtureTag {
  const char* file;
  char valid;
  const char* song;
  const char* artist;
  const char* album;
  const char* year;
  const char* comment;
  char genre;
  bool hasV1;  // an ID3v1 tag behind the audio
};

// The tagged files are copies of this clip with tags added.
constexpr const char* kBaseClip = "analysis/cbr32_11025_mono.mp3";

std::string Repeat300() {
  std::string s;
  for (int i = 0; i < 300; ++i) s += (i % 5 == 4) ? std::string("\xC3\xA9") : std::string(1, char('a' + i % 26));
  return s;
}

class TaggerFixtureTest : public ::testing::TestWithParam<FixtureTag> {};

TEST_P(TaggerFixtureTest, ReadsWhatTheTaggerWrote) {
  const FixtureTag& c = GetParam();
  const std::string path = test::DataFile(std::string("analysis/") + c.file);
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr) << path;
  _Id3 id3;
  const int32_t result = ReadId3Tags(file, id3);
  const long position = std::ftell(file);
  std::fclose(file);

  // The taggers put the ID3v2 tag in front of the clip's bytes, and the ID3v1 tag behind them.
  const auto tagged = static_cast<long>(test::ReadFileBytes(path).size());
  const auto clip = static_cast<long>(test::ReadFileBytes(test::DataFile(kBaseClip)).size());
  const long v2Length = tagged - clip - (c.hasV1 ? 128 : 0);
  EXPECT_EQ(result, v2Length > 0 ? v2Length : (c.hasV1 ? 128 : 0));
  EXPECT_EQ(position, v2Length);
  EXPECT_EQ(id3.valid, c.valid);
  EXPECT_STREQ(id3.song, c.song);
  EXPECT_STREQ(id3.artist, c.artist);
  EXPECT_STREQ(id3.album, c.album);
  EXPECT_STREQ(id3.year, c.year);
  EXPECT_STREQ(id3.comment, c.comment);
  EXPECT_EQ(id3.genre, c.genre);
}

const std::string kLong255 = [] {  // what fits of the 300-character title
  const std::string all = Repeat300();
  size_t n = 0, bytes = 0;
  while (n < all.size()) {
    const size_t len = (static_cast<unsigned char>(all[n]) >= 0x80) ? 2 : 1;
    if (bytes + len > 255) break;
    bytes += len;
    n += len;
  }
  return all.substr(0, n);
}();

INSTANTIATE_TEST_SUITE_P(
    Taggers, TaggerFixtureTest,
    ::testing::Values(
        FixtureTag{"id3v23_latin1.mp3", 1, "Caf\xC3\xA9 au lait", "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m",
                   "D\xC3\xA9j\xC3\xA0 vu", "1999", "", 0, false},
        FixtureTag{"id3v23_and_v1.mp3", 1, "Both Tags", "Two Kinds", "Layered", "2001", "", 0, true},
        FixtureTag{"id3v11.mp3", 1, "Short", "Tagger", "Version One", "1987", "twenty-eight characters long", 8,
                   true},
        FixtureTag{"id3v1_eyed3.mp3", 1, "Plain", "Old Style", "Archive", "1975", "from eyeD3", 0, true},
        FixtureTag{"id3v23_utf16.mp3", 1, "Caf\xC3\xA9 \xF0\x9F\x8E\xB5 No\xC3\xABl", "\xC3\x91\x61nd\xC3\xBA",
                   "\xC3\x9Cn\xC3\xAF\x63\xC3\xB6\x64\xC3\xA9", "2007", "", 0, false},
        FixtureTag{"id3v23_eyed3_latin1.mp3", 1, "Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65", "Fran\xC3\xA7oise",
                   "\xC3\x89t\xC3\xA9", "1968", "", 0, false},
        FixtureTag{"id3v24_eyed3.mp3", 0, "", "", "", "", "", 0, false},
        FixtureTag{"id3v24_mid3v2.mp3", 0, "", "", "", "", "", 0, false},
        FixtureTag{"id3v24_and_v1.mp3", 0, "", "", "", "", "", 0, true},
        FixtureTag{"id3v23_long_latin1.mp3", 1, kLong255.c_str(), "", "", "", "", 0, false},
        FixtureTag{"cbr32_11025_mono.mp3", 0, "", "", "", "", "", 0, false}),
    [](const ::testing::TestParamInfo<FixtureTag>& info) {
      std::string name = info.param.file;
      for (char& ch : name) {
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

}  // namespace
}  // namespace brelvano
