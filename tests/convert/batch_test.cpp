#include "convert/batch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "analysis/mp3list.h"
#include "base/conversion_abort.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

// Writes down what the batch reports; presses Cancel while track cancelAt is
// under way, or just after track cancelAfter has finished.
struct Recorder : ConversionObserver {
  std::string events;
  int32_t current = -1, cancelAt = -1, cancelAfter = -1;
  void batchStarted(int32_t n) override { events += "start " + std::to_string(n) + ","; }
  void trackStarted(int32_t i, const _mp3entry&, const std::string&) override {
    events += "track " + std::to_string(current = i) + ",";
  }
  void fileProgress(int64_t position, int64_t) override {
    if (position > 0 && current == cancelAt) convertCancel();
  }
  void trackFailed(int32_t i, const _mp3entry&, const std::string& reason) override {
    events += "failed " + std::to_string(i) + " (" + reason + "),";
  }
  void trackFinished(int32_t i, const _mp3entry& e, const std::string&, bool skipped) override {
    events +=
        (skipped ? "skipped " : "done ") + std::to_string(i) + " " + std::to_string(e.status) + ",";
    if (i == cancelAfter) convertCancel();
  }
};

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    project_.destDir = out_.path();
    project_.fps = 30;
    project_.publishFlags = kDefaultPublishFlags & ~kPublishSpectrum;
  }
  void TearDown() override { conversionAbort().set(-1); }
  // Adds a track of `frames` 128 kbit/s frames at 44100 Hz.
  void Add(const std::string& name, int frames = 100) {
    test::WriteFileBytes(in_.file(name), test::SyntheticMp3(0xFFFB9044, frames));
    list_.addFile(in_.file(name));
  }
  bool IsMovie(const std::string& name) {
    return test::ParseSwf(test::ReadFileBytes(out_.file(name))).ok;
  }
  test::TempDir in_, out_;
  ProjectRecord project_;
  Mp3List list_;
};

TEST_F(BatchTest, SkipsExistingOutputsUnlessForced) {
  Add("a.mp3");
  Add("b.mp3");
  Recorder first, second;
  EXPECT_EQ(doConvert(list_, project_, false, &first), 2);
  EXPECT_EQ(first.events, "start 2,track 0,done 0 0,track 1,done 1 0,");
  EXPECT_TRUE(IsMovie("a.swf"));
  list_.getElement(1)->status = kStatusAborted;  // kept while skipped
  EXPECT_EQ(doConvert(list_, project_, false, &second), 0);
  EXPECT_EQ(second.events, "start 2,skipped 0 0,skipped 1 2,");
  EXPECT_EQ(doConvert(list_, project_, true, nullptr), 2);
  EXPECT_EQ(list_.getElement(1)->status, kStatusOk);
}

TEST_F(BatchTest, StatusPerTrackAndTruncation) {
  Add("long.mp3", 400);  // about 10 s
  list_.addFile(in_.file("gone.mp3"));
  test::WriteFileBytes(in_.file("junk.mp3"), test::Bytes(3000, 0x55));
  list_.addFile(in_.file("junk.mp3"));
  project_.publishFlags |= kPublishTruncate;
  project_.maxTime = 2;
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 3);
  EXPECT_EQ(list_.getElement(0)->status, kStatusTruncated);
  EXPECT_EQ(list_.getElement(1)->status, kStatusCannotOpen);
  EXPECT_EQ(list_.getElement(2)->status, kStatusUnsupported);
  EXPECT_FALSE(test::FileExists(out_.file("gone.swf")) || test::FileExists(out_.file("junk.swf")));
  project_.publishFlags &= ~kPublishTruncate;  // maxTime alone: the whole file
  doConvert(list_, project_, true, nullptr);
  EXPECT_EQ(list_.getElement(0)->status, kStatusOk);
}

