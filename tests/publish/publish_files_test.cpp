// playlist.xml, the player block, index.html and PublishFiles as a whole.
#include "publish/publish_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "analysis/mp3list.h"
#include "publish/playlist.h"
#include "publish/publish_operation.h"
#include "support/file_size_limit.h"
#include "support/text_file.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::ReadText;
using test::TempDir;
using test::WriteText;

const std::string kBundledPlayer = std::string(BRELVANO_SOURCE_PLAYERS_DIR) + "/brelvano_mini.swf";

_mp3entry Track(const std::string& file, const char* song, const char* artist = "",
                const char* album = "", int32_t duration = 0) {
  _mp3entry entry;
  entry.filename = file;
  entry.prop.id3.valid = 2;
  std::strncpy(entry.prop.id3.song, song, sizeof entry.prop.id3.song - 1);
  std::strncpy(entry.prop.id3.artist, artist, sizeof entry.prop.id3.artist - 1);
  std::strncpy(entry.prop.id3.album, album, sizeof entry.prop.id3.album - 1);
  entry.prop.duration = duration;
  return entry;
}

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<GENERATOR name=\"Brelvano\" version=\"1.6\" build=\"2007.02.23\"/>\n";

TEST(Playlist, EmptyListIsFiveLinesWithSettingsFromFlagBits) {
  const std::pair<uint32_t, const char*> cases[] = {
      {16 + 64, "autostart=\"yes\" playall=\"no\" loop=\"yes\" shuffle=\"no\""},
      {8 + 32, "autostart=\"no\" playall=\"yes\" loop=\"no\" shuffle=\"yes\""},
      {0xFFFFFF87u,
       "autostart=\"no\" playall=\"no\" loop=\"no\" shuffle=\"no\""},  // other bits only
  };
  for (const auto& [flags, settings] : cases) {
    TempDir dir;
    ProjectRecord project;
    project.publishFlags = flags;
    ASSERT_EQ(WritePlaylist(project, dir.path(), false), 0);
    EXPECT_EQ(ReadText(dir.file("playlist.xml")),
              kHead + "<PLAYERSETTINGS " + settings + "/>\n<PLAYLIST>\n</PLAYLIST>\n");
  }
}

TEST(Playlist, ListsOnlyTracksWithOutputsAndEscapes) {
  TempDir dir;
  ProjectRecord project;  // no flags
  project.destDir = dir.path();
  _mp3entry first = Track("/music/My Song#1.mp3", "Rock & Roll", "The \"Band\"", "<Live>", 205);
  _mp3entry missing = Track("/music/never.mp3", "x");
  _mp3entry second = Track("/music/it's 100%?.mp3", "O'Neil", "", "", 59);
  second.format = kFormatFlv;
  WriteText(dir.file("My Song#1.swf"), "FWS");
  WriteText(dir.file("it's 100%?.flv"), "FLV");
  project.entries = {&first, &missing, &second};
  EXPECT_EQ(WritePlaylist(project, dir.path(), false), 2);
  EXPECT_EQ(
      ReadText(dir.file("playlist.xml")),
      kHead +
          "<PLAYERSETTINGS autostart=\"no\" playall=\"no\" loop=\"no\" shuffle=\"no\"/>\n"
          "<PLAYLIST>\n"
          "   <FILE src=\"My%20Song%231.swf\" desc=\"Rock &amp; Roll\""
          " artist=\"The &quot;Band&quot;\" album=\"&lt;Live&gt;\" minutes=\"3\" seconds=\"25\"/>\n"
          "   <FILE src=\"it%27s%20100%25%3F.flv\" desc=\"O&apos;Neil\""
          " artist=\"\" album=\"\" minutes=\"0\" seconds=\"59\"/>\n"
          "</PLAYLIST>\n");
  // Absolute references: the path's own leading slash follows "file://".
  TempDir work;
  ASSERT_EQ(WritePlaylist(project, work.path(), true), 2);
  EXPECT_NE(ReadText(work.file("playlist.xml"))
                .find("<FILE src=\"file://" + dir.path() + "/My%20Song%231.swf\""),
            std::string::npos);
  if (!test::HavePythonXml()) GTEST_SKIP() << "python3 is needed to read the playlist back";
  EXPECT_EQ(test::XmlElementAttributes(dir.file("playlist.xml"), "FILE", true),
            (std::vector<std::string>{
                "src=My%20Song%231.swf|desc=Rock & Roll|artist=The "
                "\"Band\"|album=<Live>|minutes=3|seconds=25",
                "src=it%27s%20100%25%3F.flv|desc=O'Neil|artist=|album=|minutes=0|seconds=59"}));
}

