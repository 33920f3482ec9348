// What `cmake --install` puts beside brelvano-cli: the manual page and the
// bash completion, each used as a user would.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"

namespace brelvano {
namespace {

using test::ShellQuote;

TEST(CliInstall, ManPageAndCompletionAreInstalledAndWork) {
  test::TempDir prefix;
  const auto install =
      test::RunCommand(ShellQuote(BRELVANO_CMAKE) + " --install " + ShellQuote(BRELVANO_BUILD_DIR) +
                       " --prefix " + ShellQuote(prefix.path()) + " 2>&1");
  ASSERT_EQ(install.exitCode, 0) << install.output;
  EXPECT_TRUE(test::FileExists(prefix.file("bin/brelvano-cli")));
  const std::string manPage = prefix.file("share/man/man1/brelvano-cli.1");
  ASSERT_TRUE(test::FileExists(manPage)) << install.output;
  ASSERT_TRUE(test::FileExists(prefix.file("share/bash-completion/completions/brelvano-cli")));

  if (!test::HaveTool("man")) GTEST_SKIP() << "man is not installed";
  // man as the user reads it, with groff's warnings on.
  const auto page = test::RunCommand("MANWIDTH=100 MAN_KEEP_FORMATTING= man --warnings -l " +
                                     ShellQuote(manPage) + " 2>&1 | col -b");
  EXPECT_EQ(page.exitCode, 0);
  for (const char* text :
       {"brelvano-cli - publish MP3 audio", "convert", "publish", "--json", "--progress",
        "Exit status", "130", "BRELVANOLOG", "players", "--restore-tags"})
    EXPECT_NE(page.output.find(text), std::string::npos) << text << "\n" << page.output;
  EXPECT_EQ(page.output.find("warning"), std::string::npos) << page.output;
}

// The completion function run the way bash runs it on <Tab>.
std::string Complete(const std::string& words, const std::string& cwd = ".") {
  const std::string script = "cd " + ShellQuote(cwd) + " && source " +
                             ShellQuote(BRELVANO_COMPLETION) + " && COMP_WORDS=(" + words +
                             ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1))"
                             " && _brelvano_cli && printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
  return test::RunCommand("bash -c " + ShellQuote(script)).output;
}

TEST(CliCompletion, CompletesCommandsOptionsValuesAndFiles) {
  if (!test::HaveTool("bash")) GTEST_SKIP() << "bash is not installed";
  test::TempDir dir;
  for (const char* name : {"a.mp3", "b.MP3", "notes.txt", "show.brv"})
    test::WriteFileBytes(dir.file(name), {});
  std::filesystem::create_directory(dir.file("music"));
  const struct {
    std::string words, expected;
  } cases[] = {
      {"brelvano-cli ''",
       "add\nconvert\ninfo\nmove\nnew\nplayers\npublish\nremove\nset\nshow\ntrack\n"},
      {"brelvano-cli co", "convert\n"},
      {"brelvano-cli --quiet pu", "publish\n"},
      {"brelvano-cli --progress ''", "always\nauto\nnever\n"},
      {"brelvano-cli convert --fo", "--force\n--format\n"},
      {"brelvano-cli convert --format ''", "flv\nswf\n"},
      {"brelvano-cli track show.brv 2 --format ''", "default\nflv\nswf\n"},
      {"brelvano-cli move show.brv 3 ''", "down\nup\n"},
      {"brelvano-cli info ''", "a.mp3\nb.MP3\nmusic\n"},
      {"brelvano-cli show ''", "music\nshow.brv\n"},
      {"brelvano-cli add show.brv ''", "a.mp3\nmusic\n"},
      {"brelvano-cli publish --j", "--json\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Complete(c.words, dir.path()), c.expected) << c.words;
}

}  // namespace
}  // namespace brelvano
