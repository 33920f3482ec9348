#include "convert/log.h"

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

struct FakeEnv {
  std::map<std::string, std::string> vars;
  Log::EnvLookup lookup() {
    return [this](const char* name) -> const char* {
      auto it = vars.find(name);
      return it == vars.end() ? nullptr : it->second.c_str();
    };
  }
};

TEST(Log, OffUnlessLevelIsNonZeroNumber) {
  for (const char* level : {static_cast<const char*>(nullptr), "0", "abc", "", "00"}) {
    test::TempDir home;
    FakeEnv env;
    env.vars["HOME"] = home.path();
    if (level) env.vars["BRELVANOLOG"] = level;
    Log log(env.lookup());
    log.Printf("hello\n");
    EXPECT_FALSE(log.isOpen()) << (level ? level : "(unset)");
    EXPECT_FALSE(test::FileExists(home.file("dravik.log"))) << (level ? level : "(unset)");
  }
}

TEST(Log, BannerOncePerProcessThenMessages) {
  test::TempDir home;
  FakeEnv env;
  env.vars["HOME"] = home.path();
  env.vars["BRELVANOLOG"] = "2x";  // leading number counts
  {
    Log log(env.lookup());
    log.Printf("Can't open file %s", "/a.mp3");  // no line end: the next message continues the line
    log.Printf("Unsupported format\n");
  }
  {
    Log second(env.lookup());
    second.Printf("\tWrote file: %s\n", "/b.swf");
  }
  const std::string text = ReadText(home.file("dravik.log"));
  const std::regex expected(
      "Started on \\d{4}/\\d{2}/\\d{2} at \\d{2}:\\d{2} with verbose level 2\n"
      "Can't open file /a.mp3Unsupported format\n"
      "Started on \\d{4}/\\d{2}/\\d{2} at \\d{2}:\\d{2} with verbose level 2\n"
      "\tWrote file: /b.swf\n");
  EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(Log, ReadsEnvironmentAgainWhileOff) {
  test::TempDir home;
  FakeEnv env;
  env.vars["HOME"] = home.path();
  Log log(env.lookup());
  log.Printf("dropped\n");
  env.vars["BRELVANOLOG"] = "1";
  log.Printf("kept\n");
  const std::string text = ReadText(home.file("dravik.log"));
  EXPECT_EQ(text.find("dropped"), std::string::npos);
  EXPECT_NE(text.find("verbose level 1\nkept\n"), std::string::npos);
}

TEST(Log, NoHomeStaysOff) {
  FakeEnv env;
  env.vars["BRELVANOLOG"] = "1";
  Log log(env.lookup());
  log.Printf("x\n");
  EXPECT_FALSE(log.isOpen());
}

}  // namespace
}  // namespace brelvano