TEST(Playlist, UrlEscapes) {
  EXPECT_EQ(PlaylistUrlEscape(" &\"<>?'%#"), "%20%26%22%3C%3E%3F%27%25%23");
  EXPECT_EQ(PlaylistUrlEscape("/\x7E\x7F\xC3\xA9"
                              "b+c=d"),
            "/~%7F%C3%A9b+c=d");  // nor slashes
  // Control bytes: raw, no XML reader would take the playlist.
  EXPECT_EQ(PlaylistUrlEscape("a\tb\x01"
                              "c\x1b"),
            "a%09b%01c%1B");
}

// Regression: a tag holding \x01 or \x1b (or a file name with a control
// byte) made playlist.xml not well-formed: the player loaded no track.
TEST(Playlist, ControlCharactersAndBadUtf8NeverBreakTheFile) {
  if (!test::HavePythonXml()) GTEST_SKIP() << "python3 is needed to read the playlist back";
  TempDir dir;
  ProjectRecord project;
  project.destDir = dir.path();
  _mp3entry first = Track(
      "/music/a\x01"
      "b.mp3",
      "Title\x01", "\x1b[2J\x1b]0;pwned\x07", "caf\xE9");
  _mp3entry second = Track("/music/plain.mp3", "Fine", "\xEF\xBF\xBF", "tab\there");
  WriteText(dir.file("a\x01"
                     "b.swf"),
            "FWS");
  WriteText(dir.file("plain.swf"), "FWS");
  project.entries = {&first, &second};
  ASSERT_EQ(WritePlaylist(project, dir.path(), false), 2);
  const std::string fffd = "\xEF\xBF\xBD";
  EXPECT_EQ(test::XmlElementAttributes(dir.file("playlist.xml"), "FILE", true),
            (std::vector<std::string>{
                "src=a%01b.swf|desc=Title" + fffd + "|artist=" + fffd + "[2J" + fffd + "]0;pwned" +
                    fffd + "|album=caf" + fffd + "|minutes=0|seconds=0",
                "src=plain.swf|desc=Fine|artist=" + fffd + "|album=tab here|minutes=0|seconds=0"}));
}

TEST(Playlist, FailedWriteIsReportedAndOldPlaylistKept) {
  TempDir dir;
  ProjectRecord project;
  WriteText(dir.file("playlist.xml"), "old");
  {
    test::FileSizeLimit limit(100);  // the five lines alone take 198 bytes
    ASSERT_TRUE(limit.active());
    EXPECT_EQ(WritePlaylist(project, dir.path(), false), kPlaylistNotWritten);
  }
  EXPECT_EQ(ReadText(dir.file("playlist.xml")), "old");
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "playlist.xml")
      << "no temporary file is left behind";
  EXPECT_EQ(WritePlaylist(project, "/nonexistent/brelvano", false), kPlaylistNotWritten);
}

const std::string kRuntimeScript =
    "<script>window.RufflePlayer = window.RufflePlayer || {};\n"
    "window.RufflePlayer.config = {preferredRenderer: \"webgl\"};</script>\n"
    "<script src=\"ruffle/ruffle.js\"></script>\n";

const std::string kBlock300x40 =
    kRuntimeScript +
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

// A runtime folder as npm leaves it: the files a page needs beside ones it does not.
struct RuntimeFolder {
  TempDir dir;
  RuntimeFolder() {
    for (const char* name :
         {"ruffle.js", "core.ruffle.0a1b.js", "core.ruffle.c2d3.js", "9f8e.wasm", "ruffle.js.map",
          "core.ruffle.0a1b.js.map", "package.json", "README.md"})
      WriteText(dir.file(name), std::string("content of ") + name);
  }
};
const std::vector<std::string> kRuntimeFiles = {"9f8e.wasm", "core.ruffle.0a1b.js",
                                                "core.ruffle.c2d3.js", "ruffle.js"};

