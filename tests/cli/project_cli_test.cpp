// brelvano-cli new, show and publish, run as a user would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "cli/home_cli_run.h"
#include "support/text_file.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::Cli;
using test::CliRun;
using test::Sample;
using test::ShellQuote;
using test::TempDir;

TEST(ProjectCli, NewShowAndPublish) {
  TempDir home;
  test::WriteText(home.file("index.html"), "mine");
  // No --dest: the site goes to a folder of its own, never beside the project.
  CliRun r = Cli(home, "new p.brv --truncate 2 " + Sample("chimes_44100_joint.mp3") + " " +
                           Sample("hum_11025_mono.mp3"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Cli(home, "show p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  for (const std::string& line :
       {std::string("Truncate:     2 s\n"), std::string("Flags:        119\n"),
        std::string("Tracks:       2\n"), "Destination:  " + home.file("Brelvano") + "\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  // Columns line up: "Status" starts where the first row's second column does.
  const std::string table = r.out.substr(r.out.find("Filename "));
  const std::string header = table.substr(0, table.find('\n')),
                    firstRow = table.substr(table.find('\n') + 1);
  EXPECT_EQ(header.find("Status"), std::string("chimes_44100_joint.mp3  ").size()) << table;
  EXPECT_EQ(firstRow.find("default"), header.find("Format")) << table;

  r = Cli(home, "publish p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Number of audio files: 2\nPlaylist generated\nHTML file generated\n"
                       "brelvano player copied.\n"),
            std::string::npos)
      << r.out;
  // The generated player comes first among the bundled ones; the page loads the runtime beside it.
  for (const char* name : {"index.html", "brelvano.swf", "chimes_44100_joint.swf",
                           "hum_11025_mono.swf", "ruffle/ruffle.js"})
    EXPECT_TRUE(test::FileExists(home.file(std::string("Brelvano/") + name))) << name;
  EXPECT_EQ(test::ReadText(home.file("index.html")), "mine");
  EXPECT_FALSE(test::FileExists(home.file("playlist.xml")));
  const std::string page = test::ReadText(home.file("Brelvano/index.html"));
  EXPECT_NE(page.find("width=\"400\" height=\"300\""), std::string::npos) << page;
  EXPECT_NE(page.find("<script src=\"ruffle/ruffle.js\"></script>"), std::string::npos) << page;
  if (test::HavePythonXml()) {
    const std::vector<std::string> files =
        test::XmlElementAttributes(home.file("Brelvano/playlist.xml"), "FILE", true);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(0, 27), "src=chimes_44100_joint.swf|");
  }

  // Every option of "new" lands in the file.
  ASSERT_EQ(Cli(home,
                "new --overwrite p.brv --dest out --format flv --fps 12 --truncate 3 --no-spectrum "
                "--no-html "
                "--template --shuffle --no-autostart --no-playall --no-loop")
                .exitCode,
            0);
  if (!test::HavePythonXml()) return;
  EXPECT_EQ(
      test::XmlElementAttributes(home.file("p.brv"), "publish"),
      (std::vector<std::string>{"folder=" + home.file("out") +
                                "|fps=12|truncate=3|publishFlags=140|format=flv|player=brelvano"}));
}

TEST(ProjectCli, RefusesUnusableInputAndKeepsFiles) {
  TempDir home;
  test::WriteText(home.file("bad.brv"), "<x>");
  test::WriteText(home.file("old.brv"), "old");
  const std::string cantOpen =
      "Can't open Project: Project file may not be readible or content is corrupt.";
  const std::tuple<const char*, int, std::string> cases[] = {
      // arguments, exit status, message
      {"new", 2, "project is required"},
      {"new p.brv --fps 0", 2, "--fps: Value 0 not in range 1 to 200"},
      {"new p.brv --format ogg", 2, "--format: ogg not in {swf,flv}"},
      {"new p.brv --player NoSuchPlayer", 2, "no player named \"NoSuchPlayer\""},
      {"new p.brv --bogus", 2, "not expected: --bogus"},
      {"show", 2, "project is required"},
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

TEST(ProjectCli, PublishReportsFailedTracksAndMissingTemplate) {
  TempDir home;
  std::filesystem::copy_file(test::DataFile("samples/hum_11025_mono.mp3"), home.file("gone.mp3"));
  ASSERT_EQ(
      Cli(home, "new p.brv --template --dest site " + ShellQuote(home.file("gone.mp3"))).exitCode,
      0);
  std::filesystem::remove(home.file("gone.mp3"));
  const CliRun r = Cli(home, "publish p.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Cannot open"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("HTML Generation: Cannot open template.html\n File is missing.\n" +
                       home.file("site") + "/template.html: No such file or directory"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("Number of audio files: 0\nPlaylist generated\nNo HTML file generated\n"),
            std::string::npos)
      << r.out;
  // The failed track's line points at no file: none was written.
  EXPECT_NE(r.out.find("Cannot open   " + home.file("gone.mp3") + "\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find(" -> "), std::string::npos) << r.out;
}

// Regression: a project without a destination published into "/".
TEST(ProjectCli, PublishWithoutDestinationWritesNothing) {
  TempDir home;
  ASSERT_EQ(Cli(home, "new p.brv --dest site " + Sample("hum_11025_mono.mp3")).exitCode, 0);
  for (const char* publish : {"<publish/>", "<publish folder=\"\"/>"}) {
    std::string text = test::ReadText(home.file("p.brv"));
    const size_t from = text.find("\t<publish"), to = text.find("\t/>\n") + 4;
    text.replace(from, to - from, publish);
    test::WriteText(home.file("q.brv"), text);
    const CliRun r = Cli(home, "publish q.brv");
    EXPECT_EQ(r.exitCode, 1) << publish;
    EXPECT_NE(r.err.find("Can't publish: The project has no destination folder."),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("Ok"), std::string::npos) << r.out;  // nothing converted
  }
  EXPECT_FALSE(test::FileExists("/hum_11025_mono.swf"));
}

// Regression: a FIFO as a project hung every command.
// Regression: concurrent publishers of one project collided on one
// temporary player copy, and all but one failed "Cannot copy player".
TEST(ProjectCli, ConcurrentPublishersAllSucceedAndRerunsSkip) {
  TempDir home;
  ASSERT_EQ(Cli(home, "new p.brv --dest site " + Sample("hum_11025_mono.mp3")).exitCode, 0);
  std::string many;
  for (int i = 0; i < 6; ++i)
    many += "(HOME=" + ShellQuote(home.path()) + " " + ShellQuote(BRELVANO_CLI_PATH) +
            " publish p.brv >/dev/null 2>>err.txt; echo $? >>codes.txt) & ";
  test::RunCommand("cd " + ShellQuote(home.path()) + " && { " + many + "wait; }");
  EXPECT_EQ(test::ReadText(home.file("codes.txt")), "0\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(test::ReadText(home.file("err.txt")), "");
  for (const auto& e : std::filesystem::directory_iterator(home.file("site")))
    EXPECT_NE(e.path().filename().string()[0], '.') << "left behind: " << e.path();

  // Regression: a skipped track (output there, not forced) counted as a
  // failure by its old status, and publish exited 1.
  const CliRun again = Cli(home, "publish p.brv");
  EXPECT_EQ(again.exitCode, 0) << again.out << again.err;
  EXPECT_NE(again.out.find("Skipped (output exists)"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("Number of audio files: 1\n"), std::string::npos) << again.out;
}

TEST(ProjectCli, SettingsFileGivesTheDefaults) {
  TempDir home;
  std::filesystem::create_directories(home.file(".config/brelvano"));
  test::WriteText(
      home.file(".config/brelvano/settings.json"),
      "{\"FrameRate\": 12, \"PublishFlags\": 256, \"DestFolder\": \"" + home.file("out") + "\"}");
  ASSERT_EQ(Cli(home, "new p.brv").exitCode, 0);
  const CliRun r = Cli(home, "show p.brv");
  for (const std::string& line :
       std::vector<std::string>{"Frame rate:   12\n", "Flags:        256\n",
                                "Destination:  " + home.file("out") + "\n", "Tracks:       0\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << r.out;
  // Options still win over the settings.
  ASSERT_EQ(Cli(home, "new --overwrite --fps 20 --dest site p.brv").exitCode, 0);
  EXPECT_NE(Cli(home, "show p.brv").out.find("Frame rate:   20\n"), std::string::npos);
}

TEST(ProjectCli, UnusableFilesAreToldAndNeverEmptyAProject) {
  TempDir home;
  test::WriteText(home.file("notes.txt"), "x");
  test::WriteText(home.file("noise.mp3"), std::string(3000, 'z'));
  ASSERT_EQ(Cli(home, "new p.brv " + Sample("hum_11025_mono.mp3")).exitCode, 0);
  const std::string before = test::ReadText(home.file("p.brv"));

  // Every file refused: the existing project stays, even with --overwrite.
  CliRun r = Cli(home, "new --overwrite p.brv notes.txt");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("notes.txt: only files ending in .mp3 are taken"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("not written"), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadText(home.file("p.brv")), before);

  // Missing and unsupported files are added, each with a warning; names that
  // would not read back from a project file are left out.
  for (const char* name : {"caf\xE9.mp3", "two\nlines.mp3"})
    std::filesystem::copy_file(test::DataFile("samples/hum_11025_mono.mp3"), home.file(name));
  r = Cli(home, "new --overwrite p.brv gone.mp3 noise.mp3 " + ShellQuote("caf\xE9.mp3") + " " +
                    ShellQuote("two\nlines.mp3") + " " + Sample("pulse_44100_mono.mp3"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("file name is not valid UTF-8"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("file name holds control characters"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(home.file("gone.mp3") + ": Cannot open"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(home.file("noise.mp3") + ": Unknown"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("pulse_44100_mono.mp3"), std::string::npos) << r.err;
  // show and publish give the re-scanned status, not an empty one.
  r = Cli(home, "show p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("gone.mp3              Cannot open"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("noise.mp3             Unknown"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Tracks:       3\n"), std::string::npos) << r.out;

  // Asked for an empty project (no files): it is made.
  EXPECT_EQ(Cli(home, "new --overwrite p.brv").exitCode, 0);
  EXPECT_NE(Cli(home, "show p.brv").out.find("Tracks:       0\n"), std::string::npos);
}

TEST(ProjectCli, ReasonsForUnreadableProjects) {
  TempDir home;
  test::WriteText(home.file("bad.brv"), "<Brelvano version=\"1.6\">\n<publish>\n</Brelvano>");
  CliRun r = Cli(home, "show bad.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("XML error at line 3, column 2: mismatched tag"), std::string::npos)
      << r.err;
  r = Cli(home, "show missing.brv");
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace brelvano