TEST_F(BatchTest, CancelStopsAfterTheTrackInWork) {
  Add("a.mp3", 300);
  Add("b.mp3", 300);
  Add("c.mp3", 300);
  list_.getElement(2)->status = kStatusCannotCreate;
  Recorder recorder;
  recorder.cancelAt = 1;
  EXPECT_EQ(doConvert(list_, project_, false, &recorder), 2);  // the aborted one counts
  EXPECT_EQ(list_.getElement(0)->status, kStatusOk);
  EXPECT_EQ(list_.getElement(1)->status, kStatusAborted);
  EXPECT_EQ(list_.getElement(2)->status, kStatusCannotCreate);  // untouched
  EXPECT_FALSE(test::FileExists(out_.file("b.swf")));           // a cut movie is never kept
  EXPECT_FALSE(test::FileExists(out_.file("c.swf")));
}

// Regression: a cancelled conversion replaced a good output with a cut one,
// which the next run then skipped as finished and the playlist listed.
TEST_F(BatchTest, CancelledTrackNeverReplacesNorLeavesAnOutput) {
  for (const int32_t format : {kFormatSwf, kFormatFlv}) {
    SCOPED_TRACE(format == kFormatSwf ? "swf" : "flv");
    list_.removeAll();
    std::filesystem::remove_all(out_.path());
    std::filesystem::create_directory(out_.path());
    Add("a.mp3", 400);
    list_.getElement(0)->format = format;
    const std::string out = out_.file(format == kFormatSwf ? "a.swf" : "a.flv");
    const test::Bytes earlier = {'o', 'l', 'd'};
    test::WriteFileBytes(out, earlier);
    Recorder recorder;
    recorder.cancelAt = 0;
    doConvert(list_, project_, true, &recorder);
    EXPECT_EQ(list_.getElement(0)->status, kStatusAborted);
    EXPECT_EQ(test::ReadFileBytes(out), earlier);
    std::filesystem::remove(out);
    recorder.current = -1;
    doConvert(list_, project_, true, &recorder);
    EXPECT_EQ(list_.getElement(0)->status, kStatusAborted);
    EXPECT_FALSE(test::FileExists(out));
    Recorder next;  // nothing there to be taken for a finished output
    doConvert(list_, project_, false, &next);
    EXPECT_EQ(list_.getElement(0)->status, kStatusOk);
    EXPECT_EQ(std::filesystem::directory_iterator(out_.path())->path().filename().string(),
              std::filesystem::path(out).filename().string());  // and no temporary file left
  }
}

// Regression: "convert --force --dest . song.swf", song.swf really an MP3,
// replaced the input with its own conversion.
TEST_F(BatchTest, OutputThatIsAnInputIsNeverWritten) {
  Add("song.swf");  // an MP3 named like a movie
  Add("other.mp3");
  project_.destDir = in_.path();
  const test::Bytes input = test::ReadFileBytes(in_.file("song.swf"));
  for (const bool force : {true, false}) {
    Recorder recorder;
    doConvert(list_, project_, force, &recorder);
    EXPECT_EQ(list_.getElement(0)->status, kStatusCannotCreate);
    EXPECT_NE(recorder.events.find("failed 0 (" + in_.file("song.swf") + ": is an input file"),
              std::string::npos)
        << recorder.events;
    EXPECT_EQ(test::ReadFileBytes(in_.file("song.swf")), input);
  }
  // Another input of the list by that name counts too.
  list_.removeAll();
  Add("b.mp3");
  test::WriteFileBytes(out_.file("b.swf"), test::SyntheticMp3(0xFFFB9044, 50));
  list_.addFile(out_.file("b.swf"));
  project_.destDir = out_.path();
  doConvert(list_, project_, true, nullptr);
  EXPECT_EQ(list_.getElement(0)->status, kStatusCannotCreate);
  EXPECT_EQ(list_.getElement(1)->status, kStatusOk);  // into b-2.swf
  EXPECT_TRUE(IsMovie("b-2.swf"));
  EXPECT_EQ(test::ReadFileBytes(out_.file("b.swf")), test::SyntheticMp3(0xFFFB9044, 50));
}