// A destination folder, the bundled player, the runtime and a list of tracks.
struct PublishFixture : AlertSink {
  TempDir dest;
  RuntimeFolder runtime;
  PlayersList players = {{"brelvano_mini", kBundledPlayer}};
  ProjectRecord project;
  Mp3List tracks;
  std::vector<std::string> alerts;  // title: message [button]
  rlim_t sizeLimit = 0;             // bytes a file may grow to while publishing; 0: no limit

  PublishFixture() {
    project.publishFlags = kDefaultPublishFlags;
    project.player = "brelvano_mini";
    project.destDir = dest.path();
  }
  void alert(AlertStyle, const std::string& title, const std::string& message,
             const std::string& button) override {
    alerts.push_back(title + ": " + message + " [" + button + "]");
  }
  void AddTrack(const std::string& name, bool converted) {
    tracks.addEntry(Track("/music/" + name + ".mp3", name.c_str()));
    if (converted) WriteText(dest.file(name + ".swf"), "FWS");
  }
  int32_t Publish() {
    std::optional<test::FileSizeLimit> limit;
    if (sizeLimit != 0) limit.emplace(sizeLimit);
    return PublishFiles(project, players, tracks, nullptr, this, runtime.dir.path());
  }
};

// Regression: two tracks of a list shared one output and the playlist
// listed that movie twice; it now lists each track's own output, named as
// the batch named it, also for a selection.
TEST(Playlist, ListsEachTracksOwnOutputForAListOrASelection) {
  TempDir dir;
  ProjectRecord project;
  project.destDir = dir.path();
  Mp3List tracks;
  for (const char* file : {"/a/x.mp3", "/b/x.mp3", "/a/Caf\xC3\xA9.mp3",
                           "/a/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.mp3"})
    tracks.addEntry(Track(file, file));
  for (const char* out : {"x.swf", "x-2.swf", "Cafe.swf", "Privet.swf"})
    WriteText(dir.file(out), "FWS");
  const auto sources = [&](const std::string& playlist) {
    std::vector<std::string> found;
    for (size_t at = 0; (at = playlist.find("src=\"", at)) != std::string::npos; at += 5)
      found.push_back(playlist.substr(at + 5, playlist.find('"', at + 5) - at - 5));
    return found;
  };
  CollectEntries(tracks, &project.entries, nullptr);
  ASSERT_EQ(WritePlaylist(project, dir.path(), false), 4);
  EXPECT_EQ(sources(ReadText(dir.file("playlist.xml"))),
            (std::vector<std::string>{"x.swf", "x-2.swf", "Cafe.swf", "Privet.swf"}));
  PublishFixture f;
  f.project.destDir = dir.path();
  f.tracks = tracks;
  const StdIndexSet rows = {1};
  EXPECT_EQ(PublishFiles(f.project, f.players, f.tracks, &rows, &f) >> kPublishedCountShift, 1);
  EXPECT_EQ(sources(ReadText(dir.file("playlist.xml"))), std::vector<std::string>{"x-2.swf"});
}

TEST(PublishFiles, BuiltInPageListsTheConvertedTracks) {
  PublishFixture f;
  f.AddTrack("one", true);
  f.AddTrack("two", false);
  f.AddTrack("three", true);
  const int32_t result = f.Publish();
  EXPECT_EQ(result, (2 << 8) | kPublishedPage);
  EXPECT_TRUE(f.alerts.empty());
  EXPECT_TRUE(f.project.entries.empty());
  EXPECT_EQ(ReadText(f.dest.file("index.html")),
            "<html>\n<body>\n" + kBlock300x40 + "</body>\n</html>\n");
  EXPECT_EQ(test::ReadFileBytes(f.dest.file("brelvano_mini.swf")),
            test::ReadFileBytes(kBundledPlayer));
  EXPECT_EQ(test::FolderNames(f.dest.file("ruffle")), kRuntimeFiles);
  EXPECT_EQ(ReadText(f.dest.file("ruffle/ruffle.js")), "content of ruffle.js");
}

