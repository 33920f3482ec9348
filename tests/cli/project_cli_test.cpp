// brelvano-cli new, show and publish, run as a user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_files.h"
#include "support/xml_check.h"

namespace brelvano {
namespace {

using test::RunCommand;
using test::ShellQuote;
using test::TempDir;

struct CliRun {
  int exitCode;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the CLI with HOME in the scratch folder, so that no real user
// folder is read or written.
CliRun Cli(const TempDir& home, const std::string& arguments) {
  const std::string errFile = home.file("stderr.txt");
  const test::CommandResult r = RunCommand("cd " + ShellQuote(home.path()) + " && HOME=" +
                                           ShellQuote(home.path()) + " " +
                                           ShellQuote(BRELVANO_CLI_PATH) + " " + arguments +
                                           " 2>" + ShellQuote(errFile));
  const test::Bytes err = test::ReadFileBytes(errFile);
  return {r.exitCode, r.output, std::string(err.begin(), err.end())};
}

std::string Sample(const std::string& name) { return test::DataFile("samples/" + name); }

std::string ReadText(const std::string& path) {
  const test::Bytes bytes = test::ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

TEST(ProjectCli, NewWritesDefaultsAndOptions) {
  TempDir home;
  CliRun r = Cli(home, "new p.brv " + ShellQuote(Sample("hum_11025_mono.mp3")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("File  = " + Sample("hum_11025_mono.mp3") + "\n"), std::string::npos);
  EXPECT_EQ(ReadText(home.file("p.brv")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Brelvano version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\">\n"
            "\t<publish\n"
            "\t\tfolder=\"" + home.path() + "\"\n"
            "\t\tfps=\"30\"\n"
            "\t\ttruncate=\"0\"\n"
            "\t\tpublishFlags=\"115\"\n"
            "\t\tformat=\"swf\"\n"
            "\t\tplayer=\"brelvano_mini\"\n"
            "\t/>\n"
            "\t<mp3list>\n"
            "\t\t<mp3 file=\"" + Sample("hum_11025_mono.mp3") + "\"/>\n"
            "\t</mp3list>\n"
            "</Brelvano>\n");

  r = Cli(home, "new --overwrite q.brv --dest out --format flv --fps 12 --truncate 3 --no-spectrum "
                "--no-html --template --shuffle --no-autostart --no-playall --no-loop");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  if (test::HavePythonXml()) {
    EXPECT_EQ(test::XmlElementAttributes(home.file("q.brv"), "publish"),
              (std::vector<std::string>{"folder=" + home.file("out") +
                                        "|fps=12|truncate=3|publishFlags=140|format=flv|"
                                        "player=brelvano_mini"}));
  }
}

TEST(ProjectCli, NewRefusesUnusableInput) {
  TempDir home;
  struct Case {
    const char* what;
    std::string arguments;
    int exitCode;
  };
  const Case cases[] = {
      {"no project", "new", 2},
      {"fps out of range", "new p.brv --fps 0", 2},
      {"unknown format", "new p.brv --format ogg", 2},
      {"unknown player", "new p.brv --player NoSuchPlayer", 2},
      {"unknown option", "new p.brv --bogus", 2},
      {"show without project", "show", 2},
  };
  for (const Case& c : cases) {
    const CliRun r = Cli(home, c.arguments);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err;
    EXPECT_FALSE(test::FileExists(home.file("p.brv"))) << c.what;
  }
}

TEST(ProjectCli, NewRefusesFileNamesAProjectCannotHold) {
  TempDir home;
  // Names that exist on disk but would not read back from a project file.
  const std::string latin1 = home.file("caf\xE9.mp3");
  const std::string newline = home.file("two\nlines.mp3");
  test::WriteFileBytes(latin1, test::ReadFileBytes(Sample("hum_11025_mono.mp3")));
  test::WriteFileBytes(newline, test::ReadFileBytes(Sample("hum_11025_mono.mp3")));
  const CliRun r = Cli(home, "new p.brv " + ShellQuote(latin1) + " " + ShellQuote(newline) + " " +
                              ShellQuote(Sample("pulse_44100_mono.mp3")));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("file name is not valid UTF-8"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("file name holds control characters"), std::string::npos) << r.err;
  // The project was still written, with the one good file, and reads back.
  const CliRun show = Cli(home, "show p.brv");
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_NE(show.out.find("Tracks:       1\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("pulse_44100_mono.mp3"), std::string::npos);
}

TEST(ProjectCli, NewKeepsAnExistingProjectAndReportsAFailedSave) {
  TempDir home;
  test::WriteFileBytes(home.file("p.brv"), {'o', 'l', 'd'});
  CliRun r = Cli(home, "new p.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("already exists"), std::string::npos);
  r = Cli(home, "new missing/folder/p.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot save project"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(home.file("p.brv")), "old");
}

TEST(ProjectCli, ShowPrintsSettingsAndAlignedTable) {
  TempDir home;
  ASSERT_EQ(Cli(home, "new p.brv --truncate 2 " + ShellQuote(Sample("chimes_44100_joint.mp3")) + " " +
                          ShellQuote(Sample("hum_11025_mono.mp3")))
                .exitCode,
            0);
  const CliRun r = Cli(home, "show p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Truncate:     2 s\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Flags:        119\n"), std::string::npos) << r.out;
  const size_t header = r.out.find("Filename ");
  ASSERT_NE(header, std::string::npos);
  const std::string table = r.out.substr(header);
  const std::string headerLine = table.substr(0, table.find('\n'));
  const std::string firstRow = table.substr(table.find('\n') + 1);
  // Columns line up: "Status" starts where the first row's second column does.
  EXPECT_EQ(headerLine.find("Status"), std::string("chimes_44100_joint.mp3  ").size());
  EXPECT_EQ(firstRow.find("default"), headerLine.find("Format"));
  EXPECT_NE(table.find("hum_11025_mono.mp3"), std::string::npos);
  EXPECT_NE(table.find("No"), std::string::npos);  // the mono file's Stereo column
}

TEST(ProjectCli, ShowAndPublishRejectBadProjects) {
  TempDir home;
  test::WriteFileBytes(home.file("bad.brv"), {'<', 'x', '>'});
  for (const char* command : {"show", "publish"}) {
    for (const char* file : {"bad.brv", "missing.brv"}) {
      const CliRun r = Cli(home, std::string(command) + " " + file);
      EXPECT_EQ(r.exitCode, 1) << command << " " << file;
      EXPECT_NE(r.err.find("Can't open Project"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("Project file may not be readible or content is corrupt."),
                std::string::npos);
    }
  }
}

TEST(ProjectCli, PublishConvertsAndPublishes) {
  TempDir home;
  ASSERT_EQ(Cli(home, "new p.brv --dest site " + ShellQuote(Sample("chimes_44100_joint.mp3")) + " " +
                          ShellQuote(Sample("hum_11025_mono.mp3")))
                .exitCode,
            0);
  CliRun r = Cli(home, "publish p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.out.find(home.file("site/chimes_44100_joint.swf")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Number of audio files: 2\nPlaylist generated\nHTML file generated\n"
                       "brelvano_mini player copied.\n"),
            std::string::npos)
      << r.out;
  for (const char* name : {"playlist.xml", "index.html", "brelvano_mini.swf",
                           "chimes_44100_joint.swf", "hum_11025_mono.swf"})
    EXPECT_TRUE(test::FileExists(home.file(std::string("site/") + name))) << name;
  EXPECT_NE(ReadText(home.file("site/index.html")).find("width=\"300\" height=\"40\""),
            std::string::npos);
  if (test::HavePythonXml()) {
    const std::vector<std::string> files =
        test::XmlElementAttributes(home.file("site/playlist.xml"), "FILE", true);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(0, 27), "src=chimes_44100_joint.swf|");
  }

  // A second run skips the converted tracks and still publishes them.
  r = Cli(home, "publish p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Skipped"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Number of audio files: 2\n"), std::string::npos);
  // Forced, they are converted again.
  r = Cli(home, "publish --force p.brv");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.find("skipped"), std::string::npos) << r.out;
}

TEST(ProjectCli, PublishReportsFailedTracksAndMissingTemplate) {
  TempDir home;
  const std::string vanishing = home.file("gone.mp3");
  test::WriteFileBytes(vanishing, test::ReadFileBytes(Sample("hum_11025_mono.mp3")));
  ASSERT_EQ(Cli(home, "new p.brv --template --dest site " + ShellQuote(vanishing)).exitCode, 0);
  std::filesystem::remove(vanishing);
  const CliRun r = Cli(home, "publish p.brv");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Cannot open"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("HTML Generation: Cannot open template.html\n File is missing."),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.out.find("Number of audio files: 0\nPlaylist generated\nNo HTML file generated\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace brelvano
