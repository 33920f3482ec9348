#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "convert/batch.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;

constexpr uint32_t kMpeg1_44k_128 = 0xFFFB9044;

class ConvertTrackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp3_ = dir_.file("in.mp3");
    test::WriteFileBytes(mp3_, test::SyntheticMp3(kMpeg1_44k_128, 200));
  }
  int32_t Convert(const std::string& out, int32_t fps = 10) {
    return ConvertTrack(mp3_, out, fps, false, 0, 0, {}, nullptr, nullptr);
  }
  // Files in the folder other than the input.
  std::vector<std::string> Outputs(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      if (e.path() != mp3_) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  test::TempDir dir_;
  std::string mp3_;
};

TEST_F(ConvertTrackTest, FrameRateOutsideRangeBecomesTen) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 10}, {250, 10}, {-3, 10}, {200, 200}, {1, 1}, {30, 30}};
  for (const auto& [fps, expected] : cases) {
    const std::string out = dir_.file("out.swf");
    ASSERT_EQ(Convert(out, fps), kStatusOk);
    const test::SwfFile swf = test::ParseSwf(test::ReadFileBytes(out));
    ASSERT_TRUE(swf.ok);
    EXPECT_EQ(swf.frameRate, expected * 256) << "fps " << fps;
  }
}

TEST_F(ConvertTrackTest, ExtensionChoosesWriterWithoutRegardToCase) {
  EXPECT_EQ(Convert(dir_.file("a.SWF")), kStatusOk);
  EXPECT_TRUE(test::ParseSwf(test::ReadFileBytes(dir_.file("a.SWF"))).ok);
  // No writer: nothing made, and not reported as a success.
  EXPECT_EQ(Convert(dir_.file("a.wav")), kStatusCannotCreate);
  EXPECT_FALSE(test::FileExists(dir_.file("a.wav")));
}

TEST_F(ConvertTrackTest, CannotCreateLeavesNothing) {
  EXPECT_EQ(Convert(dir_.file("no/such/folder/out.swf")), kStatusCannotCreate);
  // An unreadable input keeps its own status even then.
  mp3_ = dir_.file("missing.mp3");
  EXPECT_EQ(Convert(dir_.file("no/such/folder/out.swf")), kStatusCannotOpen);
}

TEST_F(ConvertTrackTest, FailedInputLeavesEarlierOutputAlone) {
  const std::string out = dir_.file("out.swf");
  test::WriteFileBytes(out, {1, 2, 3});
  mp3_ = dir_.file("missing.mp3");
  EXPECT_EQ(Convert(out), kStatusCannotOpen);
  EXPECT_EQ(test::ReadFileBytes(out), (Bytes{1, 2, 3}));
  test::WriteFileBytes(mp3_, Bytes(500, 0x20));  // no frame at all
  EXPECT_EQ(Convert(out), kStatusUnsupported);
  EXPECT_EQ(test::ReadFileBytes(out), (Bytes{1, 2, 3}));
  EXPECT_EQ(Outputs(dir_.path()), (std::vector<std::string>{"in.mp3", "out.swf"}));
}

TEST_F(ConvertTrackTest, FullDiskKeepsEarlierOutputAndReportsCannotCreate) {
  const std::string out = dir_.file("out.swf");
  test::WriteFileBytes(out, {1, 2, 3});
  // A file-size limit makes writes fail as on a full disk.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 20000;
  setrlimit(RLIMIT_FSIZE, &small);
  const int32_t status = Convert(out);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(status, kStatusCannotCreate);
  EXPECT_EQ(test::ReadFileBytes(out), (Bytes{1, 2, 3}));
  EXPECT_EQ(Outputs(dir_.path()), (std::vector<std::string>{"out.swf"}));  // no temporary left
}

TEST_F(ConvertTrackTest, ReplacesEarlierOutputWhenComplete) {
  const std::string out = dir_.file("out.swf");
  test::WriteFileBytes(out, {1, 2, 3});
  EXPECT_EQ(Convert(out), kStatusOk);
  const Bytes bytes = test::ReadFileBytes(out);
  const test::SwfFile swf = test::ParseSwf(bytes);
  EXPECT_TRUE(swf.ok);
  EXPECT_EQ(swf.fileLength, bytes.size());
  struct stat st;
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IRGRP, 0u) << "output keeps the usual file mode, not a temporary's";
}

}  // namespace
}  // namespace brelvano