TEST(PublishFiles, RuntimeCopiesAreRefreshedOnlyWhenTheirBytesDiffer) {
  PublishFixture f;
  ASSERT_EQ(f.Publish(), kPublishedPage);
  const auto stamp = [&](const char* name) {
    return std::filesystem::last_write_time(f.dest.file(name));
  };
  std::filesystem::last_write_time(f.dest.file("ruffle/ruffle.js"),
                                   stamp("ruffle/ruffle.js") - std::chrono::hours(1));
  const auto unchangedStamp = stamp("ruffle/ruffle.js");
  WriteText(f.dest.file("ruffle/9f8e.wasm"), "damaged");
  WriteText(f.runtime.dir.file("core.ruffle.c2d3.js"), "a new release");
  WriteText(f.dest.file("ruffle/mine.txt"), "the user's");
  ASSERT_EQ(f.Publish(), kPublishedPage);
  EXPECT_EQ(stamp("ruffle/ruffle.js"), unchangedStamp) << "an identical copy is left alone";
  EXPECT_EQ(ReadText(f.dest.file("ruffle/9f8e.wasm")), "content of 9f8e.wasm");
  EXPECT_EQ(ReadText(f.dest.file("ruffle/core.ruffle.c2d3.js")), "a new release");
  EXPECT_EQ(ReadText(f.dest.file("ruffle/mine.txt")), "the user's");
}

TEST(PublishFiles, PlayerNamesArePercentEscapedInThePage) {
  const std::pair<const char*, const char*> cases[] = {
      {"Caf\xC3\xA9", "Caf%E9"},  // Latin-1 code of é
      {"My 100% #1?\"<x-y_z", "My%20100%25%20%231%3F%22%3Cx-y_z"},
      {"\xE2\x82\xAC", "%E2%82%AC"},  // € has no Latin-1 code: its UTF-8 bytes
  };
  for (const auto& [name, escaped] : cases) {
    PublishFixture f;
    f.players = {{name, kBundledPlayer}};
    f.project.player = name;
    EXPECT_EQ(f.Publish(), kPublishedPage) << name;
    const std::string page = ReadText(f.dest.file("index.html")),
                      swf = std::string(escaped) + ".swf\"";
    EXPECT_NE(page.find("<param name=\"MOVIE\" value=\"" + swf), std::string::npos) << page;
    EXPECT_NE(page.find("<embed src=\"" + swf), std::string::npos) << page;
  }
}

TEST(PublishFiles, TemplateMarkerCases) {
  const std::string longText(10000, 'x');  // far longer than any line buffer
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // name, template, page
      {"text on both sides", "<p>before %%MP3FLASHPLAYER%% after</p>\n",
       "<p>before " + kBlock300x40 + " after</p>\n"},
      {"two markers", "%%MP3FLASHPLAYER%%|%%MP3FLASHPLAYER%%\n",
       kBlock300x40 + "|%%MP3FLASHPLAYER%%\n"},
      {"no marker", "<html>\r\n<body></body>\r\n</html>", "<html>\r\n<body></body>\r\n</html>"},
      {"last line without line end", "a\nb%%MP3FLASHPLAYER%%", "a\nb" + kBlock300x40},
      {"far into a long line", longText + "%%MP3FLASHPLAYER%%" + longText + "\n",
       longText + kBlock300x40 + longText + "\n"},
      {"across a 4094-byte boundary", std::string(4090, 'y') + "%%MP3FLASHPLAYER%%\n",
       std::string(4090, 'y') + kBlock300x40 + "\n"},
      {"one percent sign short", "%MP3FLASHPLAYER%%\n", "%MP3FLASHPLAYER%%\n"},
      {"empty template", "", ""},
  };
  for (const auto& [name, templ, page] : cases) {
    SCOPED_TRACE(name);
    PublishFixture f;
    f.project.publishFlags |= kPublishUseTemplate;
    WriteText(f.dest.file("template.html"), templ);
    EXPECT_EQ(f.Publish() & kPublishedPage, kPublishedPage);
    EXPECT_EQ(ReadText(f.dest.file("index.html")), page);
  }
}

