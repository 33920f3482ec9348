#include "convert/output_path.h"

#include <gtest/gtest.h>

#include <string>

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
      // Only non-ASCII letters: a hidden file.
      {"/music/\xE6\x97\xA5\xE6\x9C\xAC.mp3", kFormatDefault, 0, "/out/.swf"},
      // Not UTF-8: the stray bytes are dropped.
      {"/music/b\xFFx.mp3", kFormatDefault, 0, "/out/bx.swf"},
      // A name without a dot gets the extension; the folder's dot is not cut into.
      {"/music.d/track", kFormatDefault, 0, "/out/track.swf"},
      {"track", kFormatFlv, 0, "/out/track.flv"},
      // An unknown format keeps the MP3 file's own extension.
      {"/music/song.mp3", 7, 0, "/out/song.mp3"},
      // Paths of any length.
      {"/src/" + std::string(5000, 'n') + ".mp3", kFormatDefault, 0, "/out/" + std::string(5000, 'n') + ".swf"},
  };
  for (const auto& c : cases) {
    ProjectRecord project;
    project.destDir = "/out";
    project.defaultFormat = c.defaultFormat;
    _mp3entry entry;
    entry.filename = c.filename;
    entry.format = c.format;
    EXPECT_EQ(MakeOutputPath(project, entry), c.expected) << c.filename.substr(0, 80) << " format " << c.format;
  }
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
