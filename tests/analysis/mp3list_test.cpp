#include "analysis/mp3list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace brelvano {
namespace {

// A list of four entries whose file names are their letters (no such files:
// each is added with "Cannot open").
Mp3List Letters(const std::string& letters = "WXYZ") {
  Mp3List list;
  for (char c : letters) list.addFile(std::string(1, c));
  return list;
}

std::string Order(const Mp3List& list) {
  std::string order;
  for (int32_t i = 0; i < list.count(); ++i) order += list.getElement(i)->filename;
  return order;
}

struct MoveCase {
  const char* name;
  std::vector<int> selection;
  int32_t direction;
  bool result;
  const char* order;
};

class MoveElementsTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveElementsTest, MovesSelectionAsBlock) {
  const MoveCase& c = GetParam();
  Mp3List list = Letters();
  StdIndexSet selection;
  for (int i : c.selection) selection.addIndex(i);
  EXPECT_EQ(list.moveElements(selection, c.direction), c.result);
  EXPECT_EQ(Order(list), c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveElementsTest,
    ::testing::Values(MoveCase{"block_up", {1, 2}, -1, true, "XYWZ"},
                      MoveCase{"block_down", {1, 2}, 1, true, "WZXY"},
                      MoveCase{"gapped_up", {1, 3}, -1, true, "XWZY"},
                      MoveCase{"gapped_down", {0, 2}, 1, true, "XWZY"},
                      MoveCase{"first_up_refused", {0}, -1, false, "WXYZ"},
                      MoveCase{"last_down_refused", {3}, 1, false, "WXYZ"},
                      MoveCase{"top_block_up_refused", {0, 1, 3}, -1, false, "WXYZ"},
                      MoveCase{"bottom_block_down_refused", {0, 2, 3}, 1, false, "WXYZ"},
                      MoveCase{"large_direction_is_one_place", {0}, 5, true, "XWYZ"},
                      MoveCase{"zero_direction_moves_up", {2}, 0, true, "WYXZ"},
                      MoveCase{"empty_selection", {}, 1, true, "WXYZ"}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST(Mp3List, RemoveElementsKeepsOrderOfTheRest) {
  Mp3List list = Letters();
  list.removeElements(StdIndexSet{});
  EXPECT_EQ(Order(list), "WXYZ");
  list.removeElements(StdIndexSet{1, 3});
  EXPECT_EQ(Order(list), "WY");
  list.removeElements(StdIndexSet{0, 1});
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(list.numberOfRows(), 0);
  list.addFile("V");
  EXPECT_EQ(Order(list), "V");
  list.removeAll();
  EXPECT_EQ(list.count(), 0);
}

TEST(Mp3List, AddFileSetsStatusFromScan) {
  test::TempDir dir;
  test::WriteFileBytes(dir.file("empty.mp3"), {});
  struct {
    std::string path;
    int32_t status;
    const char* text;
  } cases[] = {
      {test::DataFile("analysis/cbr128_44100_joint.mp3"), kStatusNotConverted, ""},
      {dir.file("missing.mp3"), kStatusCannotOpen, "Cannot open"},
      {dir.file("empty.mp3"), kStatusUnknown, "Unknown"},
      {test::DataFile("analysis/layer2_44100.mp2"), kStatusUnsupported, "Unsupported"},
  };
  Mp3List list;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    _mp3entry* entry = list.addFile(c.path);
    EXPECT_EQ(entry, list.getElement(list.count() - 1));
    EXPECT_EQ(entry->filename, c.path);
    EXPECT_EQ(entry->format, kFormatDefault);
    EXPECT_EQ(entry->status, c.status);
    EXPECT_EQ(list.cellText("Status", list.count() - 1), c.text);
  }
}

TEST(Mp3List, CellTextsOfAnAddedFile) {
  Mp3List list;
  list.addFile(test::DataFile("analysis/cbr128_44100_joint.mp3"));
  list.addFile(test::DataFile("analysis/id3v23_latin1.mp3"));
  list.addFile(test::DataFile("analysis/vbr_44100_joint.mp3"));
  const struct {
    const char* column;
    int32_t row;
    std::string text;
  } cells[] = {
      {"Filename", 0, "cbr128_44100_joint.mp3"},
      {"Status", 0, ""},
      {"Format", 0, "default"},
      {"Duration", 0, "0'01\""},  // 17135 bytes at 128 kbit/s
      {"Frequency", 0, "44100"},
      {"Stereo", 0, "Yes"},
      {"bps", 0, "128 (cbr)"},
      {"Title", 0, ""},
      {"Frequency", 1, "11025"},
      {"Stereo", 1, "No"},
      {"bps", 1, "32 (cbr)"},
      {"Title", 1, "Caf\xC3\xA9 au lait"},
      {"Artist", 1, "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m"},
      {"Album", 1, "D\xC3\xA9j\xC3\xA0 vu"},
      {"bps", 2, std::to_string(list.getElement(2)->prop.bitrate) + " (vbr)"},
      {"Comment", 1, ""},
      {"", 0, ""},
  };
  for (const auto& c : cells) EXPECT_EQ(list.cellText(c.column, c.row), c.text) << c.column << " row " << c.row;
}

TEST(Mp3List, CellTextsFromRecordFields) {
  Mp3List list;
  list.addFile("plain-name.mp3");
  _mp3entry* e = list.getElement(0);
  const struct {
    int32_t duration, format, status;
    const char *durationText, *formatText, *statusText;
  } cases[] = {
      {185, 0, -2, "3'05\"", "default", "Unknown"}, {59, 1, 0, "0'59\"", "Swf", "Ok"},
      {3600, 2, 1, "60'00\"", "Flv", "Truncated"},  {0, 3, 2, "0'00\"", "", "Aborted"},
      {61, -1, 3, "1'01\"", "", "Cannot create"},   {600, 0, 4, "10'00\"", "default", "Cannot open"},
      {1, 0, 5, "0'01\"", "default", "Unsupported"}, {1, 0, -1, "0'01\"", "default", ""},
      {1, 0, 6, "0'01\"", "default", ""},
  };
  for (const auto& c : cases) {
    e->prop.duration = c.duration;
    e->format = c.format;
    e->status = c.status;
    EXPECT_EQ(list.cellText("Duration", 0), c.durationText);
    EXPECT_EQ(list.cellText("Format", 0), c.formatText);
    EXPECT_EQ(list.cellText("Status", 0), c.statusText);
    EXPECT_STREQ(StatusText(c.status), c.statusText);
  }
  EXPECT_EQ(list.cellText("Filename", 0), "plain-name.mp3");
  e->prop.stereo = 0;
  e->prop.bitrate = 96;
  e->prop.vbr = 1;
  EXPECT_EQ(list.cellText("Stereo", 0), "No");
  EXPECT_EQ(list.cellText("bps", 0), "96 (vbr)");
}

TEST(Mp3List, ScanEntryChangesStatusOnlyWhenNoFrames) {
  test::TempDir dir;
  const std::string path = dir.file("track.mp3");
  test::WriteFileBytes(path, test::ReadFileBytes(test::DataFile("analysis/cbr64_44100_mono.mp3")));
  Mp3List list;
  list.addFile(path);
  ASSERT_EQ(list.getElement(0)->prop.freq, 44100);
  list.getElement(0)->status = kStatusOk;

  std::remove(path.c_str());  // vanished: numbers reset, status kept
  list.scanEntry(0);
  EXPECT_EQ(list.getElement(0)->status, kStatusOk);
  EXPECT_EQ(list.getElement(0)->prop.freq, 0);
  EXPECT_EQ(list.getElement(0)->prop.bitrate, 0);

  test::WriteFileBytes(path, test::Bytes{'n', 'o', 'n', 'e'});  // no frames: "Unknown"
  list.scanEntry(0);
  EXPECT_EQ(list.getElement(0)->status, kStatusUnknown);
}

TEST(Mp3List, AddEntryKeepsUserTagsAndStatus) {
  _mp3entry given;
  given.filename = test::DataFile("analysis/id3v23_latin1.mp3");
  given.format = kFormatFlv;
  given.status = kStatusOk;
  given.prop.id3.valid = 2;
  std::strcpy(given.prop.id3.song, "Edited");
  Mp3List list;
  _mp3entry* added = list.addEntry(given);
  EXPECT_EQ(added->format, kFormatFlv);
  EXPECT_EQ(added->status, kStatusOk);
  EXPECT_STREQ(added->prop.id3.song, "Edited");
  EXPECT_EQ(added->prop.freq, 11025);

  // A record whose tag is not set takes the file's own tag.
  given.prop.id3 = _Id3{};
  list.addEntry(given);
  EXPECT_STREQ(list.getElement(1)->prop.id3.song, "Caf\xC3\xA9 au lait");

  // Adding one of the list's own records, which the growth may move.
  for (int i = 0; i < 20; ++i) list.addEntry(*list.getElement(0));
  EXPECT_EQ(list.count(), 22);
  EXPECT_EQ(list.getElement(21)->filename, given.filename);
  EXPECT_STREQ(list.getElement(21)->prop.id3.song, "Edited");
}

}  // namespace
}  // namespace brelvano
