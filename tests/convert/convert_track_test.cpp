#include <gtest/gtest.h>

#include <sys/stat.h>
#include "base/conversion_abort.h"

#include <algorithm>
#include <filesystem>

#include "convert/batch.h"
#include "support/file_size_limit.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

class ConvertTrackTest : public ::testing::Test {
 protected:
  // ConvertTrack runs inside a batch, which has cleared the cancel flag.
  void SetUp() override {
    conversionAbort().set(0);
    test::WriteFileBytes(mp3_, test::SyntheticMp3(0xFFFB9044, 200));
  }
  void TearDown() override { conversionAbort().set(-1); }
  int32_t Convert(const std::string& out, int32_t fps = 10) {
    return ConvertTrack(mp3_, out, fps, false, 0, 0, {}, nullptr, nullptr);
  }
  // The folder's files, sorted.
  std::vector<std::string> Files() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::TempDir dir_;
  std::string mp3_ = dir_.file("in.mp3"), out_ = dir_.file("out.swf");
};

// Each run replaces the earlier output whole, with the usual file mode, not a temporary's.
TEST_F(ConvertTrackTest, FrameRateOutsideRangeBecomesTen) {
  test::WriteFileBytes(out_, {1, 2, 3});
  for (const auto& [fps, expected] :
       {std::pair{0, 10}, {250, 10}, {-3, 10}, {200, 200}, {1, 1}, {30, 30}}) {
    ASSERT_EQ(Convert(out_, fps), kStatusOk);
    const Bytes bytes = test::ReadFileBytes(out_);
    EXPECT_EQ(test::ParseSwf(bytes).frameRate, expected * 256) << "fps " << fps;
    EXPECT_EQ(test::ParseSwf(bytes).fileLength, bytes.size());
  }
  struct stat st;
  ASSERT_EQ(stat(out_.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IRGRP, 0u);
}

TEST_F(ConvertTrackTest, ExtensionChoosesWriterWithoutRegardToCase) {
  EXPECT_EQ(Convert(dir_.file("a.SWF")), kStatusOk);
  EXPECT_TRUE(test::ParseSwf(test::ReadFileBytes(dir_.file("a.SWF"))).ok);
  // No writer: nothing made, and not reported as a success.
  EXPECT_EQ(Convert(dir_.file("a.wav")), kStatusCannotCreate);
  EXPECT_EQ(Convert(dir_.file("no/such/folder/out.swf")), kStatusCannotCreate);
  EXPECT_EQ(Files(), (std::vector<std::string>{"a.SWF", "in.mp3"}));
}

// A failed conversion leaves an earlier output as it was, and no temporary file.
TEST_F(ConvertTrackTest, FailuresLeaveEarlierOutputAlone) {
  test::WriteFileBytes(out_, {1, 2, 3});
  {
    test::FileSizeLimit fullDisk(20000);
    ASSERT_TRUE(fullDisk.active());
    EXPECT_EQ(Convert(out_), kStatusCannotCreate);
  }
  mp3_ = dir_.file("missing.mp3");
  EXPECT_EQ(Convert(out_), kStatusCannotOpen);
  EXPECT_EQ(Convert(dir_.file("no/such/folder/out.swf")),
            kStatusCannotOpen);                  // the input's status first
  test::WriteFileBytes(mp3_, Bytes(500, 0x20));  // no frame at all
  EXPECT_EQ(Convert(out_), kStatusUnsupported);
  EXPECT_EQ(test::ReadFileBytes(out_), (Bytes{1, 2, 3}));
  EXPECT_EQ(Files(), (std::vector<std::string>{"in.mp3", "missing.mp3", "out.swf"}));
}

}  // namespace
}  // namespace brelvano
