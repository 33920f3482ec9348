// brelvano-cli as a user runs it: output, files made and exit statuses.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "cli/home_cli_run.h"
#include "support/swf_reader.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::ShellQuote;

test::CommandResult Cli(const std::string& args) {
  return test::RunCommand(ShellQuote(BRELVANO_CLI_PATH) + " " + args + " 2>/dev/null");
}

std::string Sample(const std::string& name) {
  return ShellQuote(test::DataFile("samples/" + name));
}

TEST(CliInfo, TableAndExitStatus) {
  const auto ok =
      Cli("info " + Sample("chimes_44100_joint.mp3") + " " + Sample("hum_11025_mono.mp3"));
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_EQ(ok.output.substr(0, ok.output.find('\n')),
            "Filename                Status  Format   Duration  Frequency  Stereo  bps       Title "
            "          Artist         Album");
  EXPECT_NE(ok.output.find("hum_11025_mono.mp3              default  0'05\"     11025      No      "
                           "32 (cbr)  Low Hum"),
            std::string::npos)
      << ok.output;

  // A missing file is still listed, with its status; the run reports failure.
  const auto bad = Cli("info --tsv " + Sample("hum_11025_mono.mp3") + " /no/such.mp3");
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.output,
            "Filename\tStatus\tFormat\tDuration\tFrequency\tStereo\tbps\tTitle\tArtist\tAlbum\n"
            "hum_11025_mono.mp3\t\tdefault\t0'05\"\t11025\tNo\t32 (cbr)\tLow Hum\tBrelvano "
            "Demo\tTest Tones\n"
            "such.mp3\tCannot open\tdefault\t0'00\"\t0\tNo\t0 (cbr)\t\t\t\n");
}

// Regression: a FIFO named as an MP3 file hung `info` and `convert` waiting
// for a writer. It, a directory and a device are "Cannot open" at once.
TEST(CliInfo, InputsThatAreNoRegularFiles) {
  test::TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("f.mp3").c_str(), 0644), 0);
  ASSERT_EQ(mkdir(dir.file("d.mp3").c_str(), 0755), 0);
  const std::string inputs =
      ShellQuote(dir.file("f.mp3")) + " " + ShellQuote(dir.file("d.mp3")) + " /dev/zero";
  // timeout: a hang fails the test instead of stopping the run.
  const auto info = test::RunCommand("timeout 20 " + ShellQuote(BRELVANO_CLI_PATH) +
                                     " info --tsv " + inputs + " 2>/dev/null | cut -f1,2");
  EXPECT_EQ(info.output,
            "Filename\tStatus\nf.mp3\tCannot open\nd.mp3\tCannot open\nzero\tCannot open\n");
  const auto convert =
      test::RunCommand("timeout 20 " + ShellQuote(BRELVANO_CLI_PATH) + " convert --dest " +
                       ShellQuote(dir.path()) + " " + inputs + " >/dev/null 2>&1; echo $?");
  EXPECT_EQ(convert.output, "1\n");
}

TEST(CliUsage, ErrorsExitTwoWithOneLineMessage) {
  for (const char* args : {"", "info", "bogus", "convert --fps 0 x.mp3", "convert --fps 201 x.mp3",
                           "convert --format ogg x.mp3", "convert --dest /no/such/dir x.mp3",
                           "convert --truncate -5 x.mp3", "info --nope x.mp3"}) {
    const auto r =
        test::RunCommand(ShellQuote(BRELVANO_CLI_PATH) + " " + args + " 2>&1 >/dev/null");
    EXPECT_EQ(r.exitCode, 2) << args;
    EXPECT_EQ(r.output.rfind("brelvano-cli: ", 0), 0u) << args << ": " << r.output;
  }
}

TEST(CliConvert, ConvertsSkipsForcesAndWritesFlv) {
  test::TempDir dest;
  const std::string files =
      Sample("chimes_44100_joint.mp3") + " " + Sample("drift_22050_stereo_vbr.mp3");
  const auto first = Cli("convert --fps 20 --dest " + ShellQuote(dest.path()) + " " + files);
  EXPECT_EQ(first.exitCode, 0) << first.output;
  EXPECT_NE(first.output.find("Ok"), std::string::npos);
  EXPECT_NE(first.output.find(dest.file("chimes_44100_joint.swf")), std::string::npos)
      << first.output;
  const test::SwfFile swf =
      test::ParseSwf(test::ReadFileBytes(dest.file("drift_22050_stereo_vbr.swf")));
  ASSERT_TRUE(swf.ok) << swf.error;
  EXPECT_EQ(swf.frameRate, 20 * 256);

  const auto again = Cli("convert --dest " + ShellQuote(dest.path()) + " " + files);
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_NE(again.output.find("Skipped"), std::string::npos) << again.output;
  const auto forced =
      Cli("convert --force --truncate 1 --dest " + ShellQuote(dest.path()) + " " + files);
  EXPECT_EQ(forced.exitCode, 0);
  EXPECT_NE(forced.output.find("Truncated"), std::string::npos) << forced.output;
  const auto flv = Cli("convert --format flv --spectrum --dest " + ShellQuote(dest.path()) + " " +
                       Sample("pulse_44100_mono.mp3"));
  EXPECT_EQ(flv.exitCode, 0) << flv.output;
  const auto bytes = test::ReadFileBytes(dest.file("pulse_44100_mono.flv"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(3, bytes.size())), "FLV");
}

