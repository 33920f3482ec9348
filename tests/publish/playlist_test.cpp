// playlist.xml: layout, flags, escaping and which tracks are listed.
#include "publish/playlist.h"

#include <gtest/gtest.h>
#include <cstring>
#include <filesystem>
#include <string>

#include "publish/xml_attribute.h"
#include "support/file_size_limit.h"
#include "support/test_files.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::TempDir;

std::string ReadText(const std::string& path) {
  const test::Bytes bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

void Touch(const std::string& path) { test::WriteFileBytes(path, {'F', 'W', 'S'}); }

_mp3entry Track(const std::string& file, const char* song, const char* artist, const char* album,
                int32_t duration) {
  _mp3entry entry;
  entry.filename = file;
  std::strncpy(entry.prop.id3.song, song, sizeof entry.prop.id3.song - 1);
  std::strncpy(entry.prop.id3.artist, artist, sizeof entry.prop.id3.artist - 1);
  std::strncpy(entry.prop.id3.album, album, sizeof entry.prop.id3.album - 1);
  entry.prop.duration = duration;
  return entry;
}

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<GENERATOR name=\"Brelvano\" version=\"1.6\" build=\"2007.02.23\"/>\n";

TEST(Playlist, EmptyListIsFiveLines) {
  TempDir dir;
  ProjectRecord project;
  project.publishFlags = kDefaultPublishFlags;
  project.destDir = dir.path();
  EXPECT_EQ(WritePlaylist(project, dir.path(), false), 0);
  EXPECT_EQ(ReadText(dir.file("playlist.xml")),
            std::string(kHead) +
                "<PLAYERSETTINGS autostart=\"yes\" playall=\"yes\" loop=\"yes\" shuffle=\"no\"/>\n"
                "<PLAYLIST>\n"
                "</PLAYLIST>\n");
}

TEST(Playlist, SettingsLineFollowsFlagBits) {
  struct Case {
    uint32_t flags;
    const char* line;
  };
  const Case cases[] = {
      {16 + 64, "<PLAYERSETTINGS autostart=\"yes\" playall=\"no\" loop=\"yes\" shuffle=\"no\"/>\n"},
      {8, "<PLAYERSETTINGS autostart=\"no\" playall=\"no\" loop=\"no\" shuffle=\"yes\"/>\n"},
      {32, "<PLAYERSETTINGS autostart=\"no\" playall=\"yes\" loop=\"no\" shuffle=\"no\"/>\n"},
      // Bits outside the four settings change nothing.
      {0xFFFFFF87u, "<PLAYERSETTINGS autostart=\"no\" playall=\"no\" loop=\"no\" shuffle=\"no\"/>\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ProjectRecord project;
    project.publishFlags = c.flags;
    project.destDir = dir.path();
    ASSERT_EQ(WritePlaylist(project, dir.path(), false), 0);
    const std::string text = ReadText(dir.file("playlist.xml"));
    EXPECT_EQ(text.substr(std::strlen(kHead), std::strlen(c.line)), c.line) << c.flags;
  }
}

TEST(Playlist, ListsOnlyTracksWithOutputsAndEscapes) {
  TempDir dir;
  ProjectRecord project;
  project.publishFlags = 0;
  project.destDir = dir.path();
  _mp3entry first = Track("/music/My Song#1.mp3", "Rock & Roll", "The \"Band\"", "<Live>", 205);
  _mp3entry missing = Track("/music/never.mp3", "x", "y", "z", 1);
  _mp3entry second = Track("/music/it's 100%?.mp3", "O'Neil", "", "", 59);
  second.format = kFormatFlv;
  Touch(dir.file("My Song#1.swf"));
  Touch(dir.file("it's 100%?.flv"));
  project.entries = {&first, &missing, &second};

  EXPECT_EQ(WritePlaylist(project, dir.path(), false), 2);
  EXPECT_EQ(ReadText(dir.file("playlist.xml")),
            std::string(kHead) +
                "<PLAYERSETTINGS autostart=\"no\" playall=\"no\" loop=\"no\" shuffle=\"no\"/>\n"
                "<PLAYLIST>\n"
                "   <FILE src=\"My%20Song%231.swf\""
                " desc=\"Rock &amp; Roll\""
                " artist=\"The &quot;Band&quot;\""
                " album=\"&lt;Live&gt;\""
                " minutes=\"3\" seconds=\"25\"/>\n"
                "   <FILE src=\"it%27s%20100%25%3F.flv\""
                " desc=\"O&apos;Neil\""
                " artist=\"\""
                " album=\"\""
                " minutes=\"0\" seconds=\"59\"/>\n"
                "</PLAYLIST>\n");
  if (!test::HavePythonXml()) GTEST_SKIP() << "python3 is needed to read the playlist back";
  EXPECT_EQ(test::XmlElementAttributes(dir.file("playlist.xml"), "FILE", true),
            (std::vector<std::string>{
                "src=My%20Song%231.swf|desc=Rock & Roll|artist=The \"Band\"|album=<Live>|"
                "minutes=3|seconds=25",
                "src=it%27s%20100%25%3F.flv|desc=O'Neil|artist=|album=|minutes=0|seconds=59"}));
  EXPECT_EQ(test::XmlElementAttributes(dir.file("playlist.xml"), "PLAYERSETTINGS", true),
            (std::vector<std::string>{"autostart=no|playall=no|loop=no|shuffle=no"}));
}

TEST(Playlist, AbsoluteReferencesUseFileUrls) {
  TempDir out;
  TempDir work;
  ProjectRecord project;
  project.destDir = out.path();
  _mp3entry track = Track("/m/a b.mp3", "", "", "", 0);
  Touch(out.file("a b.swf"));
  project.entries = {&track};
  ASSERT_EQ(WritePlaylist(project, work.path(), true), 1);
  const std::string text = ReadText(work.file("playlist.xml"));
  // The path's own leading slash follows "file://"; slashes are not escaped.
  EXPECT_NE(text.find("   <FILE src=\"file://" + PlaylistUrlEscape(out.path()) + "/a%20b.swf\""),
            std::string::npos)
      << text;
  EXPECT_EQ(PlaylistUrlEscape("file:///x/y"), "file:///x/y");
}

TEST(Playlist, UrlEscapeTable) {
  EXPECT_EQ(PlaylistUrlEscape(" &\"<>?'%#"), "%20%26%22%3C%3E%3F%27%25%23");
  EXPECT_EQ(PlaylistUrlEscape("\x7E\x7F\xC3\xA9"), "~%7F%C3%A9");
  EXPECT_EQ(PlaylistUrlEscape("a\tb+c=d"), "a\tb+c=d");  // control bytes are not escaped
}

TEST(Playlist, FailedWriteIsReportedAndOldPlaylistKept) {
  TempDir dir;
  ProjectRecord project;
  project.destDir = dir.path();
  test::WriteFileBytes(dir.file("playlist.xml"), {'o', 'l', 'd'});
  {
    test::FileSizeLimit limit(100);  // the five lines alone take 198 bytes
    ASSERT_TRUE(limit.active());
    EXPECT_EQ(WritePlaylist(project, dir.path(), false), kPlaylistNotWritten);
  }
  EXPECT_EQ(ReadText(dir.file("playlist.xml")), "old");
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "playlist.xml")
      << "no temporary file is left behind";
}

TEST(Playlist, MissingFolderIsReported) {
  ProjectRecord project;
  project.destDir = "/nonexistent/brelvano";
  EXPECT_EQ(WritePlaylist(project, project.destDir, false), kPlaylistNotWritten);
}

TEST(XmlAttribute, EscapesFiveCharactersOnly) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  WriteXmlAttribute(stream, "a&b<c>d\"e'f\tg\xC3\xA9");
  std::fclose(stream);
  EXPECT_EQ(std::string(buffer, size), "\"a&amp;b&lt;c&gt;d&quot;e&apos;f\tg\xC3\xA9\"");
  std::free(buffer);
}

}  // namespace
}  // namespace brelvano