TEST(PublishFiles, ProblemsAreReportedAndPublishingGoesOn) {
  const std::string copyFailed = "Generation: Cannot copy player to publish folder. [Continue]";
  const std::string runtimeMissing =
      "Generation: The Flash runtime (Ruffle) is missing from this installation: the page cannot "
      "play. [Continue]";
  // What is set up, the result (one track listed), the alerts, and what index.html then holds.
  const std::tuple<const char*, void (*)(PublishFixture&), int32_t, std::vector<std::string>,
                   const char*>
      cases[] = {
          {"no page",
           [](PublishFixture& f) { f.project.publishFlags &= ~kPublishGenerateHTML; },
           1 << 8,
           {},
           "old page"},
          {"unknown player",
           [](PublishFixture& f) { f.project.player = "Missing"; },
           1 << 8 | kPublishedPage | kPublishedPlayerFailed,
           {copyFailed},
           "width=\"100%\" height=\"100%\">\n"},
          // Alerts are compared by their beginning; the template's path is checked below.
          {"missing template",
           [](PublishFixture& f) { f.project.publishFlags |= kPublishUseTemplate; },
           1 << 8,
           {"HTML Generation: Cannot open template.html\n File is missing.\n/"},
           "old page"},
          // Regression: a FIFO as template, player copy or playlist hung publishing.
          {"template is a FIFO",
           [](PublishFixture& f) {
             f.project.publishFlags |= kPublishUseTemplate;
             ASSERT_EQ(mkfifo(f.dest.file("template.html").c_str(), 0600), 0);
           },
           1 << 8,
           {"HTML Generation: Cannot open template.html\n File cannot be read.\n/"},
           "old page"},
          {"player copy is a FIFO",
           [](PublishFixture& f) {
             ASSERT_EQ(mkfifo(f.dest.file("brelvano_mini.swf").c_str(), 0600), 0);
           },
           1 << 8 | kPublishedPage | kPublishedPlayerFailed,
           {copyFailed},
           "width=\"100%\" height=\"100%\">\n"},
          {"playlist is a FIFO",
           [](PublishFixture& f) {
             ASSERT_EQ(mkfifo(f.dest.file("playlist.xml").c_str(), 0600), 0);
           },
           kPublishedPage | kPublishedPlaylistFailed,
           {"Generation: Cannot create playlist.xml file. [Continue]"},
           "width=\"300\" height=\"40\">\n"},
          // Regression: a project without a destination published into "/".
          {"no destination",
           [](PublishFixture& f) { f.project.destDir.clear(); },
           kPublishedPlaylistFailed | kPublishedPlayerFailed,
           {"Generation: The project has no destination folder; nothing was published. [Continue]"},
           nullptr},
          {"destination is a file",
           [](PublishFixture& f) { f.project.destDir = f.dest.file("index.html"); },
           kPublishedPlaylistFailed | kPublishedPlayerFailed |
               kPublishedRuntimeFailed,  // nothing listed
           {"Generation: Cannot create playlist.xml file. [Continue]", copyFailed,
            "Generation: Cannot copy the Flash runtime (Ruffle) to publish folder. [Continue]",
            "HTML Generation: Cannot create index.html file. [Continue]"},
           nullptr},
          // A page without its runtime cannot play: told, though the page is written.
          {"no runtime module",
           [](PublishFixture& f) { std::filesystem::remove(f.runtime.dir.file("9f8e.wasm")); },
           1 << 8 | kPublishedPage | kPublishedRuntimeFailed,
           {runtimeMissing},
           "ruffle/ruffle.js"},
          {"no runtime loader",
           [](PublishFixture& f) { std::filesystem::remove(f.runtime.dir.file("ruffle.js")); },
           1 << 8 | kPublishedPage | kPublishedRuntimeFailed,
           {runtimeMissing},
           "<object"},
          // The page is created but its writes fail: not counted, the old page stays.
          {"page write fails",
           [](PublishFixture& f) {
             f.project.player.assign(400, 'p');
             f.sizeLimit = 500;
           },
           1 << 8 | kPublishedPlayerFailed,
           {copyFailed, "HTML Generation: Cannot write index.html file. [Continue]"},
           "old page"},
      };
  for (const auto& [what, setup, result, alerts, page] : cases) {
    SCOPED_TRACE(what);
    PublishFixture f;
    f.AddTrack("one", true);
    WriteText(f.dest.file("index.html"), "old page");
    setup(f);
    EXPECT_EQ(f.Publish(), result);
    ASSERT_EQ(f.alerts.size(), alerts.size()) << ::testing::PrintToString(f.alerts);
    for (size_t i = 0; i < alerts.size(); ++i)
      EXPECT_EQ(f.alerts[i].substr(0, alerts[i].size()), alerts[i]) << f.alerts[i];
    if (page) {
      EXPECT_NE(ReadText(f.project.destDir + "/index.html").find(page), std::string::npos);
    } else if (!f.project.destDir.empty()) {
      EXPECT_FALSE(std::filesystem::is_regular_file(f.project.destDir + "/index.html"));
    }
  }
}

