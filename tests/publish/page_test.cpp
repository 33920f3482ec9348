// index.html, the player block, and PublishFiles as a whole.
#include "publish/publish_files.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

#include "analysis/mp3list.h"
#include "publish/publish_operation.h"
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

std::string PlayerObject(int32_t width, int32_t height, const std::string& name) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&buffer, &size);
  WritePlayerObject(stream, width, height, name);
  std::fclose(stream);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

const std::string kBlock300x40 =
    "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"300\" height=\"40\">\n"
    "  <param name=\"MOVIE\" value=\"brelvano_mini.swf\">\n"
    "  <param name=\"QUALITY\" value=\"HIGH\">\n"
    "     <embed src=\"brelvano_mini.swf\"\n"
    "      quality=\"high\"\n"
    "      type=\"application/x-shockwave-flash\"\n"
    "      width=\"300\" height=\"40\"\n"
    "     >\n"
    "     </embed>\n"
    "</object>\n";

TEST(PlayerObject, KnownSize) { EXPECT_EQ(PlayerObject(300, 40, "brelvano_mini"), kBlock300x40); }

TEST(PlayerObject, UnknownSizeIsFullAndNameIsEscaped) {
  EXPECT_EQ(PlayerObject(-1, -1, "My Player"),
            "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"100%\" "
            "height=\"100%\">\n"
            "  <param name=\"MOVIE\" value=\"My%20Player.swf\">\n"
            "  <param name=\"QUALITY\" value=\"HIGH\">\n"
            "     <embed src=\"My%20Player.swf\"\n"
            "      quality=\"high\"\n"
            "      type=\"application/x-shockwave-flash\"\n"
            "      width=\"100%\" height=\"100%\"\n"
            "     >\n"
            "     </embed>\n"
            "</object>\n");
  // One side unknown only.
  EXPECT_NE(PlayerObject(320, -1, "p").find("width=\"320\" height=\"100%\""), std::string::npos);
}

TEST(PlayerObject, PercentEscapes) {
  struct Case {
    const char* name;
    const char* escaped;
  };
  const Case cases[] = {
      {"Basic", "Basic"},
      {"Caf\xC3\xA9", "Caf%E9"},           // Latin-1 code of é
      {"a\"b<c>", "a%22b%3Cc%3E"},
      {"100% #1?", "100%25%20%231%3F"},    // would change the reference's meaning
      {"x-y_z.(1)", "x-y_z.(1)"},
      {"\xE2\x82\xAC", "%E2%82%AC"},       // € has no Latin-1 code: its UTF-8 bytes
  };
  for (const Case& c : cases) {
    EXPECT_NE(PlayerObject(1, 1, c.name).find(std::string("value=\"") + c.escaped + ".swf\""),
              std::string::npos)
        << c.name;
  }
}

// A destination folder with an installed player and a list of tracks.
struct PublishFixture {
  TempDir players;
  TempDir dest;
  PlayersList playerList;
  ProjectRecord project;
  Mp3List tracks;

  PublishFixture() {
    test::WriteFileBytes(players.file("brelvano_mini.swf"),
                         test::ReadFileBytes(std::string(BRELVANO_SOURCE_PLAYERS_DIR) +
                                             "/brelvano_mini.swf"));
    playerList = {{"brelvano_mini", players.file("brelvano_mini.swf")}};
    project.publishFlags = kDefaultPublishFlags;
    project.fps = kDefaultFps;
    project.player = "brelvano_mini";
    project.destDir = dest.path();
  }
  void AddTrack(const std::string& name, const char* title, bool converted) {
    _mp3entry entry;
    entry.filename = "/music/" + name + ".mp3";
    entry.prop.id3.valid = 2;
    std::strncpy(entry.prop.id3.song, title, sizeof entry.prop.id3.song - 1);
    tracks.addEntry(entry);
    if (converted) test::WriteFileBytes(dest.file(name + ".swf"), {'F', 'W', 'S'});
  }
  int32_t Publish(AlertSink* alerts = nullptr) {
    return PublishFiles(project, playerList, tracks, nullptr, alerts);
  }
};

