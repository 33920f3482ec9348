#include "convert/output_path.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/mp3list.h"

#include "support/test_files.h"

namespace brelvano {
namespace {

TEST(MakeOutputPath, NamesByFormatAndReducesToAscii) {
  const struct {
    std::string filename;
    int32_t format, defaultFormat;
    std::string expected;  // with destDir "/out"
  } cases[] = {
      {"/music/song.mp3", kFormatDefault, 0, "/out/song.swf"},
      {"/music/song.mp3", kFormatDefault, 1, "/out/song.flv"},
      {"/music/song.mp3", kFormatSwf, 1, "/out/song.swf"},
      {"/music/song.mp3", kFormatFlv, 0, "/out/song.flv"},
      {"/music/song.MP3", kFormatSwf, 0, "/out/song.swf"},
      {"/music/two.dots.mp3", kFormatSwf, 0, "/out/two.dots.swf"},
      // Accented letters keep their base letter (composed or decomposed input).
      {"/music/Caf\xC3\xA9.mp3", kFormatDefault, 0, "/out/Cafe.swf"},
      {"/music/Cafe\xCC\x81.mp3", kFormatDefault, 0, "/out/Cafe.swf"},
      // Compatibility forms: the ligature "fi" becomes two letters.
      {"/music/\xEF\xAC\x81le.mp3", kFormatDefault, 0, "/out/file.swf"},
      // Only non-ASCII letters: transliterated, never a hidden ".swf".
      {"/music/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.mp3", kFormatDefault, 0,
       "/out/Privet.swf"},
      {"/music/\xE6\x97\xA5\xE6\x9C\xAC.mp3", kFormatDefault, 0, "/out/ri ben.swf"},
      // Nothing ICU can spell either: "track".
      {"/music/\xF0\x9F\x8E\xB5.mp3", kFormatDefault, 0, "/out/track.swf"},
      {"/music/.mp3", kFormatFlv, 0, "/out/track.flv"},
      // Not UTF-8: the stray bytes are dropped.
      {"/music/b\xFFx.mp3", kFormatDefault, 0, "/out/bx.swf"},
      // A name without a dot gets the extension; the folder's dot is not cut into.
      {"/music.d/track", kFormatDefault, 0, "/out/track.swf"},
      {"track", kFormatFlv, 0, "/out/track.flv"},
      // An unknown format keeps the MP3 file's own extension.
      {"/music/song.mp3", 7, 0, "/out/song.mp3"},
      // Paths of any length.
      {"/src/" + std::string(5000, 'n') + ".mp3", kFormatDefault, 0,
       "/out/" + std::string(5000, 'n') + ".swf"},
  };
  for (const auto& c : cases) {
    ProjectRecord project;
    project.destDir = "/out";
    project.defaultFormat = c.defaultFormat;
    _mp3entry entry;
    entry.filename = c.filename;
    entry.format = c.format;
    EXPECT_EQ(MakeOutputPath(project, entry), c.expected)
        << c.filename.substr(0, 80) << " format " << c.format;
  }
}

// Regression: tracks of one list shared an output ("Café.mp3" and
// "Cafe.mp3", two "x.mp3" from different folders, names in other scripts
// all giving ".swf"); every one said "Ok" and only the last survived.
TEST(MakeOutputPaths, NoTwoTracksOfAListShareAnOutput) {
  const struct {
    const char* what;
    std::vector<std::pair<std::string, int32_t>> tracks;  // file name, format
    std::vector<std::string> expected;                    // with destDir "/out"
  } cases[] = {
      {"unique names stay as they are",
       {{"/a/one.mp3", 0}, {"/a/two.mp3", 0}, {"/a/one.mp3", kFormatFlv}},
       {"/out/one.swf", "/out/two.swf", "/out/one.flv"}},
      {"accent folded onto a name taken earlier",
       {{"/a/Cafe.mp3", 0}, {"/a/Caf\xC3\xA9.mp3", 0}},
       {"/out/Cafe.swf", "/out/Cafe-2.swf"}},
      {"same name in two folders, three times",
       {{"/a/x.mp3", 0}, {"/b/x.mp3", 0}, {"/c/x.mp3", 0}},
       {"/out/x.swf", "/out/x-2.swf", "/out/x-3.swf"}},
      {"a later track's own name is never taken by a renamed one",
       {{"/a/x.mp3", 0}, {"/b/x.mp3", 0}, {"/a/x-2.mp3", 0}},
       {"/out/x.swf", "/out/x-3.swf", "/out/x-2.swf"}},
      {"names that reduce to nothing",
       {{"/a/\xE6\xAD\x8C.mp3", 0},
        {"/b/\xE6\xAD\x8C.mp3", 0},
        {"/a/ge.mp3", 0},
        {"/a/\xF0\x9F\x8E\xB5.mp3", 0},
        {"/a/\xF0\x9F\x8E\xB6.mp3", 0}},
       {"/out/ge-2.swf", "/out/ge-3.swf", "/out/ge.swf", "/out/track.swf", "/out/track-2.swf"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ProjectRecord project;
    project.destDir = "/out";
    std::vector<_mp3entry> entries(c.tracks.size());
    std::vector<const _mp3entry*> pointers;
    for (size_t i = 0; i < entries.size(); ++i) {
      entries[i].filename = c.tracks[i].first;
      entries[i].format = c.tracks[i].second;
      pointers.push_back(&entries[i]);
    }
    EXPECT_EQ(MakeOutputPaths(project, pointers), c.expected);
  }
}

TEST(MarkConvertedIfExists, UsesTheNamesOfTheWholeList) {
  test::TempDir dir;
  ProjectRecord project;
  project.destDir = dir.path();
  Mp3List list;
  for (const char* name : {"/nowhere/x.mp3", "/elsewhere/x.mp3"}) list.addFile(name);
  test::WriteFileBytes(dir.file("x.swf"), {1});  // only the first track's output
  MarkConvertedIfExists(project, list);
  EXPECT_EQ(list.getElement(0)->status, kStatusOk);
  EXPECT_EQ(list.getElement(1)->status, kStatusCannotOpen);  // its output is x-2.swf
  test::WriteFileBytes(dir.file("x-2.swf"), {1});
  MarkConvertedIfExists(project, list);
  EXPECT_EQ(list.getElement(1)->status, kStatusOk);
}

TEST(MarkConvertedIfExists, NeverWaitsOnAFifoAtTheOutputName) {
  test::TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("f.swf").c_str(), 0600), 0);
  ProjectRecord project;
  project.destDir = dir.path();
  _mp3entry entry;
  entry.filename = "/somewhere/f.mp3";
  entry.status = kStatusNotConverted;
  MarkConvertedIfExists(project, entry);  // would block for ever on a FIFO
  EXPECT_EQ(entry.status, kStatusNotConverted);
}

TEST(MarkConvertedIfExists, OnlyEverSetsOk) {
  test::TempDir dir;
  ProjectRecord project;
  project.destDir = dir.path();
  _mp3entry entry;
  entry.filename = "/somewhere/a.mp3";
  entry.status = kStatusCannotOpen;
  MarkConvertedIfExists(project, entry);
  EXPECT_EQ(entry.status, kStatusCannotOpen);  // no output yet
  test::WriteFileBytes(dir.file("a.swf"), {1});
  MarkConvertedIfExists(project, entry);
  EXPECT_EQ(entry.status, kStatusOk);
  entry.format = kFormatFlv;  // the FLV output does not exist
  entry.status = kStatusAborted;
  MarkConvertedIfExists(project, entry);
  EXPECT_EQ(entry.status, kStatusAborted);
}

}  // namespace
}  // namespace brelvano
