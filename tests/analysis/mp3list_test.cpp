#include "analysis/mp3list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace brelvano {
namespace {

// Entries named by their letters (no such files: each is "Cannot open").
Mp3List Letters(const std::string& letters) {
  Mp3List list;
  for (char c : letters) list.addFile(std::string(1, c));
  return list;
}

std::string Order(const Mp3List& list) {
  std::string order;
  for (int32_t i = 0; i < list.count(); ++i) order += list.getElement(i)->filename;
  return order;
}

TEST(Mp3List, MovesSelectionAsBlock) {
  const struct {
    StdIndexSet selection;
    int32_t direction;
    bool result;
    const char* order;
  } cases[] = {
      {{1, 2}, -1, true, "XYWZ"},     {{1, 2}, 1, true, "WZXY"},
      {{1, 3}, -1, true, "XWZY"},     {{0, 2}, 1, true, "XWZY"},
      {{0}, -1, false, "WXYZ"},       {{3}, 1, false, "WXYZ"},
      {{0, 1, 3}, -1, false, "WXYZ"}, {{0, 2, 3}, 1, false, "WXYZ"},
      {{0}, 5, true, "XWYZ"},  // one place only
      {{2}, 0, true, "WYXZ"},         {{}, 1, true, "WXYZ"},
  };
  for (const auto& c : cases) {
    Mp3List list = Letters("WXYZ");
    EXPECT_EQ(list.moveElements(c.selection, c.direction), c.result) << c.order;
    EXPECT_EQ(Order(list), c.order);
  }
}

TEST(Mp3List, RemoveElementsKeepsOrderOfTheRest) {
  Mp3List list = Letters("WXYZ");
  list.removeElements(StdIndexSet{});
  EXPECT_EQ(Order(list), "WXYZ");
  list.removeElements(StdIndexSet{1, 3});
  EXPECT_EQ(Order(list), "WY");
  list.removeElements(StdIndexSet{0, 1});
  EXPECT_EQ(list.numberOfRows(), 0);
}

// The cells of a row, Filename to Comment, each followed by "|".
std::string Row(const Mp3List& list, int32_t row) {
  std::string cells;
  for (const char* column : {"Filename", "Status", "Format", "Duration", "Frequency", "Stereo",
                             "bps", "Title", "Artist", "Album", "Comment"})
    cells += list.cellText(column, row) + "|";
  return cells;
}

TEST(Mp3List, CellTexts) {
  test::TempDir dir;
  test::WriteFileBytes(dir.file("empty.mp3"), {});
  Mp3List list;
  for (const char* name :
       {"cbr128_44100_joint.mp3", "id3v23_latin1.mp3", "vbr_44100_joint.mp3", "layer2_44100.mp2"})
    list.addFile(test::DataFile(std::string("analysis/") + name));
  list.addFile(dir.file("empty.mp3"));
  list.addFile("plain-name.mp3");  // missing
  const char* rows[] = {
      "cbr128_44100_joint.mp3||default|0'01\"|44100|Yes|128 (cbr)|||||",
      ("id3v23_latin1.mp3||default|0'01\"|11025|No|32 (cbr)|Caf\xC3\xA9 au lait|Zo\xC3\xAB "
       "\xC3\x85ngstr\xC3\xB6m|"
       "D\xC3\xA9j\xC3\xA0 vu||"),
      "vbr_44100_joint.mp3||default|0'02\"|44100|Yes|103 (vbr)|||||",
      "layer2_44100.mp2|Unsupported|default|0'01\"|44100|Yes|112 (cbr)|||||",  // with the Layer III
                                                                               // table
      "empty.mp3|Unknown|default|0'00\"|0|No|0 (cbr)|||||",
      "plain-name.mp3|Cannot open|default|0'00\"|0|No|0 (cbr)|||||",
  };
  for (int32_t row = 0; row < list.count(); ++row) EXPECT_EQ(Row(list, row), rows[row]);
  EXPECT_EQ(list.cellText("", 0), "");
  // Texts of record fields the scan does not set.
  _mp3entry* e = list.getElement(0);
  std::string durations, formats, statuses;
  for (int32_t seconds : {185, 59, 3600, 0}) {
    e->prop.duration = seconds;
    durations += list.cellText("Duration", 0) + " ";
  }
  for (e->format = -1; e->format <= 3; ++e->format) formats += list.cellText("Format", 0) + "|";
  for (e->status = -3; e->status <= 6; ++e->status) statuses += list.cellText("Status", 0) + "|";
  EXPECT_EQ(durations, "3'05\" 0'59\" 60'00\" 0'00\" ");
  EXPECT_EQ(formats, "|default|Swf|Flv||");
  EXPECT_EQ(statuses, "|Unknown||Ok|Truncated|Aborted|Cannot create|Cannot open|Unsupported||");
}

TEST(Mp3List, ScanEntryChangesStatusOnlyWhenNoFrames) {
  test::TempDir dir;
  const std::string path = dir.file("track.mp3");
  test::WriteFileBytes(path, test::ReadFileBytes(test::DataFile("analysis/cbr64_44100_mono.mp3")));
  Mp3List list;
  _mp3entry* entry = list.addFile(path);
  ASSERT_EQ(entry->prop.freq, 44100);
  entry->status = kStatusOk;
  std::remove(path.c_str());  // vanished: numbers reset, status kept
  list.scanEntry(0);
  EXPECT_EQ(entry->status, kStatusOk);
  EXPECT_EQ(entry->prop.freq + entry->prop.bitrate, 0);
  test::WriteFileBytes(path, test::Bytes{'n', 'o', 'n', 'e'});  // no frames
  list.scanEntry(0);
  EXPECT_EQ(entry->status, kStatusUnknown);
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
  given.prop.id3 = _Id3{};  // not set: the file's own tag
  EXPECT_STREQ(list.addEntry(given)->prop.id3.song, "Caf\xC3\xA9 au lait");
  // Adding one of the list's own records, which the list's growth may move.
  for (int i = 0; i < 20; ++i) list.addEntry(*list.getElement(0));
  EXPECT_EQ(list.getElement(21)->filename, given.filename);
  EXPECT_STREQ(list.getElement(21)->prop.id3.song, "Edited");
}

}  // namespace
}  // namespace brelvano
