// brelvano-cli driven by scripts: JSON output against the tables, file lists
// from pipes, hostile names, quiet and verbose runs, help and usage errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <nlohmann/json.hpp>

#include "support/test_files.h"

namespace brelvano {
namespace {

using nlohmann::json;
using test::ShellQuote;

const std::string kCli = ShellQuote(BRELVANO_CLI_PATH);

std::string Sample(const std::string& name) { return test::DataFile("samples/" + name); }

const std::vector<std::string> kSamples = {"chimes_44100_joint.mp3", "drift_22050_stereo_vbr.mp3",
                                           "hum_11025_mono.mp3", "pulse_44100_mono.mp3"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> cells;
  size_t start = 0;
  for (size_t end; (end = line.find(separator, start)) != std::string::npos; start = end + 1)
    cells.push_back(line.substr(start, end - start));
  cells.push_back(line.substr(start));
  return cells;
}

// The table's text for a typed JSON track, column by column.
std::vector<std::string> TableCells(const json& t) {
  char duration[32], bps[32];
  const int seconds = t["duration_s"];
  std::snprintf(duration, sizeof duration, "%d'%02d\"", seconds / 60, seconds % 60);
  std::snprintf(bps, sizeof bps, "%d%s", t["bitrate_kbps"].get<int>(),
                t["vbr"] ? " (vbr)" : " (cbr)");
  const std::string format = t["format"];
  return {t["filename"],
          t["status"]["text"],
          format == "default" ? "default"
          : format == "swf"   ? "Swf"
                              : "Flv",
          duration,
          std::to_string(t["frequency_hz"].get<int>()),
          t["stereo"] ? "Yes" : "No",
          bps,
          t["tags"]["title"],
          t["tags"]["artist"],
          t["tags"]["album"]};
}

TEST(CliJson, InfoJsonHoldsTheTableValuesTyped) {
  std::string files;
  for (const auto& name : kSamples) files += " " + ShellQuote(Sample(name));
  files += " /no/such/file.mp3";
  const auto tsv = test::RunCommand(kCli + " info --tsv" + files + " 2>/dev/null");
  const auto doc = test::RunCommand(kCli + " info --json" + files + " 2>/dev/null");
  EXPECT_EQ(tsv.exitCode, 1);
  EXPECT_EQ(doc.exitCode, 1);
  const json parsed = json::parse(doc.output);
  EXPECT_EQ(parsed["all_usable"], false);
  const auto rows = Lines(tsv.output);
  ASSERT_EQ(rows.size(), kSamples.size() + 2);
  ASSERT_EQ(parsed["files"].size(), kSamples.size() + 1);
  for (size_t i = 0; i < parsed["files"].size(); ++i)
    EXPECT_EQ(TableCells(parsed["files"][i]), Split(rows[i + 1], '\t')) << rows[i + 1];
  const json& missing = parsed["files"].back();
  EXPECT_EQ(missing["status"]["code"], 4);
  EXPECT_EQ(missing["usable"], false);
  EXPECT_EQ(missing["error"], "No such file or directory");
  EXPECT_EQ(parsed["files"][1]["vbr"], true);
  EXPECT_EQ(parsed["files"][2]["stereo"], false);
}

TEST(CliJson, InfoExplainsFilesThatCannotBeRead) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.file("folder.mp3"));
  const auto r = test::RunCommand(kCli + " info " + ShellQuote(dir.file("missing.mp3")) + " " +
                                  ShellQuote(dir.file("folder.mp3")) + " 2>&1 >/dev/null");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.output, "brelvano-cli: " + dir.file("missing.mp3") + ": No such file or directory\n" +
                          "brelvano-cli: " + dir.file("folder.mp3") + ": Is a directory\n");
}

TEST(CliJson, ConvertJsonLinesOnePerTrackThenSummary) {
  test::TempDir dest;
  const std::string files =
      ShellQuote(Sample(kSamples[0])) + " /no/such.mp3 " + ShellQuote(Sample(kSamples[3]));
  const auto run = [&] {
    return test::RunCommand(kCli + " convert --json --dest " + ShellQuote(dest.path()) + " " +
                            files + " 2>/dev/null");
  };
  const auto first = run();
  EXPECT_EQ(first.exitCode, 1);
  auto lines = Lines(first.output);
  ASSERT_EQ(lines.size(), 4u) << first.output;
  std::vector<json> objects;
  for (const auto& line : lines) objects.push_back(json::parse(line));
  EXPECT_EQ(objects[0]["type"], "track");
  EXPECT_EQ(objects[0]["index"], 1);
  EXPECT_EQ(objects[0]["status"]["text"], "Ok");
  EXPECT_EQ(objects[0]["output"], dest.file("chimes_44100_joint.swf"));
  EXPECT_TRUE(test::FileExists(objects[0]["output"]));
  EXPECT_EQ(objects[1]["status"]["text"], "Cannot open");
  EXPECT_TRUE(objects[1]["output"].is_null());  // nothing was written for it
  EXPECT_EQ(objects[3], json::parse(R"({"type":"summary","tracks":3,"converted":3,"skipped":0,
                                        "failed":1,"cancelled":false,"exit_status":1})"));

  const auto again = run();
  lines = Lines(again.output);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(json::parse(lines[0])["skipped"], true);
  EXPECT_EQ(json::parse(lines[3])["skipped"], 2);
  EXPECT_EQ(json::parse(lines[3])["failed"], 1);  // the missing file, never a skipped one
}