struct RecordingAlerts : AlertSink {
  std::vector<std::string> seen;  // title: message [button]
  void alert(AlertStyle, const std::string& title, const std::string& message,
             const std::string& button) override {
    seen.push_back(title + ": " + message + " [" + button + "]");
  }
};

TEST(PublishFiles, BuiltInPage) {
  PublishFixture f;
  f.AddTrack("one", "One", true);
  f.AddTrack("two", "Two", false);
  f.AddTrack("three", "Three", true);
  RecordingAlerts alerts;
  const int32_t result = f.Publish(&alerts);
  EXPECT_EQ(result, (2 << 8) | kPublishedPage);
  EXPECT_TRUE(alerts.seen.empty());
  EXPECT_TRUE(f.project.entries.empty());
  EXPECT_EQ(ReadText(f.dest.file("index.html")),
            "<html>\n<body>\n" + kBlock300x40 + "</body>\n</html>\n");
  EXPECT_EQ(test::ReadFileBytes(f.dest.file("brelvano_mini.swf")),
            test::ReadFileBytes(f.players.file("brelvano_mini.swf")));
  if (test::HavePythonXml()) {
    const std::vector<std::string> files = test::XmlElementAttributes(f.dest.file("playlist.xml"), "FILE", true);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(0, 22), "src=one.swf|desc=One|a");
    EXPECT_EQ(files[1].substr(0, 26), "src=three.swf|desc=Three|a");
  }
  EXPECT_EQ(PublishSummary(result, f.project.player),
            "Number of audio files: 2\nPlaylist generated\nHTML file generated\n"
            "brelvano_mini player copied.");
}

TEST(PublishFiles, SelectionLimitsTheCollectedTracks) {
  PublishFixture f;
  f.AddTrack("one", "One", true);
  f.AddTrack("two", "Two", true);
  f.AddTrack("three", "Three", true);
  std::vector<_mp3entry*> entries;
  const StdIndexSet rows = {0, 2};
  EXPECT_EQ(CollectEntries(f.tracks, &entries, &rows), 2);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], f.tracks.getElement(0));
  EXPECT_EQ(entries[1], f.tracks.getElement(2));
  EXPECT_EQ(CollectEntries(f.tracks, &entries, nullptr), 3);
  const StdIndexSet none;
  EXPECT_EQ(CollectEntries(f.tracks, &entries, &none), 0);
}

TEST(PublishFiles, NoHtmlWritesNoPage) {
  PublishFixture f;
  f.project.publishFlags &= ~kPublishGenerateHTML;
  const int32_t result = f.Publish();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(test::FileExists(f.dest.file("index.html")));
  EXPECT_TRUE(test::FileExists(f.dest.file("playlist.xml")));
  EXPECT_EQ(PublishSummary(result, "p"),
            "Number of audio files: 0\nPlaylist generated\nNo HTML file generated\np player copied.");
}

TEST(PublishFiles, UnknownPlayerIsReportedAndPageUsesFullSize) {
  PublishFixture f;
  f.project.player = "Missing";
  RecordingAlerts alerts;
  const int32_t result = f.Publish(&alerts);
  EXPECT_EQ(result, kPublishedPage | kPublishedPlayerFailed);
  EXPECT_EQ(alerts.seen, (std::vector<std::string>{
                             "Generation: Cannot copy player to publish folder. [Continue]"}));
  EXPECT_NE(ReadText(f.dest.file("index.html")).find("width=\"100%\" height=\"100%\">\n"),
            std::string::npos);
}

