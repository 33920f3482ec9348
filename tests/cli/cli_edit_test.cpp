// The project editing commands, each checked by reading the project back
// through `show --json`.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/home_cli_run.h"
#include "support/test_files.h"
#include "support/text_file.h"

namespace brelvano {
namespace {

using nlohmann::json;
using test::Cli;
using test::CliRun;
using test::Sample;
using test::ShellQuote;
using test::TempDir;

json Show(const TempDir& home) {
  const CliRun r = Cli(home, "show --json p.brv");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return json::parse(r.out);
}

std::vector<std::string> Names(const json& project) {
  std::vector<std::string> names;
  for (const auto& t : project["tracks"]) names.push_back(t["filename"]);
  return names;
}

class EditCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    const CliRun r = Cli(home_, "new p.brv --dest site " + Sample("chimes_44100_joint.mp3") + " " +
                                    Sample("hum_11025_mono.mp3"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  TempDir home_;
};

TEST_F(EditCommands, AddKeepsTheMp3RuleAndAppends) {
  CliRun r = Cli(home_, "add p.brv " + Sample("pulse_44100_mono.mp3") + " notes.txt");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not added: " + home_.file("notes.txt")), std::string::npos) << r.err;
  EXPECT_EQ(Names(Show(home_)),
            (std::vector<std::string>{"chimes_44100_joint.mp3", "hum_11025_mono.mp3",
                                      "pulse_44100_mono.mp3"}));
  // From standard input, NUL-separated.
  const std::string list = test::DataFile("samples/drift_22050_stereo_vbr.mp3") + '\0';
  test::WriteFileBytes(home_.file("list"), test::Bytes(list.begin(), list.end()));
  r = Cli(home_, "add p.brv -0 - < list");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(Show(home_)).back(), "drift_22050_stereo_vbr.mp3");
}

TEST_F(EditCommands, RemoveAndMoveByNumberOrName) {
  ASSERT_EQ(Cli(home_, "add p.brv " + Sample("pulse_44100_mono.mp3")).exitCode, 0);
  CliRun r = Cli(home_, "move p.brv pulse_44100_mono.mp3 up");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(Show(home_)),
            (std::vector<std::string>{"chimes_44100_joint.mp3", "pulse_44100_mono.mp3",
                                      "hum_11025_mono.mp3"}));
  // The first track cannot go up: refused, the file unchanged.
  const auto before = test::ReadText(home_.file("p.brv"));
  r = Cli(home_, "move p.brv 1 up");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(test::ReadText(home_.file("p.brv")), before);
  r = Cli(home_, "remove p.brv 3 chimes_44100_joint.mp3");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Names(Show(home_)), std::vector<std::string>{"pulse_44100_mono.mp3"});
  for (const char* missing : {"0", "9", "nosuch.mp3"}) {
    r = Cli(home_, std::string("remove p.brv ") + missing);
    EXPECT_EQ(r.exitCode, 1) << missing;
    EXPECT_NE(r.err.find("no track"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Show(home_)["tracks"].size(), 1u);
}

TEST_F(EditCommands, TrackFormatAndTags) {
  CliRun r = Cli(home_, "track p.brv 2 --format flv --title 'Night Hum' --album 'Café'");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  json track = Show(home_)["tracks"][1];
  EXPECT_EQ(track["format"], "flv");
  EXPECT_EQ(track["output"], home_.file("site/hum_11025_mono.flv"));
  EXPECT_EQ(track["tags"]["title"], "Night Hum");
  EXPECT_EQ(track["tags"]["artist"], "Brelvano Demo");  // kept as shown
  EXPECT_EQ(track["tags"]["album"], "Café");
  EXPECT_EQ(track["tags"]["edited"], true);
  EXPECT_NE(test::ReadText(home_.file("p.brv")).find("Night Hum"), std::string::npos);

  r = Cli(home_, "track p.brv 2 --restore-tags --format default");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  track = Show(home_)["tracks"][1];
  EXPECT_EQ(track["tags"]["title"], "Low Hum");
  EXPECT_EQ(track["tags"]["edited"], false);
  EXPECT_EQ(track["format"], "default");
}

TEST_F(EditCommands, SetChangesOnlyTheSettingsGiven) {
  const json before = Show(home_)["settings"];
  CliRun r = Cli(home_, "set p.brv --fps 12 --truncate 3 --no-loop --format flv --shuffle");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  json after = Show(home_)["settings"];
  EXPECT_EQ(after["fps"], 12);
  EXPECT_EQ(after["truncate"], true);
  EXPECT_EQ(after["truncate_s"], 3);
  EXPECT_EQ(after["loop"], false);
  EXPECT_EQ(after["shuffle"], true);
  EXPECT_EQ(after["format"], "flv");
  for (const char* same :
       {"destination", "player", "spectrum", "html", "template", "autostart", "playall"})
    EXPECT_EQ(after[same], before[same]) << same;
  EXPECT_EQ(Show(home_)["tracks"][0]["output"], home_.file("site/chimes_44100_joint.flv"));

  r = Cli(home_, "set p.brv --no-truncate --loop --dest other --no-spectrum");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  after = Show(home_)["settings"];
  EXPECT_EQ(after["truncate"], false);
  EXPECT_EQ(after["destination"], home_.file("other"));

  // Usage errors exit 2, a project that cannot be read 1.
  const std::pair<const char*, int> refused[] = {{"track p.brv 2", 2},
                                                 {"track p.brv 2 --format ogg", 2},
                                                 {"set p.brv", 2},
                                                 {"set p.brv --loop --no-loop", 2},
                                                 {"set p.brv --player no-such-player", 2},
                                                 {"set missing.brv --loop", 1}};
  for (const auto& [arguments, exitCode] : refused)
    EXPECT_EQ(Cli(home_, arguments).exitCode, exitCode) << arguments;
}

TEST_F(EditCommands, PlayersListsNamesAndPaths) {
  const CliRun r = Cli(home_, "players --json");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json players = json::parse(r.out)["players"];
  ASSERT_FALSE(players.empty());
  for (const auto& p : players) EXPECT_TRUE(test::FileExists(p["path"])) << p;
  EXPECT_EQ(Show(home_)["settings"]["player"], players[0]["name"]);
}

}  // namespace
}  // namespace brelvano