// Starts brelvano-cli with the arguments, its standard output into log.
pid_t StartCli(const std::vector<std::string>& arguments, const std::string& log,
               const std::string& home) {
  const pid_t pid = fork();
  if (pid == 0) {
    freopen(log.c_str(), "w", stdout);
    freopen("/dev/null", "w", stderr);
    setenv("HOME", home.c_str(), 1);
    std::vector<char*> argv = {const_cast<char*>("brelvano-cli")};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(BRELVANO_CLI_PATH, argv.data());
    _exit(127);
  }
  return pid;
}

// Waits until a temporary output file shows up in the folder.
bool WaitForTemporaryFile(const std::string& folder) {
  for (int i = 0; i < 10000; ++i) {
    std::error_code error;
    for (const auto& e : std::filesystem::directory_iterator(folder, error))
      if (e.path().filename().string().find(".brelvano-") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Sends SIGINT, as Ctrl-C does; the exit status, or -1 if the run did not exit.
int ExitStatusAfterCtrlC(pid_t pid) {
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Regression: a cancelled conversion replaced a good output with a cut one,
// which the next run skipped as finished ("Skipped (output exists)", exit
// 0) and the next publish listed. Ctrl-C, as a user presses it.
TEST(CliConvert, InterruptNeverReplacesNorLeavesAnOutput) {
  const struct {
    const char* what;
    std::vector<std::string> arguments;  // behind the command; DEST and the input follow
    const char* output;
    bool earlier;  // an output from before is there
  } cases[] = {
      {"convert", {"convert", "--spectrum"}, "long.swf", false},
      {"convert --force over a good output",
       {"convert", "--force", "--spectrum"},
       "long.swf",
       true},
      {"flv", {"convert", "--format", "flv", "--force"}, "long.flv", true},
  };
  test::TempDir dir;
  // A long stream (about 100 minutes of 128 kbit/s frames) so the
  // conversion is still running when the interrupt arrives.
  const std::string input = dir.file("long.mp3");
  test::WriteFileBytes(input, test::SyntheticMp3(0xFFFB9044, 230000));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dest = dir.file("out");
    std::filesystem::remove_all(dest);
    std::filesystem::create_directory(dest);
    const test::Bytes earlier = {'F', 'W', 'S', 6};
    if (c.earlier) test::WriteFileBytes(dest + "/" + c.output, earlier);
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"--dest", dest, input});
    const std::string log = dir.file("stdout.txt");
    const pid_t pid = StartCli(arguments, log, dir.path());
    ASSERT_TRUE(WaitForTemporaryFile(dest));
    EXPECT_EQ(ExitStatusAfterCtrlC(pid), 130);
    const auto out = test::ReadFileBytes(log);
    EXPECT_EQ(std::string(out.begin(), out.end()), "Aborted       " + input + "\n");
    if (c.earlier) {
      EXPECT_EQ(test::ReadFileBytes(dest + "/" + c.output), earlier);
      EXPECT_EQ(test::FolderNames(dest), std::vector<std::string>{c.output});
    } else {
      EXPECT_EQ(test::FolderNames(dest), std::vector<std::string>{});
      // Nothing there for the next run to take as converted.
      const auto next = Cli("convert --dest " + ShellQuote(dest) + " " + ShellQuote(input));
      EXPECT_EQ(next.output.substr(0, 3), "Ok ") << next.output;
    }
  }
}

// The same through publish: nothing is published and no cut movie stays.
TEST(CliPublish, InterruptPublishesNothingAndKeepsNoCutMovie) {
  test::TempDir home;
  const std::string input = home.file("long.mp3");
  test::WriteFileBytes(input, test::SyntheticMp3(0xFFFB9044, 230000));
  const std::string site = home.file("site");
  ASSERT_EQ(test::Cli(home, "new p.brv --dest site long.mp3").exitCode, 0);
  std::filesystem::create_directory(site);
  const pid_t pid = StartCli({"publish", home.file("p.brv")}, home.file("stdout.txt"), home.path());
  ASSERT_TRUE(WaitForTemporaryFile(site));
  EXPECT_EQ(ExitStatusAfterCtrlC(pid), 130);
  EXPECT_EQ(test::FolderNames(site), std::vector<std::string>{});
}

// Regression: temporary files of killed runs were never cleaned up (57
// hidden files after 58 kills); the next run in the folder removes them.
TEST(CliConvert, NextRunRemovesWhatAKilledRunLeft) {
  test::TempDir dir;
  const std::string input = dir.file("long.mp3");
  test::WriteFileBytes(input, test::SyntheticMp3(0xFFFB9044, 230000));
  const std::string dest = dir.file("out");
  std::filesystem::create_directory(dest);
  const pid_t pid = StartCli({"convert", "--spectrum", "--dest", dest, input},
                             dir.file("stdout.txt"), dir.path());
  ASSERT_TRUE(WaitForTemporaryFile(dest));
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_EQ(test::FolderNames(dest).size(), 1u);  // the killed run's temporary file
  const auto next = Cli("convert --dest " + ShellQuote(dest) + " " + Sample("hum_11025_mono.mp3"));
  EXPECT_EQ(next.exitCode, 0);
  EXPECT_EQ(test::FolderNames(dest), std::vector<std::string>{"hum_11025_mono.swf"});
}

}  // namespace
}  // namespace brelvano
