// brelvano-cli new, show and publish, run as a user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/text_file.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::ShellQuote;
using test::TempDir;

struct CliRun {
  int exitCode;
  std::string out, err;  // standard output and error
};

// Runs the CLI in a scratch HOME, so that no real user folder is read or written.
CliRun Cli(const TempDir& home, const std::string& arguments) {
  const std::string dir = ShellQuote(home.path());
  const test::CommandResult r = test::RunCommand("cd " + dir + " && HOME=" + dir + " " + ShellQuote(BRELVANO_CLI_PATH) +
                                                 " " + arguments + " 2>" + ShellQuote(home.file("stderr.txt")));
  return {r.exitCode, r.output, test::ReadText(home.file("stderr.txt"))};
}

std::string Sample(const std::string& name) { return ShellQuote(test::DataFile("samples/" + name)); }

TEST(ProjectCli, NewShowAndPublish) {
  TempDir home;
  CliRun r = Cli(home, "new p.brv --dest site --truncate 2 " + Sample("chimes_44100_joint.mp3") + " " +
                           Sample("hum_11025_mono.mp3"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Cli(home, "show p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const char* line : {"Truncate:     2 s\n", "Flags:        119\n", "Tracks:       2\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
  // Columns line up: "Status" starts where the first row's second column does.
  const std::string table = r.out.substr(r.out.find("Filename "));
  const std::string header = table.substr(0, table.find('\n')), firstRow = table.substr(table.find('\n') + 1);
  EXPECT_EQ(header.find("Status"), std::string("chimes_44100_joint.mp3  ").size()) << table;
  EXPECT_EQ(firstRow.find("default"), header.find("Format")) << table;

  r = Cli(home, "publish p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Number of audio files: 2\nPlaylist generated\nHTML file generated\n"
                       "brelvano player copied.\n"),
            std::string::npos)
      << r.out;
  // The generated player comes first among the bundled ones; the page loads the runtime beside it.
  for (const char* name : {"index.html", "brelvano.swf", "chimes_44100_joint.swf", "hum_11025_mono.swf",
                           "ruffle/ruffle.js"})
    EXPECT_TRUE(test::FileExists(home.file(std::string("site/") + name))) << name;
  const std::string page = test::ReadText(home.file("site/index.html"));
  EXPECT_NE(page.find("width=\"400\" height=\"300\""), std::string::npos) << page;
  EXPECT_NE(page.find("<script src=\"ruffle/ruffle.js\"></script>"), std::string::npos) << page;
  if (test::HavePythonXml()) {
    const std::vector<std::string> files = test::XmlElementAttributes(home.file("site/playlist.xml"), "FILE", true);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(0, 27), "src=chimes_44100_joint.swf|");
  }
  // A second run skips the converted tracks and still publishes them.
  r = Cli(home, "publish p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Skipped"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Number of audio files: 2\n"), std::string::npos);

  // Every option of "new" lands in the file.
  ASSERT_EQ(Cli(home, "new --overwrite p.brv --dest out --format flv --fps 12 --truncate 3 --no-spectrum --no-html "
                      "--template --shuffle --no-autostart --no-playall --no-loop")
                .exitCode,
            0);
  if (!test::HavePythonXml()) return;
  EXPECT_EQ(test::XmlElementAttributes(home.file("p.brv"), "publish"),
            (std::vector<std::string>{"folder=" + home.file("out") +
                                      "|fps=12|truncate=3|publishFlags=140|format=flv|player=brelvano"}));
}

TEST(ProjectCli, RefusesUnusableInputAndKeepsFiles) {
  TempDir home;
  test::WriteText(home.file("bad.brv"), "<x>");
  test::WriteText(home.file("old.brv"), "old");
  const std::string cantOpen = "Can't open Project: Project file may not be readible or content is corrupt.";
  const std::tuple<const char*, int, std::string> cases[] = {  // arguments, exit status, message
      {"new", 2, ""},
      {"new p.brv --fps 0", 2, ""},
      {"new p.brv --format ogg", 2, ""},
      {"new p.brv --player NoSuchPlayer", 2, "no player named \"NoSuchPlayer\""},
      {"new p.brv --bogus", 2, ""},
      {"show", 2, ""},
      {"new old.brv", 1, "already exists"},
      {"new missing/folder/p.brv", 1, "cannot save project"},
      {"show bad.brv", 1, cantOpen},
      {"show missing.brv", 1, cantOpen},
      {"publish bad.brv", 1, cantOpen},
      {"publish missing.brv", 1, cantOpen},
  };
  for (const auto& [arguments, exitCode, message] : cases) {
    const CliRun r = Cli(home, arguments);
    EXPECT_EQ(r.exitCode, exitCode) << arguments << ": " << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << arguments << ": " << r.err;
  }
  EXPECT_FALSE(test::FileExists(home.file("p.brv")));
  EXPECT_EQ(test::ReadText(home.file("old.brv")), "old");
}

TEST(ProjectCli, NewRefusesFileNamesAProjectCannotHold) {
  TempDir home;
  // Names that exist on disk but would not read back from a project file.
  for (const char* name : {"caf\xE9.mp3", "two\nlines.mp3"})
    std::filesystem::copy_file(test::DataFile("samples/hum_11025_mono.mp3"), home.file(name));
  const CliRun r = Cli(home, "new p.brv " + ShellQuote(home.file("caf\xE9.mp3")) + " " +
                                 ShellQuote(home.file("two\nlines.mp3")) + " " + Sample("pulse_44100_mono.mp3"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("file name is not valid UTF-8"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("file name holds control characters"), std::string::npos) << r.err;
  // The project was still written, with the one good file, and reads back.
  const CliRun show = Cli(home, "show p.brv");
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_NE(show.out.find("Tracks:       1\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("pulse_44100_mono.mp3"), std::string::npos);
}

TEST(ProjectCli, PublishReportsFailedTracksAndMissingTemplate) {
  TempDir home;
  std::filesystem::copy_file(test::DataFile("samples/hum_11025_mono.mp3"), home.file("gone.mp3"));
  ASSERT_EQ(Cli(home, "new p.brv --template --dest site " + ShellQuote(home.file("gone.mp3"))).exitCode, 0);
  std::filesystem::remove(home.file("gone.mp3"));
  const CliRun r = Cli(home, "publish p.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Cannot open"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("HTML Generation: Cannot open template.html\n File is missing."), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Number of audio files: 0\nPlaylist generated\nNo HTML file generated\n"), std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace brelvano
