#include "base/log.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "support/test_files.h"

namespace brelvano {
namespace {

std::string ReadText(const std::string& path) {
  const auto bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// A log reading its environment from `vars`.
Log LogWith(const std::map<std::string, std::string>& vars) {
  return Log([&vars](const char* name) -> const char* {
    auto it = vars.find(name);
    return it == vars.end() ? nullptr : it->second.c_str();
  });
}

TEST(Log, OffUnlessHomeAndLevelIsNonZeroNumber) {
  test::TempDir home;
  for (const char* level : {"", "0", "abc", "00", "unset", "no home"}) {
    std::map<std::string, std::string> vars{{"HOME", home.path()}, {"BRELVANOLOG", level}};
    if (level == std::string("unset")) vars.erase("BRELVANOLOG");
    if (level == std::string("no home")) vars = {{"BRELVANOLOG", "1"}};
    Log log = LogWith(vars);
    log.Printf("hello\n");
    EXPECT_FALSE(log.isOpen()) << level;
    EXPECT_FALSE(test::FileExists(home.file("dravik.log"))) << level;
  }
}

// While off, the log reads its environment again at each message.
TEST(Log, BannerOncePerProcessThenMessages) {
  test::TempDir home;
  std::map<std::string, std::string> vars{{"HOME", home.path()}};
  {
    Log log = LogWith(vars);
    log.Printf("dropped\n");
    vars["BRELVANOLOG"] = "2x";                  // a leading number counts
    log.Printf("Can't open file %s", "/a.mp3");  // no line end: the next message continues the line
    log.Printf("Unsupported format\n");
  }
  LogWith(vars).Printf("\tWrote file: %s\n", "/b.swf");
  const std::string banner =
      "Started on \\d{4}/\\d{2}/\\d{2} at \\d{2}:\\d{2} with verbose level 2\n";
  const std::string text = ReadText(home.file("dravik.log"));
  EXPECT_TRUE(
      std::regex_match(text, std::regex(banner + "Can't open file /a.mp3Unsupported format\n" +
                                        banner + "\tWrote file: /b.swf\n")))
      << text;
}

}  // namespace
}  // namespace brelvano
