// Project files: the writer's exact layout, the reader's tolerance and
// rejections, and the round trip between them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "project/project_reader.h"
#include "project/project_writer.h"
#include "support/file_size_limit.h"
#include "support/text_file.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

// A track; with tags, edited ones (valid 2).
_mp3entry Track(const std::string& file, int32_t format, const char* song = nullptr,
                const char* artist = "", const char* album = "") {
  _mp3entry entry;
  entry.filename = file;
  entry.format = format;
  if (song == nullptr) return entry;
  entry.prop.id3.valid = 2;
  std::strncpy(entry.prop.id3.song, song, sizeof entry.prop.id3.song - 1);
  std::strncpy(entry.prop.id3.artist, artist, sizeof entry.prop.id3.artist - 1);
  std::strncpy(entry.prop.id3.album, album, sizeof entry.prop.id3.album - 1);
  return entry;
}

// Each track as "file|format|valid|title|artist|album|status".
std::vector<std::string> Tracks(const ProjectRecord& project) {
  std::vector<std::string> tracks;
  for (const _mp3entry* e : project.entries)
    tracks.push_back(e->filename + "|" + std::to_string(e->format) + "|" +
                     std::to_string(e->prop.id3.valid) + "|" + e->prop.id3.song + "|" +
                     e->prop.id3.artist + "|" + e->prop.id3.album + "|" +
                     std::to_string(e->status));
  return tracks;
}

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Brelvano version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\">\n";

TEST(ProjectWriter, LayoutEscapingAndRoundTrip) {
  TempDir dir;
  ProjectRecord project;
  project.fps = 30;
  project.destDir = "/Out & 'more'\tthere";
  project.defaultFormat = 7;           // any non-zero value is FLV
  project.publishFlags = 0x80000073u;  // bit 31 prints negative
  project.maxTime = 90;
  const std::string longName = "/" + std::string(3000, 'n') + ".mp3";
  _mp3entry a = Track("/Music/a&b.mp3", kFormatFlv);
  _mp3entry b = Track("/Music/B\xC3\xA9.mp3", kFormatSwf, "T\"1\" & Caf\xC3\xA9", "<A>", "");
  _mp3entry c = Track("/Music/c.mp3", 5);  // unknown format: no fmt
  _mp3entry d = Track(longName, kFormatDefault, "x", "y", "z");
  d.prop.id3.valid = 1;  // the file's own tags are not saved
  a.status = kStatusOk;
  project.entries = {&a, &b, &c, &d};
  ASSERT_EQ(WriteProjectFile(project, dir.file("p.brv")), kProjectWritten);
  EXPECT_EQ(ReadText(dir.file("p.brv")), kHeader +
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
                                             "\t\t     title=\"T&quot;1&quot; &amp; Caf\xC3\xA9\"\n"
                                             "\t\t     artist=\"&lt;A&gt;\"\n"
                                             "\t\t     album=\"\"/>\n"
                                             "\t\t<mp3 file=\"/Music/c.mp3\"/>\n"
                                             "\t\t<mp3 file=\"" +
                                             longName +
                                             "\"/>\n"
                                             "\t</mp3list>\n"
                                             "</Brelvano>\n");
  // Read back: the tab has become a space, formats and tags are as saved,
  // and no track has been converted as far as anyone knows.
  ProjectRecord read;
  ASSERT_EQ(ReadProjectFile(read, dir.file("p.brv")), kProjectRead);
  EXPECT_EQ(
      std::tie(read.destDir, read.fps, read.maxTime, read.publishFlags, read.defaultFormat,
               read.player),
      std::make_tuple(std::string("/Out & 'more' there"), 30, 90, 0x80000073u, 1, std::string()));
  EXPECT_EQ(Tracks(read),
            (std::vector<std::string>{"/Music/a&b.mp3|2|0||||-1",
                                      "/Music/B\xC3\xA9.mp3|1|2|T\"1\" & Caf\xC3\xA9|<A>||-1",
                                      "/Music/c.mp3|0|0||||-1", longName + "|0|0||||-1"}));
  if (!test::HavePythonXml()) GTEST_SKIP() << "python3 is needed to read the file back";
  // An independent reader sees the same tracks.
  EXPECT_EQ(test::XmlElementAttributes(dir.file("p.brv"), "mp3"),
            (std::vector<std::string>{
                "file=/Music/a&b.mp3|fmt=flv",
                "file=/Music/B\xC3\xA9.mp3|fmt=swf|title=T\"1\" & Caf\xC3\xA9|artist=<A>|album=",
                "file=/Music/c.mp3", "file=" + longName}));
}