// Regression (item: missing template): the alert named no file.
TEST(PublishFiles, MissingTemplateNamesItsPath) {
  PublishFixture f;
  f.project.publishFlags |= kPublishUseTemplate;
  f.Publish();
  ASSERT_EQ(f.alerts.size(), 1u);
  EXPECT_EQ(f.alerts[0], "HTML Generation: Cannot open template.html\n File is missing.\n" +
                             f.dest.file("template.html") +
                             ": No such file or directory [Continue]");
}

// Regression: the summary said "Playlist generated" and "... player copied."
// when neither was (publishing into a full disk).
TEST(PublishSummary, SaysWhatHappened) {
  const struct {
    int32_t published;
    const char* summary;
  } cases[] = {
      {3 << 8 | kPublishedPage,
       "Number of audio files: 3\nPlaylist generated\nHTML file generated\nmini player copied."},
      {kPublishedPlaylistFailed | kPublishedPlayerFailed,
       "Number of audio files: 0\nNo Playlist generated\nNo HTML file generated\nmini player not "
       "copied."},
      {1 << 8 | kPublishedPlayerFailed | kPublishedPage,
       "Number of audio files: 1\nPlaylist generated\nHTML file generated\nmini player not "
       "copied."},
      {0,
       "Number of audio files: 0\nPlaylist generated\nNo HTML file generated\nmini player copied."},
  };
  for (const auto& c : cases) EXPECT_EQ(PublishSummary(c.published, "mini"), c.summary);
}

// Regression: a project without a destination converted into and published
// to the file system's root.
TEST(PublishProject, RefusesAProjectWithoutDestinationBeforeAnything) {
  PublishFixture f;
  f.AddTrack("one", false);
  f.project.destDir.clear();
  const PublishOutcome outcome = PublishProject(f.tracks, f.project, f.players, true, nullptr, &f);
  EXPECT_EQ(outcome.failure, kNoDestinationReason);
  EXPECT_EQ(outcome.converted, 0);
  EXPECT_EQ(outcome.published, 0);
  EXPECT_TRUE(outcome.summary.empty());
  EXPECT_EQ(f.tracks.getElement(0)->status, kStatusNotConverted);
  EXPECT_TRUE(f.alerts.empty());
}

// Regression: temporary files of killed publishers stayed for ever; those of
// a running one must stay.
TEST(PublishFiles, RemovesStaleTemporaryFilesOfItsFolder) {
  PublishFixture f;
  f.AddTrack("one", true);
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  const std::string stale = ".playlist.xml.brelvano-" + std::to_string(child) + "-aBc123";
  const std::string live = ".one.swf.brelvano-" + std::to_string(getpid()) + "-aBc123";
  WriteText(f.dest.file(stale), "partial");
  WriteText(f.dest.file(live), "partial");
  f.Publish();
  EXPECT_FALSE(test::FileExists(f.dest.file(stale)));
  EXPECT_TRUE(test::FileExists(f.dest.file(live)));
}

}  // namespace
}  // namespace brelvano
