// Adding, removing, moving, formats and the tag sheet, with what the observer is told.
#include <gtest/gtest.h>

#include "application/application_fixture.h"
#include "project/project_reader.h"

namespace brelvano {
namespace {

using test::ApplicationTest;

TEST_F(ApplicationTest, AddFilesKeepsExactlyMp3AndSaysWhy) {
  BrelvanoApplication& a = Make();
  const std::string good = Track("a.mp3");
  const std::string upper = Track("b.MP3");
  const std::string text = Track("notes.txt");
  const std::string control = Track("two\nlines.mp3");
  observer.events.clear();
  std::vector<std::string> refused;
  EXPECT_EQ(a.addFiles({good, upper, text, control, good}, &refused), 2);  // twice is twice
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "a.mp3"}));
  EXPECT_EQ(console.text, "File  = " + good + "\nFile  = " + good + "\n");
  ASSERT_EQ(refused.size(), 3u);
  EXPECT_EQ(refused[0], upper + ": only files ending in .mp3 are taken");
  EXPECT_EQ(refused[2], control + ": file name holds control characters");
  EXPECT_TRUE(observer.Saw("inserted 0..0"));
  EXPECT_TRUE(observer.Saw("inserted 1..1"));
  EXPECT_TRUE(a.edited());

  // Nothing accepted still marks the project edited.
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  a.addFiles({text});
  EXPECT_TRUE(a.edited());
}

TEST_F(ApplicationTest, AddedTracksAreMarkedConvertedWhenTheirOutputExists) {
  BrelvanoApplication& a = Make();
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/t1.swf", "x");
  AddTracks(2);
  EXPECT_EQ(a.cellText("Status", 0), "");
  EXPECT_EQ(a.cellText("Status", 1), "Ok");
  // A file that cannot be read is added all the same, its status telling why.
  a.addFiles({dir.file("music/gone.mp3")});
  EXPECT_EQ(a.cellText("Status", 2), "Cannot open");
}

TEST_F(ApplicationTest, MoveAllSelectedRowsOrNone) {
  struct Case {
    std::vector<int32_t> rows;
    int32_t direction;
    std::optional<std::vector<int32_t>> selection;
    std::vector<std::string> order;
  };
  const std::vector<std::string> unchanged = {"t0.mp3", "t1.mp3", "t2.mp3", "t3.mp3", "t4.mp3"};
  const Case cases[] = {
      {{0, 2}, -1, std::nullopt, unchanged},
      {{0, 2}, +1, std::vector<int32_t>{1, 3}, {"t1.mp3", "t0.mp3", "t3.mp3", "t2.mp3", "t4.mp3"}},
      {{1, 2}, +1, std::vector<int32_t>{2, 3}, {"t0.mp3", "t3.mp3", "t1.mp3", "t2.mp3", "t4.mp3"}},
      {{2, 1}, -1, std::vector<int32_t>{0, 1}, {"t1.mp3", "t2.mp3", "t0.mp3", "t3.mp3", "t4.mp3"}},
      {{4}, +1, std::nullopt, unchanged},
      {{}, +1, std::nullopt, unchanged},
  };
  for (const Case& c : cases) {
    BrelvanoApplication& a = Make();
    AddTracks(5);
    ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
    observer.events.clear();
    EXPECT_EQ(a.moveTracks(c.rows, c.direction), c.selection);
    EXPECT_EQ(Names(), c.order);
    EXPECT_EQ(a.edited(), c.selection.has_value());
    EXPECT_EQ(observer.events.empty(), !c.selection.has_value());
  }
}

TEST_F(ApplicationTest, RemoveTellsEachRunLastFirst) {
  BrelvanoApplication& a = Make();
  AddTracks(6);
  observer.events.clear();
  a.removeTracks({5, 0, 2, 3});
  EXPECT_EQ(Names(), (std::vector<std::string>{"t1.mp3", "t4.mp3"}));
  EXPECT_EQ(observer.events[0], "removed 5..5");
  EXPECT_EQ(observer.events[1], "removed 2..3");
  EXPECT_EQ(observer.events[2], "removed 0..0");
}

TEST_F(ApplicationTest, FormatOnSelectedTracksOnly) {
  BrelvanoApplication& a = Make();
  AddTracks(4);
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/t3.flv", "x");
  a.setTrackFormat({1, 3}, kFormatFlv);
  const char* formats[] = {"default", "Flv", "default", "Flv"};
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(a.cellText("Format", i), formats[i]) << i;
  EXPECT_EQ(a.cellText("Status", 3), "Ok");  // its FLV output is there
  a.setTrackFormat({0}, 7);                  // anything else follows the default
  EXPECT_EQ(a.track(0).format, kFormatDefault);
  a.setTrackFormat({0}, kFormatSwf);
  EXPECT_EQ(a.cellText("Format", 0), "Swf");
}

TEST_F(ApplicationTest, EditSheetAppliesCutsAndRestores) {
  BrelvanoApplication& a = Make();
  AddTracks(1);
  a.editTags(0, "", "Someone", "Album");
  EXPECT_EQ(a.track(0).prop.id3.valid, 2);
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  EXPECT_NE(test::ReadText(dir.file("p.brv")).find("title=\"\""), std::string::npos);

  // Longer than the fields: cut at a character boundary ("é" is two bytes).
  std::string title(254, 'x');
  title += "\xC3\xA9z";
  std::string artist(78, 'y');
  artist += "\xE2\x82\xAC";  // "€", three bytes: none of it fits
  a.editTags(0, title, artist,
             "al\x01"
             "bum");
  const _Id3 id3 = a.track(0).prop.id3;
  EXPECT_EQ(std::string(id3.song), std::string(254, 'x'));
  EXPECT_EQ(std::string(id3.artist), std::string(78, 'y'));
  EXPECT_EQ(std::string(id3.album), "album");  // a control character no project can hold
  ASSERT_TRUE(a.saveProject());
  ProjectRecord read;
  ASSERT_EQ(ReadProjectFile(read, dir.file("p.brv")), kProjectRead);
  EXPECT_EQ(std::string(read.entries.at(0)->prop.id3.song), std::string(254, 'x'));

  // Restoring reads the file's own tags again.
  a.restoreTags(0);
  EXPECT_EQ(a.track(0).prop.id3.valid, 1);
  EXPECT_EQ(a.cellText("Title", 0), "Low Hum");
  EXPECT_EQ(a.cellText("Artist", 0), "Brelvano Demo");
  EXPECT_EQ(a.cellText("Album", 0), "Test Tones");
  EXPECT_TRUE(a.edited());
}

TEST_F(ApplicationTest, FindTrackByNumberOrName) {
  BrelvanoApplication& a = Make();
  AddTracks(3);
  a.addFiles({Track("t1.mp3", "pulse_44100_mono.mp3")});  // a second t1.mp3, same path
  const std::pair<std::string, int32_t> cases[] = {
      {"1", 0},
      {"3", 2},
      {"0", -1},
      {"5", -1},
      {"99999999999", -1},
      {"t0.mp3", 0},
      {"t1.mp3", -1},  // not unique
      {dir.file("music/t2.mp3"), 2},
      {dir.file("music/t1.mp3"), 1},
      {"nope.mp3", -1},
  };
  for (const auto& [key, row] : cases) EXPECT_EQ(a.findTrack(key), row) << key;
}

}  // namespace
}  // namespace brelvano