TEST(ProjectWriter, FailedSaveKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("p.brv");
  WriteText(path, "previous project");
  ProjectRecord project;
  project.destDir = "/" + std::string(1000, 'd');  // past the limit
  std::string error;
  {
    test::FileSizeLimit limit(512);
    ASSERT_TRUE(limit.active());
    EXPECT_EQ(WriteProjectFile(project, path, &error), kProjectCannotWrite);
  }
  EXPECT_NE(error.find("cannot write file"), std::string::npos) << error;
  EXPECT_EQ(ReadText(path), "previous project");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file is left";
  EXPECT_EQ(WriteProjectFile(ProjectRecord(), "/nonexistent/folder/p.brv", &error),
            kProjectCannotWrite);
  EXPECT_NE(error.find("cannot create file"), std::string::npos) << error;
}

TEST(ProjectWriter, EmptyListReplacesKeepingPermissionsAndLinks) {
  TempDir dir;
  const std::string target = dir.file("real.brv");
  WriteText(target, "old");
  chmod(target.c_str(), 0640);
  std::filesystem::create_symlink(target, dir.file("link.brv"));
  ProjectRecord project;  // no tracks
  project.publishFlags = kDefaultPublishFlags;
  ASSERT_EQ(WriteProjectFile(project, dir.file("link.brv")), kProjectWritten);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.brv")));
  const std::string text = ReadText(target);
  EXPECT_NE(text.find("\t\tpublishFlags=\"115\"\n\t\tformat=\"swf\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.find("\t/>\n")), "\t/>\n\t<mp3list>\n\t</mp3list>\n</Brelvano>\n");
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(ProjectWriter, RefusesTextsThatWouldNotReadBack) {
  const std::pair<std::string, std::string> cases[] = {
      // file name, folder
      {"/m/\xE9t\xE9.mp3", "/out"},  // Latin-1 bytes
      {"/m/a\xC3.mp3", "/out"},      // truncated UTF-8 sequence
      {"/m/a\nb.mp3", "/out"},       // control characters in a file name ...
      {"/m/a.mp3", "/out\x01"},      // ... or the folder
  };
  TempDir dir;
  WriteText(dir.file("p.brv"), "previous");
  for (const auto& [file, folder] : cases) {
    ProjectRecord project;
    project.destDir = folder;
    _mp3entry track = Track(file, 0);
    project.entries = {&track};
    std::string error;
    EXPECT_EQ(WriteProjectFile(project, dir.file("p.brv"), &error), kProjectNotStorable)
        << file << folder;
    EXPECT_EQ(ReadText(dir.file("p.brv")), "previous");
  }
}

int32_t ReadProjectText(const std::string& text, ProjectRecord& project) {
  TempDir dir;
  WriteText(dir.file("p.brv"), text);
  return ReadProjectFile(project, dir.file("p.brv"));
}

const std::string kRootAttributes = "version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\"";
std::string Root(const std::string& body, const std::string& attributes = kRootAttributes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Brelvano " + attributes + ">" + body +
         "</Brelvano>\n";
}

TEST(ProjectReader, AcceptsAndRejectsByRootAndStructure) {
  std::string deep;  // elements nested far deeper than any project needs (a path of about 8 KB)
  for (int i = 299; i >= 0; --i)
    deep = "<deep_element_name_" + std::to_string(i) + ">" + deep + "</deep_element_name_" +
           std::to_string(i) + ">";
  const std::pair<std::string, int32_t> cases[] = {
      {Root(""), kProjectRead},
      {Root("<mp3list></mp3list>"), kProjectRead},
      {Root("", "version=\"2.0\" fileVersion=\"3.1\" build=\"2030.1.1\""), kProjectRead},
      {Root("", "version=\"0.9\" fileVersion=\"1.0\" build=\"2007.02.23\""), kProjectNotAccepted},
      {Root("", "version=\"1.6\" fileVersion=\"1.0\""), kProjectNotAccepted},
      {"<Other " + kRootAttributes + "/>", kProjectNotAccepted},
      {"<x><Brelvano " + kRootAttributes + "/></x>", kProjectNotAccepted},
      {"", kProjectNotAccepted},
      {"<Brelvano " + kRootAttributes + "><a></b></Brelvano>", kProjectNotAccepted},
      {"<Brelvano " + kRootAttributes + " x=\"\xFF\"/>", kProjectNotAccepted},
      {Root("") + "<junk", kProjectRead},
      {Root(deep), kProjectRead},
      {"<Brelvano " + kRootAttributes + ">" + deep.substr(0, 9000), kProjectNotAccepted},
  };
  for (const auto& [text, code] : cases) {
    ProjectRecord project;
    EXPECT_EQ(ReadProjectText(text, project), code) << text.substr(0, 200);
  }
  ProjectRecord project;
  project.fps = 17;
  EXPECT_EQ(ReadProjectFile(project, "/nonexistent/p.brv"), kProjectCannotOpen);
  EXPECT_EQ(project.fps, 17);
}

TEST(ProjectReader, SettingsAndTracks) {
  ProjectRecord project;
  project.fps = 24;
  project.defaultFormat = 1;
  const std::string longTitle =
      std::string(254, 'a') + "\xC3\xA9" + "tail";  // é straddles byte 255
  std::string many;                                 // enough to be read in several chunks
  for (int i = 0; i < 2000; ++i) many += "<mp3 file=\"/m/track" + std::to_string(i) + ".mp3\"/>\n";
  ASSERT_EQ(
      ReadProjectText(
          Root("<publish folder=\"/a &amp; b\tc\" player=\"P\" format=\"FLV\" truncate=\" -12x\"/>"
               "<publish player=\"Q\" publishFlags=\"4294967295\" unknown=\"1\"/>"
               "<other><publish fps=\"99\"/></other>"
               "<mp3 file=\"/outside-list.mp3\"/><mp3list>"
               "<mp3 title=\"before any file\"/>"
               "<mp3 file=\"/m/1.mp3\" fmt=\"FLV\"/>"
               "<mp3 title=\"renames 1\"/>"
               "<mp3 file=\"/m/2.mp3\" fmt=\"flv\" title=\"" +
               longTitle + "\" artist=\"" + std::string(100, 'r') +
               "\" album=\"Alb\" extra=\"x\"/>"
               "<mp3 fmt=\"swf\" file=\"/m/3.mp3\"/>"
               "<deeper><mp3 file=\"/ignored.mp3\"/></deeper>" +
               many + "</mp3list>"),
          project),
      kProjectRead);
  // fps is not at /Brelvano/publish; truncate by atoi's rules; the reference
  // resolved and the tab normalised; the last player wins; "FLV" is no known format.
  EXPECT_EQ(std::tie(project.fps, project.maxTime, project.destDir, project.player,
                     project.defaultFormat),
            std::make_tuple(24, -12, std::string("/a & b c"), std::string("Q"), 1));
  EXPECT_EQ(project.publishFlags, 0xFFFFFFFFu);
  // Attributes act on their own element's track whatever their order; an
  // element without file changes no track. Long values are cut within the field.
  const std::vector<std::string> tracks = Tracks(project);
  ASSERT_EQ(tracks.size(), 2003u);
  EXPECT_EQ(tracks[2002], "/m/track1999.mp3|0|0||||-1");
  EXPECT_EQ(std::vector<std::string>(tracks.begin(), tracks.begin() + 3),
            (std::vector<std::string>{
                "/m/1.mp3|0|0||||-1",
                "/m/2.mp3|2|2|" + std::string(254, 'a') + "|" + std::string(79, 'r') + "|Alb|-1",
                "/m/3.mp3|1|0||||-1"}));
}

// Regression: <mp3 title="Song B" fmt="swf" file="b.mp3"/> after another
// track gave the previous track the title and the format.
TEST(ProjectReader, AttributesApplyToTheirOwnTrackInAnyOrder) {
  ProjectRecord project;
  ASSERT_EQ(ReadProjectText(Root("<mp3list><mp3 file=\"a.mp3\" fmt=\"flv\" title=\"Song A\"/>"
                                 "<mp3 title=\"Song B\" fmt=\"swf\" artist=\"B\" file=\"b.mp3\"/>"
                                 "<mp3 album=\"C\" file=\"c.mp3\"/></mp3list>"),
                            project),
            kProjectRead);
  EXPECT_EQ(Tracks(project),
            (std::vector<std::string>{"a.mp3|2|2|Song A|||-1", "b.mp3|1|2|Song B|B||-1",
                                      "c.mp3|0|2|||C|-1"}));
}

// Regression: fps="99999999999" wrapped to another frame rate; numbers that
// do not fit their field now reject the file.
TEST(ProjectReader, NumbersOutOfRangeRejectTheFile) {
  const struct {
    std::string publish, root;
    int32_t result;
    int32_t fps, maxTime;
    uint32_t flags;
  } cases[] = {
      {"fps=\"2147483647\" truncate=\"143165577\" publishFlags=\"-1\"", kRootAttributes,
       kProjectRead, 2147483647, 143165577, 0xFFFFFFFFu},
      {"fps=\"-2147483648\" truncate=\"-5\" publishFlags=\"4294967295\"", kRootAttributes,
       kProjectRead, INT32_MIN, -5, 0xFFFFFFFFu},
      {"fps=\"99999999999\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"fps=\"2147483648\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"truncate=\"-2147483649\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"truncate=\"99999999999999999999999\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"publishFlags=\"4294967296\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"publishFlags=\"-2147483649\"", kRootAttributes, kProjectNotAccepted, 7, 7, 7},
      {"", "version=\"4294967297.6\" fileVersion=\"1.0\" build=\"2007.02.23\"", kProjectNotAccepted,
       7, 7, 7},
      {"", "version=\"1.6\" fileVersion=\"1.0\" build=\"2007.99999999999.23\"", kProjectNotAccepted,
       7, 7, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.publish + " " + c.root);
    ProjectRecord project;
    project.fps = project.maxTime = 7;
    project.publishFlags = 7;
    TempDir dir;
    WriteText(dir.file("p.brv"), Root("<publish " + c.publish + "/>", c.root));
    std::string reason;
    EXPECT_EQ(ReadProjectFile(project, dir.file("p.brv"), &reason), c.result);
    if (c.result == kProjectRead) {
      EXPECT_EQ(std::tie(project.fps, project.maxTime, project.publishFlags),
                std::make_tuple(c.fps, c.maxTime, c.flags));
    } else {
      EXPECT_NE(reason.find("is out of range"), std::string::npos) << reason;
    }
  }
}

// Regression: a FIFO as a project hung every command; anything but a
// regular file cannot be opened, with its reason.
TEST(ProjectReader, OnlyARegularFileIsOpened) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("fifo.brv").c_str(), 0600), 0);
  const std::pair<std::string, std::string> cases[] = {
      {dir.file("fifo.brv"), "is a FIFO"},
      {dir.path(), "is a folder"},
      {dir.file("missing.brv"), "No such file or directory"},
  };
  for (const auto& [path, why] : cases) {
    ProjectRecord project;
    std::string reason;
    EXPECT_EQ(ReadProjectFile(project, path, &reason), kProjectCannotOpen) << path;
    EXPECT_EQ(reason, why);
  }
}