TEST(PublishFiles, TemplateMarkerCases) {
  struct Case {
    const char* name;
    std::string templ;
    std::string page;
  };
  const std::string longText(10000, 'x');  // far longer than any line buffer
  const Case cases[] = {
      {"text on both sides", "<p>before %%MP3FLASHPLAYER%% after</p>\n",
       "<p>before " + kBlock300x40 + " after</p>\n"},
      {"two markers", "%%MP3FLASHPLAYER%%|%%MP3FLASHPLAYER%%\n",
       kBlock300x40 + "|%%MP3FLASHPLAYER%%\n"},
      {"no marker", "<html>\r\n<body></body>\r\n</html>", "<html>\r\n<body></body>\r\n</html>"},
      {"marker on last line without line end", "a\nb%%MP3FLASHPLAYER%%",
       "a\nb" + kBlock300x40},
      {"marker far into a long line", longText + "%%MP3FLASHPLAYER%%" + longText + "\n",
       longText + kBlock300x40 + longText + "\n"},
      {"marker split across a 4094-byte boundary",
       std::string(4090, 'y') + "%%MP3FLASHPLAYER%%\n",
       std::string(4090, 'y') + kBlock300x40 + "\n"},
      {"one percent sign short", "%MP3FLASHPLAYER%%\n", "%MP3FLASHPLAYER%%\n"},
      {"empty template", "", ""},
  };
  for (const Case& c : cases) {
    PublishFixture f;
    f.project.publishFlags |= kPublishUseTemplate;
    WriteText(f.dest.file("template.html"), c.templ);
    const int32_t result = f.Publish();
    EXPECT_EQ(result & kPublishedPage, kPublishedPage) << c.name;
    EXPECT_EQ(ReadText(f.dest.file("index.html")), c.page) << c.name;
  }
}

TEST(PublishFiles, MissingTemplateIsReported) {
  PublishFixture f;
  f.project.publishFlags |= kPublishUseTemplate;
  WriteText(f.dest.file("index.html"), "old page");
  RecordingAlerts alerts;
  const int32_t result = f.Publish(&alerts);
  EXPECT_EQ(result & kPublishedPage, 0);
  EXPECT_EQ(alerts.seen, (std::vector<std::string>{
                             "HTML Generation: Cannot open template.html\n File is missing. [Continue]"}));
  EXPECT_EQ(ReadText(f.dest.file("index.html")), "old page");
}

TEST(PublishFiles, UncreatableFilesAreReportedAndNothingCounted) {
  PublishFixture f;
  f.AddTrack("one", "One", true);
  // A destination that is a file: nothing can be created in it.
  WriteText(f.dest.file("plain"), "");
  f.project.destDir = f.dest.file("plain");
  RecordingAlerts alerts;
  const int32_t result = f.Publish(&alerts);
  EXPECT_EQ(result, kPublishedPlaylistFailed | kPublishedPlayerFailed);
  EXPECT_EQ(alerts.seen, (std::vector<std::string>{
                             "Generation: Cannot create playlist.xml file. [Continue]",
                             "Generation: Cannot copy player to publish folder. [Continue]",
                             "HTML Generation: Cannot create index.html file. [Continue]"}));
  EXPECT_EQ(PublishSummary(result, "brelvano_mini").substr(0, 25), "Number of audio files: 0\n");
}

TEST(PublishFiles, FailedPageWriteIsNotCounted) {
  // The page's writes fail after it was created; the old page stays.
  PublishFixture f;
  f.project.player = std::string(400, 'p');  // makes the page longer than the limit
  WriteText(f.dest.file("index.html"), "old page");
  RecordingAlerts alerts;
  int32_t result;
  {
    test::FileSizeLimit limit(300);
    ASSERT_TRUE(limit.active());
    result = f.Publish(&alerts);
  }
  EXPECT_EQ(result & kPublishedPage, 0);
  ASSERT_FALSE(alerts.seen.empty());
  EXPECT_EQ(alerts.seen.back(), "HTML Generation: Cannot write index.html file. [Continue]");
  EXPECT_EQ(ReadText(f.dest.file("index.html")), "old page");
  EXPECT_EQ(PublishSummary(result, "p").find("\nNo HTML file generated"), 43u);
}

}  // namespace
}  // namespace brelvano
