#include "base/atomic_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace brelvano {
namespace {

// A pid that no process has any more: a child that has exited and been reaped.
pid_t GonePid() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(AtomicOutput, TemporaryNameSaysWhoseItIs) {
  test::TempDir dir;
  AtomicOutput output(dir.file("song.swf"));
  ASSERT_NE(output.Open(), nullptr);
  const std::vector<std::string> names = test::FolderNames(dir.path());
  ASSERT_EQ(names.size(), 1u);
  const std::string prefix = ".song.swf.brelvano-" + std::to_string(getpid()) + "-";
  EXPECT_EQ(names[0].substr(0, prefix.size()), prefix);
  EXPECT_EQ(names[0].size(), prefix.size() + 6);
  // A long name still fits the file system's 255-byte limit.
  AtomicOutput longOne(dir.file(std::string(250, 'n') + ".swf"));
  EXPECT_NE(longOne.Open(), nullptr) << longOne.failureReason();
}

// Regression: a killed process's temporary files were never cleaned up.
TEST(RemoveStaleTemporaryFiles, RemovesOnlyThoseOfGoneProcesses) {
  test::TempDir dir;
  const std::string gone = std::to_string(GonePid());
  const std::string live = std::to_string(getpid());
  const std::vector<std::string> stale = {".a.swf.brelvano-" + gone + "-Ab12Cd",
                                          ".playlist.xml.brelvano-" + gone + "-zzzzzz"};
  const std::vector<std::string> kept = {
      ".a.swf.brelvano-" + live + "-Ab12Cd",  // a running process's
      ".a.swf.XXXabc",                        // not ours
      "a.swf.brelvano-" + gone + "-Ab12Cd",   // not hidden
      ".a.swf.brelvano-" + gone + "-Ab12C",   // five letters
      ".a.swf.brelvano--Ab12Cd",              // no pid
      ".a.swf.other-" + gone + "-Ab12Cd",     // another program's
      "a.swf",
  };
  for (const auto& name : stale) test::WriteFileBytes(dir.file(name), {1});
  for (const auto& name : kept) test::WriteFileBytes(dir.file(name), {1});
  std::filesystem::create_directory(
      dir.file(".d.swf.brelvano-" + gone + "-Ab12Cd"));  // a folder is no file of ours
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.path()), 2);
  std::vector<std::string> expected = kept;
  expected.push_back(".d.swf.brelvano-" + gone + "-Ab12Cd");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::FolderNames(dir.path()), expected);
}

// Regression: a FIFO at the destination name was waited on.
TEST(AtomicOutput, RefusesADestinationThatIsNoRegularFile) {
  test::TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.file("folder"));
  const struct {
    const char* name;
    const char* reason;
  } cases[] = {{"fifo", "is a FIFO"}, {"folder", "is a folder"}};
  for (const auto& c : cases) {
    AtomicOutput output(dir.file(c.name));
    EXPECT_EQ(output.Open(), nullptr) << c.name;
    EXPECT_EQ(output.failureReason(), c.reason);
  }
  EXPECT_EQ(test::FolderNames(dir.path()), (std::vector<std::string>{"fifo", "folder"}));
}

}  // namespace
}  // namespace brelvano
