// ID3v2.4 tags built by hand: what the taggers rarely write (unsynchronisation,
// extended headers, footers, frame flags) and malformed tags.
#include <gtest/gtest.h>

#include <string>

#include "analysis/id3_tags.h"
#include "analysis/id3_text.h"
#include "analysis/mp3_bytes.h"

namespace brelvano {
namespace {

using namespace test;

// UTF-16 text frame data: the encoding byte, then the bytes as given.
Bytes Utf16(uint8_t encoding, const Bytes& units) { return Cat({Bytes{encoding}, units}); }

const std::string kBad = "\xEF\xBF\xBD";  // U+FFFD

TEST(ReadId3Tags, Id3v24Tags) {
  const Bytes audio = SyntheticMp3(kMpeg1_128k_44100, 2);
  const std::string a200(199, 'a');
  // Text frames of 200 bytes: the size 200 is 00 00 01 48 in 7-bit bytes.
  const Bytes synchsafe =
      Id3v2Tag(4, 0, Cat({Frame24("TIT2", Latin1(a200)), Frame24("TPE1", Latin1("Next"))}));
  // iTunes wrote plain sizes: 00 00 00 C8 cannot be a 7-bit size.
  const Bytes plain = Id3v2Tag(4, 0,
                               Cat({Text("TIT2"), Bytes{0, 0, 0, 0xC8, 0, 0}, Latin1(a200),
                                    Frame24("TPE1", Latin1("Next"))}));
  // "ÿ" in UTF-16LE is FF 00; unsynchronisation puts a 00 behind every FF.
  const Bytes unsynchronisedText = Utf16(1, {0xFF, 0x00, 0xFE, 'A', 0, 0xFF, 0x00, 0x00});
  const Bytes footer = Cat({Id3v2Tag(4, 0x10, Frame24("TIT2", Latin1("Footed"))),
                            Bytes{'3', 'D', 'I', 4, 0, 0x10, 0, 0, 0, 17}});
  const Bytes extended =
      Cat({Id3v2Header(4, 0x40, 6 + 14), Bytes{0, 0, 0, 6, 1, 0}, Frame24("TIT2", Latin1("Ext"))});
  const Bytes flagOnly = Id3v2Tag(4, 0x40, Frame24("TIT2", Latin1("NoExt")));
  const auto n = [](const Bytes& tag) { return int32_t(tag.size()); };
  const TagCase cases[] = {
      {"synchsafe frame sizes", Cat({synchsafe, audio}), n(synchsafe), n(synchsafe),
       "1|" + a200 + "|Next||||0"},
      {"plain frame size from iTunes", Cat({plain, audio}), n(plain), n(plain),
       "1|" + a200 + "|Next||||0"},
      {"the four encodings",
       Id3v2Tag(
           4, 0,
           Cat({Frame24("TIT2", Latin1("Caf\xE9")),
                Frame24("TPE1", Utf16(1, {0xFF, 0xFE, 0xEB, 0})),
                Frame24("TALB", Utf16(2, {0x04, 0x1F, 0, 'x'})), Frame24("TDRC", Utf8("2015"))})),
       70, 70, "1|Caf\xC3\xA9|\xC3\xAB|\xD0\x9Fx|2015||0"},
      {"TDRC timestamp gives the year",
       Id3v2Tag(4, 0,
                Cat({Frame24("TYER", Latin1("1901")), Frame24("TDRC", Utf8("2015-03-02T10:20"))})),
       52, 52, "1||||2015||0"},
      {"first of several values", Id3v2Tag(4, 0, Frame24("TPE1", Utf8(std::string("One\0Two", 7)))),
       28, 28, "1||One||||0"},
      {"tag-level unsynchronisation", Id3v2Tag(4, 0x80, Frame24("TIT2", unsynchronisedText)), 29,
       29, "1|A\xC3\xBF|||||0"},
      {"frame-level unsynchronisation with data length",
       Id3v2Tag(4, 0, Frame24("TIT2", Cat({Bytes{0, 0, 0, 6}, unsynchronisedText}), 0x03)), 33, 33,
       "1|A\xC3\xBF|||||0"},
      // Without the flag, FF 00 is a "ÿ" and the end of the text.
      {"no unsynchronisation",
       Id3v2Tag(4, 0, Frame24("TIT2", Cat({Bytes{0, 0xFF, 0x00}, Text("X")}))), 24, 24,
       "1|\xC3\xBF|||||0"},
      {"grouped frame",
       Id3v2Tag(4, 0, Frame24("TIT2", Cat({Bytes{0x77}, Latin1("Grouped")}), 0x40)), 29, 29,
       "1|Grouped|||||0"},
      {"compressed and encrypted frames are skipped",
       Id3v2Tag(4, 0,
                Cat({Frame24("TIT2", Latin1("Zipped"), 0x09),
                     Frame24("TPE1", Latin1("Secret"), 0x04), Frame24("TALB", Latin1("Open"))})),
       59, 59, "1|||Open|||0"},
      {"extended header", Cat({extended, audio}), n(extended), n(extended), "1|Ext|||||0"},
      {"extended header flag without the header", flagOnly, n(flagOnly), n(flagOnly),
       "1|NoExt|||||0"},
      {"extended header past the tag",
       Cat({Id3v2Header(4, 0x40, 20), Bytes{0x7F, 0x7F, 0x7F, 0x7F}, Bytes(16, 0), audio}), 30, 30,
       "1||||||0"},
      {"footer", Cat({footer, audio}), n(footer), n(footer), "1|Footed|||||0"},
      {"footer beyond the file", Bytes(footer.begin(), footer.end() - 4), n(footer), n(footer) - 10,
       "1|Footed|||||0"},
      // Malformed tags.
      {"zero-size frame ends the walk",
       Id3v2Tag(4, 0, Cat({Frame24("TIT2", {}), Frame24("TPE1", Latin1("Unseen"))})), 37, 37,
       "1||||||0"},
      {"frame size past the tag end",
       Cat({Id3v2Tag(4, 0, Frame24("TIT2", Latin1("Past"), 0, 0x0FFFFFFF)), audio}), 25, 25,
       "1|Past|||||0"},
      {"frame of its encoding byte only", Id3v2Tag(4, 0, Frame24("TIT2", Bytes{3})), 21, 21,
       "1||||||0"},
      {"grouped frame without an encoding byte", Id3v2Tag(4, 0, Frame24("TIT2", Bytes{0x77}, 0x41)),
       21, 21, "1||||||0"},
      {"unknown encoding", Id3v2Tag(4, 0, Frame24("TIT2", Cat({Bytes{4}, Text("Four")}))), 25, 25,
       "1||||||0"},
      {"odd UTF-16 length", Id3v2Tag(4, 0, Frame24("TIT2", Utf16(1, {0xFF, 0xFE, 'A', 0, 'B'}))),
       26, 26, "1|A|||||0"},
      {"unpaired surrogates",
       Id3v2Tag(4, 0, Frame24("TIT2", Utf16(2, {0xD8, 0x3C, 0, 'A', 0xDF, 0xB5, 0xD8, 0x3C}))), 29,
       29, "1|" + kBad + "A" + kBad + kBad + "|||||0"},
      {"malformed UTF-8",
       Id3v2Tag(4, 0,
                Frame24("TIT2", Utf8("A\xC3\xFF"
                                     "B\xC0\xAF\xED\xA0\x80"
                                     "C\xE2\x82"))),
       33, 33,
       "1|A" + kBad + kBad + "B" + kBad + kBad + kBad + kBad + kBad + "C" + kBad + kBad + "|||||0"},
      {"only a header", Id3v2Header(4, 0xF0, 100), 120, 10, "1||||||0"},
      {"version 2.5 is not read", Cat({Id3v2Tag(5, 0, Frame24("TIT2", Latin1("Five"))), audio}), 25,
       25, "0||||||0"},
  };
  for (const TagCase& c : cases) ExpectTags(c);
}

// An ID3v1 tag behind the audio fills what the ID3v2 tag leaves empty.
TEST(ReadId3Tags, Id3v1FillsWhatId3v2LeavesEmpty) {
  const Bytes audio = SyntheticMp3(kMpeg1_128k_44100, 2);
  const Bytes v1 = Id3v1({"V1 Title", "V1 Artist", "V1 Album", "1980", "V1 Comment"}, 17);
  const Bytes v24 =
      Id3v2Tag(4, 0, Cat({Frame24("TIT2", Utf8("V2 Title")), Frame24("TSSE", Utf8("Lavf"))}));
  const Bytes v23 = Id3v2Tag(3, 0,
                             Cat({Frame23("TIT2", Latin1("T")), Frame23("TPE1", Latin1("A")),
                                  Frame23("TALB", Latin1("B")), Frame23("TYER", Latin1("2000"))}));
  const Bytes v23NoYear = Id3v2Tag(3, 0,
                                   Cat({Frame23("TIT2", Latin1("T")), Frame23("TPE1", Latin1("A")),
                                        Frame23("TALB", Latin1("B"))}));
  const Bytes unknown = Id3v2Tag(6, 0, Frame24("TIT2", Latin1("Six")));
  // "TAG" 128 bytes before the end, but inside the ID3v2 tag: no ID3v1 tag.
  const Bytes inside =
      Id3v2Tag(4, 0, Cat({Frame24("TXXX", Cat({Bytes(199, 'x'), Text("TAG"), Bytes(125, 'y')}))}));
  const auto n = [](const Bytes& tag) { return int32_t(tag.size()); };
  const struct {
    const char* name;
    Bytes file;
    int32_t result;
    std::string fields;
  } cases[] = {
      {"v2.4 without artist, album or year", Cat({v24, audio, v1}), n(v24),
       "1|V2 Title|V1 Artist|V1 Album|1980|V1 Comment|17"},
      {"complete v2.3 keeps the ID3v1 tag out", Cat({v23, audio, v1}), n(v23), "1|T|A|B|2000||0"},
      {"v2.3 without year", Cat({v23NoYear, audio, v1}), n(v23NoYear),
       "1|T|A|B|1980|V1 Comment|17"},
      {"unknown version", Cat({unknown, audio, v1}), n(unknown),
       "1|V1 Title|V1 Artist|V1 Album|1980|V1 Comment|17"},
      {"no ID3v1 tag", Cat({v24, audio}), n(v24), "1|V2 Title|||||0"},
      {"TAG inside the ID3v2 tag", inside, n(inside), "1||||||0"},
      // The audio most likely starts behind the header, and the ID3v1 tag is behind it.
      {"ID3v2 tag claiming the whole file", Cat({Id3v2Header(4, 0, 100000), audio, v1}), 100010,
       "1|V1 Title|V1 Artist|V1 Album|1980|V1 Comment|17"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    _Id3 id3;
    long position;
    EXPECT_EQ(ReadTagsOf(c.file, id3, position), c.result);
    EXPECT_EQ(Fields(id3), c.fields);
    // Behind the ID3v2 tag, or behind its header when it claims the whole file.
    EXPECT_EQ(position, c.result <= long(c.file.size()) ? c.result : 10);
  }
}

TEST(DecodeId3Text, ConvertsWithinItsField) {
  const std::string euro = "\xE2\x82\xAC", note = "\xF0\x9F\x8E\xB5";  // U+20AC, U+1F3B5
  const struct {
    const char* name;
    std::string text;  // behind the encoding byte
    int encoding, width;
    bool converted;
    std::string expected;
  } cases[] = {
      {"UTF-8 cut before a character that does not fit", Times("abcd" + euro, 60), 3, 256, true,
       Times("abcd" + euro, 36) + "abc"},
      {"UTF-8 four-byte character at the end", "a" + note, 3, 5, true, "a"},
      {"UTF-8 four-byte character that fits", "a" + note, 3, 6, true, "a" + note},
      {"UTF-8 mark at the start", "\xEF\xBB\xBFTitle", 3, 80, true, "Title"},
      {"UTF-8 ends at a zero byte", std::string("ab\0cd", 5), 3, 80, true, "ab"},
      {"recording time cut to the year", "2015-03-02T10:20", 3, 5, true, "2015"},
      {"UTF-16BE without mark", std::string("\0Z\0o\0\xEB", 6), 2, 80, true, "Zo\xC3\xAB"},
      {"UTF-16BE CJK cut", Times("\x65\xE5", 100), 2, 80, true, Times("\xE6\x97\xA5", 26)},
      {"UTF-16 counts at most width units", std::string("\xFE\xFF\0a\xFE\xFF\0b\xFE\xFF\0c", 12), 1,
       5, true, "ab"},
      {"Latin-1 fills the field", "abcdefgh", 0, 5, true, "abcd"},
      {"unknown encoding", "abc", 4, 80, false, ""},
      {"no room at all", "abc", 3, 0, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string guarded(size_t(c.width) + 8, 'Z');
    const bool converted = DecodeId3Text(reinterpret_cast<const uint8_t*>(c.text.data()),
                                         c.text.size(), c.encoding, guarded.data(), c.width);
    EXPECT_EQ(converted, c.converted);
    // The text and its zero byte within the field; a field not converted is untouched.
    EXPECT_EQ(c.converted ? std::string(guarded.c_str()) : guarded,
              c.converted ? c.expected : std::string(guarded.size(), 'Z'));
    EXPECT_EQ(guarded.substr(size_t(c.width)), std::string(8, 'Z')) << "wrote past the field";
  }
}

}  // namespace
}  // namespace brelvano
