// Project files: the writer's exact layout, the reader's tolerance and
// rejections, and the round trip between them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "project/project_file_names.h"
#include "project/project_reader.h"
#include "project/project_writer.h"
#include "support/file_size_limit.h"
#include "support/test_files.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::Bytes;
using test::TempDir;

std::string ReadText(const std::string& path) {
  const Bytes bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
void WriteText(const std::string& path, const std::string& text) {
  test::WriteFileBytes(path, Bytes(text.begin(), text.end()));
}

ProjectRecord Settings() {
  ProjectRecord project;
  project.publishFlags = kDefaultPublishFlags;
  project.fps = 30;
  project.maxTime = 0;
  project.player = "brelvano_mini";
  project.destDir = "/home/u/Out";
  project.defaultFormat = 0;
  return project;
}

_mp3entry Track(const std::string& file, int32_t format) {
  _mp3entry entry;
  entry.filename = file;
  entry.format = format;
  return entry;
}

void EditTags(_mp3entry& entry, const char* song, const char* artist, const char* album) {
  entry.prop.id3.valid = 2;
  std::strncpy(entry.prop.id3.song, song, sizeof entry.prop.id3.song - 1);
  std::strncpy(entry.prop.id3.artist, artist, sizeof entry.prop.id3.artist - 1);
  std::strncpy(entry.prop.id3.album, album, sizeof entry.prop.id3.album - 1);
}

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Brelvano version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\">\n";

TEST(ProjectWriter, EmptyListLayout) {
  TempDir dir;
  const ProjectRecord project = Settings();
  ASSERT_EQ(WriteProjectFile(project, dir.file("p.brv")), kProjectWritten);
  EXPECT_EQ(ReadText(dir.file("p.brv")),
            kHeader +
                "\t<publish\n"
                "\t\tfolder=\"/home/u/Out\"\n"
                "\t\tfps=\"30\"\n"
                "\t\ttruncate=\"0\"\n"
                "\t\tpublishFlags=\"115\"\n"
                "\t\tformat=\"swf\"\n"
                "\t\tplayer=\"brelvano_mini\"\n"
                "\t/>\n"
                "\t<mp3list>\n"
                "\t</mp3list>\n"
                "</Brelvano>\n");
}

TEST(ProjectWriter, TracksFormatsTagsAndEscaping) {
  TempDir dir;
  ProjectRecord project = Settings();
  project.destDir = "/Out & 'more'\tthere";
  project.player = "";
  project.defaultFormat = 7;           // any non-zero value is FLV
  project.publishFlags = 0x80000073u;  // bit 31 prints negative
  project.maxTime = 90;
  _mp3entry a = Track("/Music/a&b.mp3", kFormatFlv);
  _mp3entry b = Track("/Music/B\xC3\xA9.mp3", kFormatSwf);
  EditTags(b, "T\"1\"", "<A>", "");
  _mp3entry c = Track("/Music/c.mp3", 5);  // unknown format: no fmt
  _mp3entry d = Track("/Music/d.mp3", kFormatDefault);
  EditTags(d, "", "", "");
  d.prop.id3.valid = 1;  // the file's own tags are not saved
  project.entries = {&a, &b, &c, &d};
  ASSERT_EQ(WriteProjectFile(project, dir.file("p.brv")), kProjectWritten);
  EXPECT_EQ(ReadText(dir.file("p.brv")),
            kHeader +
                "\t<publish\n"
                "\t\tfolder=\"/Out &amp; &apos;more&apos;\tthere\"\n"
                "\t\tfps=\"30\"\n"
                "\t\ttruncate=\"90\"\n"
                "\t\tpublishFlags=\"-2147483533\"\n"
                "\t\tformat=\"flv\"\n"
                "\t\tplayer=\"\"\n"
                "\t/>\n"
                "\t<mp3list>\n"
                "\t\t<mp3 file=\"/Music/a&amp;b.mp3\" fmt=\"flv\"/>\n"
                "\t\t<mp3 file=\"/Music/B\xC3\xA9.mp3\" fmt=\"swf\"\n"
                "\t\t     title=\"T&quot;1&quot;\"\n"
                "\t\t     artist=\"&lt;A&gt;\"\n"
                "\t\t     album=\"\"/>\n"
                "\t\t<mp3 file=\"/Music/c.mp3\"/>\n"
                "\t\t<mp3 file=\"/Music/d.mp3\"/>\n"
                "\t</mp3list>\n"
                "</Brelvano>\n");

  if (!test::HavePythonXml()) GTEST_SKIP() << "python3 is needed to read the file back";
  // An independent reader sees the same values (the tab becomes a space).
  EXPECT_EQ(test::XmlElementAttributes(dir.file("p.brv"), "publish"),
            (std::vector<std::string>{"folder=/Out & 'more' there|fps=30|truncate=90|"
                                      "publishFlags=-2147483533|format=flv|player="}));
  EXPECT_EQ(test::XmlElementAttributes(dir.file("p.brv"), "mp3"),
            (std::vector<std::string>{"file=/Music/a&b.mp3|fmt=flv",
                                      "file=/Music/B\xC3\xA9.mp3|fmt=swf|title=T\"1\"|artist=<A>|album=",
                                      "file=/Music/c.mp3", "file=/Music/d.mp3"}));
}

TEST(ProjectWriter, RoundTrip) {
  TempDir dir;
  ProjectRecord saved = Settings();
  saved.destDir = "/Out & <x>";
  saved.fps = 12;
  saved.maxTime = 45;
  saved.publishFlags = 0xFFFFFFFFu;
  saved.defaultFormat = 1;
  saved.player = "My Player";
  _mp3entry a = Track("/m/one.mp3", kFormatFlv);
  _mp3entry b = Track("/m/tw'o.mp3", kFormatDefault);
  EditTags(b, "Caf\xC3\xA9 & co", "Art", "Alb");
  _mp3entry c = Track(std::string("/") + std::string(3000, 'n') + ".mp3", kFormatSwf);
  saved.entries = {&a, &b, &c};
  ASSERT_EQ(WriteProjectFile(saved, dir.file("p.brv")), kProjectWritten);

  ProjectRecord read;
  ASSERT_EQ(ReadProjectFile(read, dir.file("p.brv")), kProjectRead);
  EXPECT_EQ(read.destDir, saved.destDir);
  EXPECT_EQ(read.fps, 12);
  EXPECT_EQ(read.maxTime, 45);
  EXPECT_EQ(read.publishFlags, 0xFFFFFFFFu);
  EXPECT_EQ(read.defaultFormat, 1);
  EXPECT_EQ(read.player, "My Player");
  ASSERT_EQ(read.nbEntries(), 3);
  ASSERT_EQ(read.ownedEntries.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(read.entries[i]->filename, saved.entries[i]->filename);
    EXPECT_EQ(read.entries[i]->format, saved.entries[i]->format);
    EXPECT_EQ(read.entries[i]->prop.id3.valid, saved.entries[i]->prop.id3.valid);
    EXPECT_STREQ(read.entries[i]->prop.id3.song, saved.entries[i]->prop.id3.song);
    EXPECT_STREQ(read.entries[i]->prop.id3.artist, saved.entries[i]->prop.id3.artist);
    EXPECT_STREQ(read.entries[i]->prop.id3.album, saved.entries[i]->prop.id3.album);
    // A read track has not been converted yet as far as anyone knows.
    EXPECT_EQ(read.entries[i]->status, kStatusNotConverted);
  }
}

TEST(ProjectWriter, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("p.brv");
  WriteText(path, "previous project");
  ProjectRecord project = Settings();
  std::vector<_mp3entry> tracks(50, Track("/a/rather/long/path/to/some/track.mp3", 0));
  for (_mp3entry& t : tracks) project.entries.push_back(&t);
  std::string error;
  {
    test::FileSizeLimit limit(512);
    ASSERT_TRUE(limit.active());
    EXPECT_EQ(WriteProjectFile(project, path, &error), kProjectCannotWrite);
  }
  EXPECT_NE(error.find("cannot write file"), std::string::npos) << error;
  EXPECT_EQ(ReadText(path), "previous project");
  // Nothing but the old file remains in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(ProjectWriter, UncreatableFileIsReported) {
  std::string error;
  EXPECT_EQ(WriteProjectFile(Settings(), "/nonexistent/folder/p.brv", &error), kProjectCannotWrite);
  EXPECT_NE(error.find("cannot create file"), std::string::npos) << error;
}

TEST(ProjectWriter, ReplacesKeepingPermissionsAndLinks) {
  TempDir dir;
  const std::string target = dir.file("real.brv");
  WriteText(target, "old");
  chmod(target.c_str(), 0640);
  std::filesystem::create_symlink(target, dir.file("link.brv"));
  ASSERT_EQ(WriteProjectFile(Settings(), dir.file("link.brv")), kProjectWritten);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.brv")));
  EXPECT_EQ(ReadText(target).substr(0, kHeader.size()), kHeader);
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(ProjectWriter, RefusesTextsThatWouldNotReadBack) {
  struct Case {
    const char* what;
    std::string file;
    std::string folder;
  };
  const Case cases[] = {
      {"invalid UTF-8 file name", "/m/\xFF\xFE.mp3", "/out"},
      {"truncated UTF-8 sequence", "/m/a\xC3.mp3", "/out"},
      {"line feed in a file name", "/m/a\nb.mp3", "/out"},
      {"tab in a file name", "/m/a\tb.mp3", "/out"},
      {"control character in the folder", "/m/a.mp3", "/out\x01"},
      {"invalid UTF-8 folder", "/m/a.mp3", "/out\xC0\x80"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string path = dir.file("p.brv");
    WriteText(path, "previous");
    ProjectRecord project = Settings();
    project.destDir = c.folder;
    _mp3entry track = Track(c.file, 0);
    project.entries = {&track};
    std::string error;
    EXPECT_EQ(WriteProjectFile(project, path, &error), kProjectNotStorable) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(ReadText(path), "previous") << c.what;
  }
}

TEST(ProjectFileNames, Rule) {
  std::string why;
  EXPECT_TRUE(IsStorableFileName("/m/Caf\xC3\xA9 \xE2\x82\xAC.mp3", &why));
  EXPECT_FALSE(IsStorableFileName("/m/\xE9t\xE9.mp3", &why));  // Latin-1 bytes
  EXPECT_EQ(why, "file name is not valid UTF-8");
  EXPECT_FALSE(IsStorableFileName("/m/a\rb.mp3", &why));
  EXPECT_EQ(why, "file name holds control characters");
  EXPECT_FALSE(IsStorableFileName("/m/\xED\xA0\x80.mp3", nullptr));  // a surrogate
  EXPECT_TRUE(IsStorableText("tab\tis\nfine"));
  EXPECT_FALSE(IsStorableText("bell\a"));
}

// --- Reader -------------------------------------------------------------

struct ReadResult {
  int32_t code;
  ProjectRecord project;
};

ReadResult ReadProjectText(const std::string& text, ProjectRecord start = ProjectRecord()) {
  TempDir dir;
  WriteText(dir.file("p.brv"), text);
  ReadResult result{0, std::move(start)};
  result.code = ReadProjectFile(result.project, dir.file("p.brv"));
  return result;
}

std::string Root(const std::string& attributes, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Brelvano " + attributes + ">" + body +
         "</Brelvano>\n";
}
const std::string kRootAttributes = "version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\"";

// Elements nested far deeper than any project file needs (a path of about 8 KB).
std::string DeepNesting(int depth) {
  std::string open, close;
  for (int i = 0; i < depth; ++i) {
    const std::string name = "deep_element_name_" + std::to_string(i);
    open += "<" + name + ">";
    close = "</" + name + ">" + close;
  }
  return open + close;
}

TEST(ProjectReader, AcceptsAndRejectsByRootAndStructure) {
  struct Case {
    const char* what;
    std::string text;
    int32_t code;
  };
  const Case cases[] = {
      {"minimal", Root(kRootAttributes, ""), kProjectRead},
      {"later version", Root("version=\"2.0\" fileVersion=\"3.1\" build=\"2030.1.1\"", ""), kProjectRead},
      {"major only", Root("version=\"1\" fileVersion=\"1\" build=\"2007\"", ""), kProjectRead},
      {"version 0.9", Root("version=\"0.9\" fileVersion=\"1.0\" build=\"2007.02.23\"", ""), kProjectNotAccepted},
      {"no build", Root("version=\"1.6\" fileVersion=\"1.0\"", ""), kProjectNotAccepted},
      {"non-numeric file version", Root("version=\"1.6\" fileVersion=\"x1\" build=\"2007\"", ""), kProjectNotAccepted},
      {"other root", "<Other " + kRootAttributes + "/>", kProjectNotAccepted},
      {"empty file", "", kProjectNotAccepted},
      {"ends inside an element", "<Brelvano " + kRootAttributes + "><mp3list>", kProjectNotAccepted},
      {"syntax error", "<Brelvano " + kRootAttributes + "><a></b></Brelvano>", kProjectNotAccepted},
      {"invalid UTF-8", "<Brelvano " + kRootAttributes + " x=\"\xFF\"/>", kProjectNotAccepted},
      {"control character", "<Brelvano " + kRootAttributes + " x=\"\x01\"/>", kProjectNotAccepted},
      {"junk after the root", Root(kRootAttributes, "") + "<junk", kProjectRead},
      {"root attributes on a nested Brelvano only",
       "<x><Brelvano " + kRootAttributes + "/></x>", kProjectNotAccepted},
      {"deep nesting", Root(kRootAttributes, DeepNesting(300)), kProjectRead},
      {"deep nesting left open", "<Brelvano " + kRootAttributes + ">" + DeepNesting(300).substr(0, 9000),
       kProjectNotAccepted},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadProjectText(c.text).code, c.code) << c.what;
}

TEST(ProjectReader, MissingFileAndFolder) {
  ProjectRecord project;
  project.fps = 17;
  EXPECT_EQ(ReadProjectFile(project, "/nonexistent/p.brv"), kProjectCannotOpen);
  EXPECT_EQ(project.fps, 17);
  TempDir dir;
  EXPECT_EQ(ReadProjectFile(project, dir.path()), kProjectCannotOpen);  // a folder opens, but cannot be read
}

TEST(ProjectReader, SettingsKeepUnmentionedValuesAndTakeTheLast) {
  ProjectRecord start;
  start.fps = 24;
  start.maxTime = 5;
  start.destDir = "/before";
  start.defaultFormat = 1;
  start.publishFlags = 3;
  const ReadResult r = ReadProjectText(
      Root(kRootAttributes,
           "<publish folder=\"/a &amp; b\tc\" player=\"P\" format=\"FLV\" truncate=\" -12x\"/>"
           "<publish player=\"Q\" publishFlags=\"4294967295\" unknown=\"1\"/>"
           "<other><publish fps=\"99\"/></other>"),
      start);
  ASSERT_EQ(r.code, kProjectRead);
  EXPECT_EQ(r.project.fps, 24);              // no fps at /Brelvano/publish
  EXPECT_EQ(r.project.maxTime, -12);         // atoi rules
  EXPECT_EQ(r.project.destDir, "/a & b c");  // reference resolved, tab normalised
  EXPECT_EQ(r.project.player, "Q");          // the last one wins
  EXPECT_EQ(r.project.defaultFormat, 1);     // "FLV" is not a known value
  EXPECT_EQ(r.project.publishFlags, 0xFFFFFFFFu);
}

TEST(ProjectReader, TrackAttributes) {
  const std::string longTitle = std::string(254, 'a') + "\xC3\xA9" + "tail";  // é straddles byte 255
  const ReadResult r = ReadProjectText(Root(
      kRootAttributes,
      "<mp3 file=\"/outside-list.mp3\"/>"
      "<mp3list>"
      "<mp3 title=\"before any file\"/>"
      "<mp3 file=\"/m/1.mp3\" fmt=\"FLV\"/>"
      "<mp3 title=\"renames 1\"/>"
      "<mp3 file=\"/m/2.mp3\" fmt=\"flv\" title=\"" + longTitle + "\" artist=\"" +
          std::string(100, 'r') + "\" album=\"Alb\" extra=\"x\"/>"
      "<mp3 fmt=\"swf\" file=\"/m/3.mp3\"/>"
      "<deeper><mp3 file=\"/ignored.mp3\"/></deeper>"
      "</mp3list>"));
  ASSERT_EQ(r.code, kProjectRead);
  ASSERT_EQ(r.project.nbEntries(), 3);
  const _mp3entry& one = *r.project.entries[0];
  EXPECT_EQ(one.filename, "/m/1.mp3");
  EXPECT_EQ(one.format, kFormatDefault);
  EXPECT_STREQ(one.prop.id3.song, "renames 1");
  EXPECT_EQ(one.prop.id3.valid, 2);
  const _mp3entry& two = *r.project.entries[1];
  EXPECT_EQ(std::string(two.prop.id3.song), std::string(254, 'a'));  // cut before the é
  EXPECT_EQ(std::string(two.prop.id3.artist), std::string(79, 'r'));
  EXPECT_STREQ(two.prop.id3.album, "Alb");
  const _mp3entry& three = *r.project.entries[2];
  // Attributes act in document order: this fmt came before its element's
  // file, so it changed the previous track.
  EXPECT_EQ(three.filename, "/m/3.mp3");
  EXPECT_EQ(three.format, kFormatDefault);
  EXPECT_EQ(two.format, kFormatSwf);
  EXPECT_EQ(three.prop.id3.valid, 0);
}

TEST(ProjectReader, EmptyListAndLatin1File) {
  ReadResult r = ReadProjectText(Root(kRootAttributes, "<mp3list></mp3list>"));
  EXPECT_EQ(r.code, kProjectRead);
  EXPECT_EQ(r.project.nbEntries(), 0);
  // The declaration decides the encoding.
  r = ReadProjectText("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<Brelvano " + kRootAttributes +
               "><mp3list><mp3 file=\"/m/\xE9.mp3\"/></mp3list></Brelvano>");
  ASSERT_EQ(r.code, kProjectRead);
  ASSERT_EQ(r.project.nbEntries(), 1);
  EXPECT_EQ(r.project.entries[0]->filename, "/m/\xC3\xA9.mp3");
}

TEST(ProjectReader, LargeFileAcrossChunks) {
  std::string body = "<mp3list>";
  for (int i = 0; i < 2000; ++i) body += "<mp3 file=\"/m/track" + std::to_string(i) + ".mp3\"/>\n";
  body += "</mp3list>";
  const ReadResult r = ReadProjectText(Root(kRootAttributes, body));
  ASSERT_EQ(r.code, kProjectRead);
  ASSERT_EQ(r.project.nbEntries(), 2000);
  EXPECT_EQ(r.project.entries[1999]->filename, "/m/track1999.mp3");
}

TEST(ProjectReader, ElementHandlersKeepThePath) {
  ProjectRecord project;
  ProjectReaderState state;
  state.project = &project;
  const char* none[] = {nullptr};
  ProjectStartElement(&state, "Brelvano", none);
  ProjectStartElement(&state, "mp3list", none);
  EXPECT_EQ(state.path, "/Brelvano/mp3list");
  const char* track[] = {"file", "/x.mp3", "fmt", "swf", nullptr};
  ProjectStartElement(&state, "mp3", track);
  ASSERT_EQ(project.nbEntries(), 1);
  EXPECT_EQ(project.entries[0]->format, kFormatSwf);
  ProjectEndElement(&state, "mp3");
  ProjectEndElement(&state, "mp3list");
  ProjectEndElement(&state, "Brelvano");
  EXPECT_EQ(state.path, "");
  ProjectEndElement(&state, "extra");  // a path without "/" stays as it is
  EXPECT_EQ(state.path, "");
}

TEST(ProjectReader, LeadingIntegerRules) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {{"30", 30},     {"  +7x", 7},          {"-3", -3},   {"", 0},
                        {"abc", 0},     {"2147483648", INT32_MIN}, {"\t\n12", 12},
                        {"4294967296", 0}, {"99999999999999999999999", -1}};
  for (const Case& c : cases) EXPECT_EQ(LeadingInteger(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace brelvano