// Regression: a FIFO at an output name hung the batch.
TEST_F(BatchTest, FifoAtTheOutputNameIsRefusedNotWaitedOn) {
  Add("f.mp3");
  ASSERT_EQ(mkfifo(out_.file("f.swf").c_str(), 0600), 0);
  for (const bool force : {false, true}) {
    Recorder recorder;
    doConvert(list_, project_, force, &recorder);
    EXPECT_EQ(recorder.events,
              "start 1,track 0,failed 0 (" + out_.file("f.swf") + ": is a FIFO),done 0 3,");
  }
}

// Regression: one list's tracks shared one output; the batch now writes
// each to its own name, the same names MarkConvertedIfExists reads.
TEST_F(BatchTest, SameNameFromTwoFoldersGetsTwoOutputs) {
  test::TempDir other;
  Add("x.mp3", 50);
  test::WriteFileBytes(other.file("x.mp3"), test::SyntheticMp3(0xFFFB9044, 80));
  list_.addFile(other.file("x.mp3"));
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 2);
  EXPECT_TRUE(IsMovie("x.swf"));
  EXPECT_TRUE(IsMovie("x-2.swf"));
  EXPECT_NE(test::ReadFileBytes(out_.file("x.swf")), test::ReadFileBytes(out_.file("x-2.swf")));
}

// A cancel that lands between two tracks used to be lost: the next track was
// converted anyway because the flag was cleared again before it.
TEST_F(BatchTest, CancelBetweenTracksConvertsNoMore) {
  Add("a.mp3");
  Add("b.mp3");
  Recorder recorder;
  recorder.cancelAfter = 0;
  EXPECT_EQ(doConvert(list_, project_, false, &recorder), 1);
  EXPECT_EQ(recorder.events, "start 2,track 0,done 0 0,");
  EXPECT_FALSE(test::FileExists(out_.file("b.swf")));
  Recorder next;  // a new batch starts afresh
  EXPECT_EQ(doConvert(list_, project_, false, &next), 1);
  EXPECT_EQ(next.events, "start 2,skipped 0 0,track 1,done 1 0,");
}

TEST_F(BatchTest, UnwritableOutputCarriesTheSystemsReason) {
  Add("a.mp3");
  project_.destDir = out_.file("missing");
  Recorder recorder;
  doConvert(list_, project_, false, &recorder);
  EXPECT_EQ(recorder.events, "start 1,track 0,failed 0 (" + out_.file("missing") +
                                 "/a.swf: No such file or directory),done 0 3,");
}

TEST_F(BatchTest, TrackFormatChoosesTheWriter) {
  Add("a.mp3");
  Add("b.mp3");
  list_.getElement(1)->format = kFormatFlv;  // in a project whose default is SWF
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 2);
  EXPECT_TRUE(IsMovie("a.swf"));
  const test::Bytes flv = test::ReadFileBytes(out_.file("b.flv"));
  EXPECT_EQ(std::string(flv.begin(), flv.end()).substr(0, 4), "FLV\x01");
  EXPECT_FALSE(test::FileExists(out_.file("b.swf")));
  project_.defaultFormat = 1;  // the default format decides for format 0
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 1);
  EXPECT_TRUE(test::FileExists(out_.file("a.flv")));
}

// Idle: close the progress display (true); running: ask to stop; already asked: nothing more.
TEST(ConvertCancel, FollowsTheFlagsLifeCycle) {
  std::string seen;
  for (int32_t flag : {-1, 0, 1}) {
    conversionAbort().set(flag);
    seen += std::to_string(convertCancel());
    seen += "/" + std::to_string(conversionAbort().get()) + " ";
  }
  EXPECT_EQ(seen, "1/-1 0/1 0/1 ");
  conversionAbort().set(-1);
}

}  // namespace
}  // namespace brelvano