// Regression: one huge attribute cost time growing with its square (the file
// was parsed in 8 KB pieces). Now read whole and parsed at once, with files
// beyond 64 MB refused unread.
TEST(ProjectReader, HugeAttributeReadsAndOversizedFileIsRefused) {
  ProjectRecord project;
  const std::string title(4 << 20, 't');
  ASSERT_EQ(ReadProjectText(Root("<publish player=\"" + title + "\"/>"), project), kProjectRead);
  EXPECT_EQ(project.player, title);

  TempDir dir;
  const std::string big = dir.file("big.brv");
  WriteText(big, Root(""));
  std::filesystem::resize_file(big, kMaxProjectFileBytes + 1);  // sparse: cheap to make
  std::string reason;
  EXPECT_EQ(ReadProjectFile(project, big, &reason), kProjectNotAccepted);
  EXPECT_NE(reason.find("larger than 64 MB"), std::string::npos) << reason;
}

TEST(ProjectReader, LeadingIntegerRules) {
  const std::pair<const char*, int32_t> cases[] = {
      {"30", 30},
      {"  +7x", 7},
      {"-3", -3},
      {"", 0},
      {"abc", 0},
      {"\t\n12", 12},
      {"2147483648", INT32_MIN},
      {"4294967296", 0},
      {"99999999999999999999999", -1}};  // wrapped to 32 bits
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingInteger(text), value) << text;
}

}  // namespace
}  // namespace brelvano