// Copies of one sample under names that a line-based reader would mangle.
TEST(CliFileLists, DashReadsPathsFromStandardInput) {
  test::TempDir dir;
  const std::vector<std::string> names = {"two  spaces.mp3", " leading.mp3", "tab\there.mp3",
                                          "Café – déjà.mp3", "quote'\"s.mp3"};
  for (const auto& name : names)
    std::filesystem::copy_file(Sample("hum_11025_mono.mp3"), dir.file(name));
  std::filesystem::copy_file(Sample("hum_11025_mono.mp3"), dir.file("new\nline.mp3"));

  std::string lineList, nulList;
  for (const auto& name : names) lineList += dir.file(name) + "\n";
  for (const auto& name : names) nulList += dir.file(name) + '\0';
  nulList += dir.file("new\nline.mp3") + '\0';
  test::WriteFileBytes(dir.file("lines"), test::Bytes(lineList.begin(), lineList.end()));
  test::WriteFileBytes(dir.file("nul"), test::Bytes(nulList.begin(), nulList.end()));

  const auto byLine = test::RunCommand(kCli + " info --json - < " + ShellQuote(dir.file("lines")));
  EXPECT_EQ(byLine.exitCode, 0) << byLine.output;
  const json lineDoc = json::parse(byLine.output);
  ASSERT_EQ(lineDoc["files"].size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(lineDoc["files"][i]["filename"], names[i]);

  const auto byNul = test::RunCommand(kCli + " info --json -0 - < " + ShellQuote(dir.file("nul")));
  EXPECT_EQ(byNul.exitCode, 0) << byNul.output;
  const json nulDoc = json::parse(byNul.output);
  ASSERT_EQ(nulDoc["files"].size(), names.size() + 1);
  EXPECT_EQ(nulDoc["files"].back()["filename"], "new\nline.mp3");
  EXPECT_EQ(nulDoc["files"].back()["status"]["code"], -1);

  // convert takes the same list; "-" among other files is a file name.
  test::TempDir dest;
  const auto converted =
      test::RunCommand(kCli + " convert --json --null --dest " + ShellQuote(dest.path()) + " - < " +
                       ShellQuote(dir.file("nul")) + " 2>/dev/null");
  EXPECT_EQ(Lines(converted.output).size(), names.size() + 2);
  const auto dashAmongOthers = test::RunCommand(
      kCli + " info --json - " + ShellQuote(dir.file(names[0])) + " </dev/null 2>/dev/null");
  EXPECT_EQ(json::parse(dashAmongOthers.output)["files"][0]["file"], "-");
}

TEST(CliTerminal, ControlCharactersReachTheTerminalEscaped) {
  test::TempDir dir;
  const std::string hostile = "retitle\x1b]0;pwned\x07-clear\x1b[2J\x7f\xc2\x9b.mp3";
  std::filesystem::copy_file(Sample("hum_11025_mono.mp3"), dir.file(hostile));
  for (const std::string& command :
       std::vector<std::string>{"info", "info --tsv", "convert --dest " + ShellQuote(dir.path())}) {
    const auto r =
        test::RunCommand(kCli + " " + command + " " + ShellQuote(dir.file(hostile)) + " 2>&1");
    EXPECT_EQ(r.output.find('\x1b'), std::string::npos) << command;
    EXPECT_EQ(r.output.find('\x07'), std::string::npos) << command;
    EXPECT_EQ(r.output.find("\xc2\x9b"), std::string::npos) << command;
    EXPECT_NE(r.output.find("retitle\\x1b]0;pwned\\x07-clear\\x1b[2J\\x7f\\xc2\\x9b"),
              std::string::npos)
        << command << ": " << r.output;
  }
  // JSON keeps the name exact (escaped as JSON does).
  const auto doc = test::RunCommand(kCli + " info --json " + ShellQuote(dir.file(hostile)));
  EXPECT_EQ(json::parse(doc.output)["files"][0]["filename"], hostile);
}

TEST(CliOutput, QuietPrintsOnlyErrorsAndVerboseShowsTheLog) {
  test::TempDir dest;
  const std::string args = " convert --dest " + ShellQuote(dest.path()) + " " +
                           ShellQuote(Sample(kSamples[0])) + " /no/such.mp3";
  const auto quiet = test::RunCommand(kCli + " --quiet" + args + " 2>&1");
  EXPECT_EQ(quiet.exitCode, 1);
  EXPECT_EQ(quiet.output.find("Ok"), std::string::npos) << quiet.output;
  EXPECT_NE(quiet.output.find("Cannot open"), std::string::npos) << quiet.output;

  const auto verbose = test::RunCommand(kCli + args + " --force --verbose 2>&1 >/dev/null");
  EXPECT_NE(
      verbose.output.find("brelvano-cli: log: Wrote file: " + dest.file("chimes_44100_joint.swf")),
      std::string::npos)
      << verbose.output;
  EXPECT_NE(verbose.output.find("brelvano-cli: log: Frame rate = 30"), std::string::npos)
      << verbose.output;
}

TEST(CliHelp, ExitStatusesExamplesAndUnknownCommands) {
  const auto help = test::RunCommand(kCli + " --help");
  EXPECT_EQ(help.exitCode, 0);
  for (const char* text :
       {"Exit status:", "130", "Examples:", "--progress", "--quiet", "--verbose"})
    EXPECT_NE(help.output.find(text), std::string::npos) << text;
  const auto unknown = test::RunCommand(kCli + " --quiet frobnicate x.mp3 2>&1");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.output.rfind(
                "brelvano-cli: unknown command \"frobnicate\" (commands: info, convert", 0),
            0u)
      << unknown.output;
  const auto badProgress = test::RunCommand(kCli + " --progress sometimes info x.mp3 2>&1");
  EXPECT_EQ(badProgress.exitCode, 2);
}

}  // namespace
}  // namespace brelvano
