// Benchmark, not run by default (--gtest_also_run_disabled_tests): converts a
// long MP3 file and prints time and peak memory against ffmpeg copying the
// same audio into an FLV file ("ffmpeg -i in.mp3 -c:a copy out.flv").
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "convert/conversion_abort.h"
#include "flv/mp3_to_flv.h"
#include "flv_test_util.h"

namespace brelvano {
namespace {

struct Measure {
  double seconds = 1e9;
  long peakKiB = 0;
};

// Runs work in a child process; wall time and the child's peak resident size.
Measure InChild(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.peakKiB = usage.ru_maxrss;
  return r;
}

Measure Best(const std::function<void()>& work) {
  Measure best;
  for (int i = 0; i < 3; ++i) {
    const Measure r = InChild(work);
    best.seconds = std::min(best.seconds, r.seconds);
    best.peakKiB = std::max(best.peakKiB, r.peakKiB);
  }
  return best;
}

TEST(FlvBenchmark, DISABLED_AgainstFfmpegCopy) {
  if (!test::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempDir dir;
  // About 30 minutes of 128 kbit/s audio made from the fixture's frames.
  const test::Bytes frames = test::ReadFileBytes(flvtest::Fixture("s44_cbr128.mp3"));
  test::Bytes mp3;
  while (mp3.size() < 28u * 1024 * 1024) mp3.insert(mp3.end(), frames.begin(), frames.end());
  const std::string in = dir.file("long.mp3");
  test::WriteFileBytes(in, mp3);
  mp3.clear();
  mp3.shrink_to_fit();

  const std::string ours = dir.file("ours.flv");
  const std::string theirs = dir.file("ffmpeg.flv");
  const Measure brelvano = Best([&] {
    conversionAbort().set(0);
    const _MP3prop prop;
    ConvertMp3ToFlv(in.c_str(), ours.c_str(), 0, 0, 0, prop, nullptr, nullptr);
  });
  const Measure ffmpeg = Best([&] {
    execlp("ffmpeg", "ffmpeg", "-v", "error", "-y", "-i", in.c_str(), "-c:a", "copy", theirs.c_str(),
           static_cast<char*>(nullptr));
  });
  std::printf("MP3 to FLV, %.1f MB: brelvano %.3f s, %ld KiB peak; ffmpeg %.3f s, %ld KiB peak\n",
              static_cast<double>(std::filesystem::file_size(in)) / 1e6, brelvano.seconds, brelvano.peakKiB,
              ffmpeg.seconds, ffmpeg.peakKiB);
  std::printf("ratio brelvano/ffmpeg: time %.2f, peak memory %.2f (the brelvano figure includes this test program)\n",
              brelvano.seconds / ffmpeg.seconds, static_cast<double>(brelvano.peakKiB) / ffmpeg.peakKiB);
}

}  // namespace
}  // namespace brelvano
