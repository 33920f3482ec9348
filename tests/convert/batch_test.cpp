#include "convert/batch.h"

#include <gtest/gtest.h>

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
    events += (skipped ? "skipped " : "done ") + std::to_string(i) + " " + std::to_string(e.status) + ",";
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
  bool IsMovie(const std::string& name) { return test::ParseSwf(test::ReadFileBytes(out_.file(name))).ok; }
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
  EXPECT_TRUE(IsMovie("b.swf"));
  EXPECT_FALSE(test::FileExists(out_.file("c.swf")));
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
