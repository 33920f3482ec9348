// The players list, the player test page, and publishing through the application.
#include <gtest/gtest.h>

#include "application/application_fixture.h"

namespace brelvano {
namespace {

using test::ApplicationTest;

std::vector<std::string> PlayerNames(const BrelvanoApplication& a) {
  std::vector<std::string> names;
  for (const PlayerFile& p : a.players()) names.push_back(p.name);
  return names;
}

TEST_F(ApplicationTest, PlayersBundledFirstAndTheSelectionKept) {
  test::WriteText(dir.file("custom/mine.swf.bak"), "x");
  test::WriteText(dir.file("custom/my.player.swf"), "x");
  test::WriteText(dir.file("custom/Basic.swf"), "x");
  BrelvanoApplication& a = Make();
  EXPECT_EQ(PlayerNames(a), (std::vector<std::string>{"Basic", "Basic", "Mine", "mine"}));
  ProjectSettings s = a.settings();
  s.player = "mine";
  a.changeSetting(SettingControl::kPlayer, s);
  observer.events.clear();
  a.buildPlayersMenus();
  EXPECT_EQ(a.settings().player, "mine");
  EXPECT_TRUE(observer.Saw("players"));
  std::filesystem::remove(dir.file("custom/mine.swf.bak"));
  a.buildPlayersMenus();
  EXPECT_EQ(a.settings().player, "Basic");  // gone: the first
}

TEST_F(ApplicationTest, PlayerTestPage) {
  BrelvanoApplication& a = Make();
  AddTracks(3);
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/t1.swf", "x");
  std::filesystem::create_directories(dir.file("test"));

  // Two selected, one converted: a page with a playlist of one.
  PlayerTestPage page = a.testInPlayer("Mine", {0, 1}, dir.file("test"));
  EXPECT_TRUE(page.ok);
  EXPECT_EQ(console.text.substr(console.text.rfind("Test with")), "Test with Mine\n");
  EXPECT_EQ(page.pagePath, dir.file("test/index.html"));
  EXPECT_EQ(page.width, 300);
  EXPECT_EQ(page.height, 40);
  EXPECT_TRUE(test::FileExists(dir.file("test/Mine.swf")));
  const std::string html = test::ReadText(page.pagePath);
  EXPECT_EQ(html.substr(0, 14), "<html>\n<body>\n");
  EXPECT_NE(html.find("width=\"300\" height=\"40\""), std::string::npos);
  const std::string playlist = test::ReadText(dir.file("test/playlist.xml"));
  EXPECT_NE(playlist.find("file://" + a.project().destDir + "/t1.swf"), std::string::npos)
      << playlist;
  EXPECT_EQ(playlist.find("t0.swf"), std::string::npos);

  // None converted, or nothing selected: the alert.
  for (const std::vector<int32_t>& rows : {std::vector<int32_t>{0, 2}, std::vector<int32_t>{}}) {
    page = a.testInPlayer("Basic", rows, dir.file("test"));
    EXPECT_FALSE(page.ok);
    EXPECT_EQ(page.alert.message, "Test in Player");
    EXPECT_EQ(page.alert.informative, "Please make ONE selection in list first.");
    EXPECT_EQ(page.alert.button, "Ok");
  }
  // A player whose frame size cannot be read: -1 each, written as 100%.
  test::WriteText(dir.file("custom/Broken.swf"), "not a movie");
  a.buildPlayersMenus();
  page = a.testInPlayer("Broken", {1}, dir.file("test"));
  EXPECT_EQ(page.width, -1);
  EXPECT_NE(test::ReadText(page.pagePath).find("width=\"100%\" height=\"100%\""),
            std::string::npos);
}

TEST_F(ApplicationTest, PublishCreatesTheDefaultFolderAndRefusesNone) {
  BrelvanoApplication& a = Make();
  AddTracks(2);
  // Nothing exists yet at "~/Brelvano": the publish makes it.
  ASSERT_FALSE(test::FileExists(dir.file("Brelvano")));
  AlertText refusal;
  PublishOutcome outcome = a.publish(false, nullptr, nullptr, &refusal);
  EXPECT_TRUE(refusal.message.empty());
  EXPECT_EQ(outcome.converted, 2);
  EXPECT_EQ(outcome.published >> 8, 2);
  for (const char* name : {"t0.swf", "t1.swf", "playlist.xml", "index.html", "Basic.swf"})
    EXPECT_TRUE(test::FileExists(dir.file(std::string("Brelvano/") + name))) << name;
  EXPECT_FALSE(test::FileExists(dir.file("index.html")));  // the home folder itself is left alone
  EXPECT_EQ(a.cellText("Status", 0), "Ok");
  EXPECT_TRUE(observer.Saw("changed 0..1"));

  // A destination that cannot be made is refused before anything is written
  // (an empty one is refused by the publisher itself).
  test::WriteText(dir.file("file"), "x");
  ProjectSettings s = a.settings();
  s.destFolder = dir.file("file/sub");
  a.changeSetting(SettingControl::kDestFolder, s);
  outcome = a.publish(true, nullptr, nullptr, &refusal);
  EXPECT_EQ(refusal.message, "Can't publish");
  EXPECT_EQ(outcome.converted, 0);
  EXPECT_EQ(outcome.published, 0);
}

TEST_F(ApplicationTest, ForceConversionControlForcesThePublish) {
  BrelvanoApplication& a = Make();
  AddTracks(1);
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/t0.swf", "old");
  EXPECT_EQ(a.publish(false, nullptr, nullptr).converted, 0);
  EXPECT_EQ(test::ReadText(a.project().destDir + "/t0.swf"), "old");
  ProjectSettings s = a.settings();
  s.forceConversion = true;
  a.changeSetting(SettingControl::kForceConversion, s);
  EXPECT_EQ(a.publish(false, nullptr, nullptr).converted, 1);
  EXPECT_NE(test::ReadText(a.project().destDir + "/t0.swf"), "old");
}

}  // namespace
}  // namespace brelvano
