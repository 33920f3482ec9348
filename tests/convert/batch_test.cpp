#include "convert/batch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/mp3list.h"
#include "convert/conversion_abort.h"
#include "convert/output_path.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

constexpr uint32_t kMpeg1_44k_128 = 0xFFFB9044;

// Records what the batch reports.
struct Recorder : ConversionObserver {
  std::vector<std::string> events;
  int32_t cancelAtTrack = -1;
  void batchStarted(int32_t n) override { events.push_back("start " + std::to_string(n)); }
  void trackStarted(int32_t i, const _mp3entry&, const std::string&) override {
    events.push_back("track " + std::to_string(i));
    current = i;
  }
  // A Cancel pressed while the chosen track is under way.
  void fileProgress(int64_t position, int64_t) override {
    if (position > 0 && current == cancelAtTrack) convertCancel();
  }
  void trackFinished(int32_t i, const _mp3entry& e, const std::string&, bool skipped) override {
    events.push_back((skipped ? "skipped " : "done ") + std::to_string(i) + " " + std::to_string(e.status));
  }
  int32_t current = -1;
};

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    conversionAbort().set(-1);
    project_.destDir = out_.path();
    project_.fps = 30;
    project_.publishFlags = kDefaultPublishFlags & ~kPublishSpectrum;
  }
  void TearDown() override { conversionAbort().set(-1); }
  std::string Mp3(const std::string& name, int frames = 100) {
    const std::string path = in_.file(name);
    test::WriteFileBytes(path, test::SyntheticMp3(kMpeg1_44k_128, frames));
    return path;
  }
  test::TempDir in_, out_;
  ProjectRecord project_;
  Mp3List list_;
};

TEST_F(BatchTest, SkipsExistingOutputsUnlessForced) {
  list_.addFile(Mp3("a.mp3"));
  list_.addFile(Mp3("b.mp3"));
  Recorder first;
  EXPECT_EQ(doConvert(list_, project_, false, &first), 2);
  EXPECT_EQ(first.events, (std::vector<std::string>{"start 2", "track 0", "done 0 0", "track 1", "done 1 0"}));
  EXPECT_TRUE(test::ParseSwf(test::ReadFileBytes(out_.file("a.swf"))).ok);

  list_.getElement(1)->status = kStatusAborted;  // kept while skipped
  Recorder second;
  EXPECT_EQ(doConvert(list_, project_, false, &second), 0);
  EXPECT_EQ(second.events, (std::vector<std::string>{"start 2", "skipped 0 0", "skipped 1 2"}));

  EXPECT_EQ(doConvert(list_, project_, true, nullptr), 2);
  EXPECT_EQ(list_.getElement(1)->status, kStatusOk);
}

TEST_F(BatchTest, StatusPerTrackAndTruncation) {
  list_.addFile(Mp3("long.mp3", 400));                    // about 10 s
  list_.addFile(in_.file("gone.mp3"));                    // never existed
  const std::string junk = in_.file("junk.mp3");
  test::WriteFileBytes(junk, test::Bytes(3000, 0x55));
  list_.addFile(junk);
  project_.publishFlags |= kPublishTruncate;
  project_.maxTime = 2;
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 3);
  EXPECT_EQ(list_.getElement(0)->status, kStatusTruncated);
  EXPECT_EQ(list_.getElement(1)->status, kStatusCannotOpen);
  EXPECT_EQ(list_.getElement(2)->status, kStatusUnsupported);
  EXPECT_FALSE(test::FileExists(out_.file("gone.swf")));
  EXPECT_FALSE(test::FileExists(out_.file("junk.swf")));
  // maxTime without the truncate flag means the whole file.
  project_.publishFlags &= ~kPublishTruncate;
  doConvert(list_, project_, true, nullptr);
  EXPECT_EQ(list_.getElement(0)->status, kStatusOk);
}

TEST_F(BatchTest, CancelStopsAfterTheTrackInWork) {
  list_.addFile(Mp3("a.mp3", 300));
  list_.addFile(Mp3("b.mp3", 300));
  list_.addFile(Mp3("c.mp3", 300));
  list_.getElement(2)->status = kStatusCannotCreate;
  Recorder recorder;
  recorder.cancelAtTrack = 1;
  EXPECT_EQ(doConvert(list_, project_, false, &recorder), 2);  // the aborted one counts
  EXPECT_EQ(list_.getElement(0)->status, kStatusOk);
  EXPECT_EQ(list_.getElement(1)->status, kStatusAborted);
  EXPECT_EQ(list_.getElement(2)->status, kStatusCannotCreate);  // untouched
  const test::SwfFile partial = test::ParseSwf(test::ReadFileBytes(out_.file("b.swf")));
  EXPECT_TRUE(partial.ok) << partial.error;
  EXPECT_FALSE(test::FileExists(out_.file("c.swf")));
}

TEST_F(BatchTest, TrackFormatChoosesTheWriter) {
  list_.addFile(Mp3("a.mp3"));
  list_.addFile(Mp3("b.mp3"));
  list_.getElement(1)->format = kFormatFlv;  // in a project whose default is SWF
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 2);
  EXPECT_TRUE(test::ParseSwf(test::ReadFileBytes(out_.file("a.swf"))).ok);
  const test::Bytes flv = test::ReadFileBytes(out_.file("b.flv"));
  ASSERT_GE(flv.size(), 13u);
  EXPECT_EQ(test::Bytes(flv.begin(), flv.begin() + 4), (test::Bytes{'F', 'L', 'V', 1}));
  EXPECT_EQ(list_.getElement(1)->status, kStatusOk);
  EXPECT_FALSE(test::FileExists(out_.file("b.swf")));
  // The default format decides for format 0.
  project_.defaultFormat = 1;
  EXPECT_EQ(doConvert(list_, project_, false, nullptr), 1);
  EXPECT_TRUE(test::FileExists(out_.file("a.flv")));
}

TEST(ConvertCancel, FollowsTheFlagsLifeCycle) {
  conversionAbort().set(-1);
  EXPECT_TRUE(convertCancel());  // idle: close the progress display
  EXPECT_EQ(conversionAbort().get(), -1);
  conversionAbort().set(0);
  EXPECT_FALSE(convertCancel());  // running: ask to stop
  EXPECT_EQ(conversionAbort().get(), 1);
  EXPECT_FALSE(convertCancel());  // already asked: nothing more
  EXPECT_EQ(conversionAbort().get(), 1);
  conversionAbort().set(-1);
}

}  // namespace
}  // namespace brelvano
