// The progress line as a terminal shows it: brelvano-cli run on a
// pseudo-terminal of a given width, its standard error read back.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utf8proc.h>

#include <fcntl.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace brelvano {
namespace {

// About 16 minutes of audio: the frames of one sample, repeated (tags left
// out), so a conversion lasts long enough for several redraws.
void WriteLongMp3(const std::string& path) {
  const test::Bytes sample = test::ReadFileBytes(test::DataFile("samples/chimes_44100_joint.mp3"));
  size_t begin = 0, end = sample.size();
  if (sample.size() > 10 && sample[0] == 'I' && sample[1] == 'D' && sample[2] == '3')
    begin = 10 + ((sample[6] << 21) | (sample[7] << 14) | (sample[8] << 7) | sample[9]);
  if (end >= 128 && sample[end - 128] == 'T' && sample[end - 127] == 'A' &&
      sample[end - 126] == 'G')
    end -= 128;
  test::Bytes audio;
  for (int i = 0; i < 1000; ++i)  // long enough to be drawn with a speed on a fast machine
    audio.insert(audio.end(), sample.begin() + begin, sample.begin() + end);
  test::WriteFileBytes(path, audio);
}

// Runs the CLI with its standard error on a pseudo-terminal `columns` wide;
// standard output goes to /dev/null. Returns all the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args, int columns) {
  winsize size{};
  size.ws_col = static_cast<unsigned short>(columns);
  size.ws_row = 24;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    std::vector<char*> argv{const_cast<char*>(BRELVANO_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    unsetenv("COLUMNS");
    execv(BRELVANO_CLI_PATH, argv.data());
    _exit(127);
  }
  std::string received;
  char chunk[4096];
  for (ssize_t n; (n = read(master, chunk, sizeof chunk)) > 0;)
    received.append(chunk, static_cast<size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  return received;
}

size_t Width(const std::string& text) {
  size_t width = 0;
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) return 9999;  // a character cut in two
    width += static_cast<size_t>(std::max(0, utf8proc_charwidth(cp)));
    p += n;
    left -= n;
  }
  return width;
}

// The states the line was drawn in: the text between carriage returns,
// each without its erase-line sequence.
std::vector<std::string> DrawnLines(const std::string& received) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < received.size()) {
    size_t end = received.find('\r', start);
    if (end == std::string::npos) end = received.size();
    std::string line = received.substr(start, end - start);
    if (line.rfind("\x1b[K", 0) == 0) line.erase(0, 3);
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

TEST(CliProgress, LineFitsTheTerminalAtEveryWidth) {
  test::TempDir dir;
  const std::string name =
      "A very long track name that goes on – 日本語の歌 – and on, final mix.mp3";
  WriteLongMp3(dir.file(name));
  for (const int columns : {40, 80, 200}) {
    SCOPED_TRACE(columns);
    const std::string received = RunOnTerminal(
        {"convert", "--force", "--spectrum", "--dest", dir.path(), dir.file(name)}, columns);
    // Nothing ever went to a new line: the terminal never wrapped.
    EXPECT_EQ(received.find('\n'), std::string::npos) << received;
    const auto lines = DrawnLines(received);
    ASSERT_GE(lines.size(), 3u) << received;
    bool sawSpeed = false;
    for (const auto& line : lines) {
      EXPECT_LT(Width(line), static_cast<size_t>(columns)) << line;
      EXPECT_EQ(line.rfind("1/1 ", 0), 0u) << line;
      EXPECT_NE(line.find('%'), std::string::npos) << line;
      if (line.find("x  ") != std::string::npos && line.find(" left") != std::string::npos)
        sawSpeed = true;
      if (columns == 200) {
        EXPECT_NE(line.find(name + " ["), std::string::npos) << line;  // whole name, and a bar
      } else {
        EXPECT_NE(line.find("…"), std::string::npos) << line;        // shortened in the middle
        EXPECT_NE(line.find("ix.mp3 "), std::string::npos) << line;  // the end kept
      }
    }
    EXPECT_TRUE(sawSpeed) << received;
  }
}

TEST(CliProgress, NeverAndQuietDrawNothingAlwaysDrawsOffATerminal) {
  test::TempDir dir;
  WriteLongMp3(dir.file("long.mp3"));
  for (const char* option : {"--progress=never", "--quiet"}) {
    const std::string received = RunOnTerminal(
        {option, "convert", "--force", "--dest", dir.path(), dir.file("long.mp3")}, 80);
    EXPECT_EQ(received, "") << option;
  }
  const auto piped =
      test::RunCommand(test::ShellQuote(BRELVANO_CLI_PATH) + " convert --force --dest " +
                       test::ShellQuote(dir.path()) + " " + test::ShellQuote(dir.file("long.mp3")) +
                       " --progress always 2>&1 >/dev/null");
  EXPECT_NE(piped.output.find("1/1 long.mp3"), std::string::npos) << piped.output;
}

}  // namespace
}  // namespace brelvano
