// New, open, save and save as; the recent list; what a failed open or save leaves.
#include <gtest/gtest.h>

#include "application/application_fixture.h"

namespace brelvano {
namespace {

using test::ApplicationTest;

TEST_F(ApplicationTest, RecentListRule) {
  const std::vector<std::string> six = {"/p/1.brv", "/p/2.brv", "/p/3.brv",
                                        "/p/4.brv", "/p/5.brv", "/p/6.brv"};
  store.setTexts(kDefaultsRecentProjects, six);
  BrelvanoApplication& a = Make();
  // A new name goes to the front; the last old entry drops off.
  ASSERT_TRUE(a.saveProjectAs(dir.file("new.brv")));
  EXPECT_EQ(a.recentProjects(),
            (std::vector<std::string>{dir.file("new.brv"), "/p/1.brv", "/p/2.brv", "/p/3.brv",
                                      "/p/4.brv", "/p/5.brv"}));
  EXPECT_EQ(observer.recent, a.recentProjects());
  // Saving again under the same name changes nothing.
  ASSERT_TRUE(a.saveProject());
  EXPECT_EQ(a.recentProjects().front(), dir.file("new.brv"));
  EXPECT_EQ(a.recentProjects().size(), 6u);
}

TEST_F(ApplicationTest, OpeningARecentEntryMovesItToTheFront) {
  BrelvanoApplication& a = Make();
  std::vector<std::string> paths;
  for (const char* name : {"e.brv", "d.brv", "c.brv", "b.brv", "a.brv"}) {
    ASSERT_TRUE(a.saveProjectAs(dir.file(name)));
    paths.insert(paths.begin(), dir.file(name));
  }
  ASSERT_EQ(a.recentProjects(), paths);  // a b c d e
  ASSERT_TRUE(a.openRecent(2));          // c
  EXPECT_EQ(a.recentProjects(),
            (std::vector<std::string>{paths[2], paths[0], paths[1], paths[3], paths[4]}));
  EXPECT_EQ(a.projectFilename(), paths[2]);
  EXPECT_EQ(a.title(), "c.brv");
  ASSERT_TRUE(a.openRecent(0));  // the first: unchanged
  EXPECT_EQ(a.recentProjects(),
            (std::vector<std::string>{paths[2], paths[0], paths[1], paths[3], paths[4]}));
  // An entry whose file has gone stays, and fails when chosen.
  std::filesystem::remove(paths[4]);
  AlertText alert;
  EXPECT_FALSE(a.openRecent(4, &alert));
  EXPECT_EQ(alert.message, "Can't open Project");
  EXPECT_EQ(a.recentProjects().size(), 5u);
}

TEST_F(ApplicationTest, AFailedOpenLeavesEverythingAsItWas) {
  BrelvanoApplication& a = Make();
  AddTracks(2);
  ProjectSettings s = a.settings();
  s.fps = 12;
  a.changeSetting(SettingControl::kFps, s);
  ASSERT_TRUE(a.saveProjectAs(dir.file("good.brv")));
  a.editTags(0, "Edited", "", "");
  a.getProjectFromGUI();

  test::WriteText(dir.file("damaged.brv"),
                  "<?xml version=\"1.0\"?>\n<Brelvano version=\"1.6\" fileVersion=\"1.0\" "
                  "build=\"2007.02.23\">\n"
                  "<mp3list><mp3 file=\"/x.mp3\"/>\n</Brelvano>\n");
  test::WriteText(dir.file("other-root.brv"),
                  "<Project version=\"1.6\" fileVersion=\"1.0\" build=\"2007\"/>");
  // Why a file cannot be opened is the reader's own test; here, what stays.
  const std::pair<std::string, std::string> cases[] = {
      {dir.file("damaged.brv"), "XML error at line 4, column 2: mismatched tag"},
      {dir.file("other-root.brv"), "not a Brelvano project"},
  };
  for (const auto& [path, reason] : cases) {
    const ProjectRecord before = a.project();
    const std::vector<std::string> names = Names();
    observer.events.clear();
    AlertText alert;
    EXPECT_FALSE(a.openProjectFile(path, &alert)) << path;
    EXPECT_EQ(alert.message, "Can't open Project");
    EXPECT_EQ(alert.informative, "Project file may not be readible or content is corrupt.");
    EXPECT_EQ(alert.button, "Continue");
    EXPECT_EQ(alert.style, AlertStyle::kCritical);
    EXPECT_EQ(alert.reason.substr(0, reason.size()), reason) << alert.reason;
    EXPECT_EQ(a.project().fps, before.fps);
    EXPECT_EQ(a.project().destDir, before.destDir);
    EXPECT_EQ(a.project().publishFlags, before.publishFlags);
    EXPECT_EQ(Names(), names);
    EXPECT_STREQ(a.track(0).prop.id3.song, "Edited");
    EXPECT_EQ(a.projectFilename(), dir.file("good.brv"));
    EXPECT_TRUE(a.edited());
    EXPECT_TRUE(observer.events.empty());
    EXPECT_EQ(a.recentProjects().front(), dir.file("good.brv"));
  }
}

TEST_F(ApplicationTest, OpenRescansAndShowsWhatIsGone) {
  BrelvanoApplication& a = Make();
  AddTracks(3);
  a.editTags(1, "Kept", "", "");
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  std::filesystem::remove(dir.file("music/t0.mp3"));
  test::WriteText(dir.file("music/t2.mp3"), std::string(4000, '\0'));
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/t1.swf", "x");

  BrelvanoApplication& b = Make();
  ASSERT_TRUE(b.openProjectFile(dir.file("p.brv")));
  EXPECT_EQ(b.cellText("Status", 0), "Cannot open");  // not an empty status
  EXPECT_EQ(b.cellText("Status", 1), "Ok");
  EXPECT_EQ(b.cellText("Title", 1), "Kept");
  EXPECT_NE(b.cellText("Status", 2), "");
  EXPECT_TRUE(b.alreadySaved());
  EXPECT_FALSE(b.edited());
  EXPECT_FALSE(b.editedMarkShown());
  EXPECT_TRUE(observer.Saw("reset"));
  EXPECT_TRUE(observer.Saw("title p.brv"));
  EXPECT_EQ(observer.events.back(), "recent");
}

TEST_F(ApplicationTest, AProjectWithoutFolderHasNoDestination) {
  test::WriteText(dir.file("nofolder.brv"),
                  "<Brelvano version=\"1.6\" fileVersion=\"1.0\" build=\"2007.02.23\">"
                  "<publish fps=\"20\"/><mp3list/></Brelvano>");
  BrelvanoApplication& a = Make();
  ASSERT_TRUE(a.openProjectFile(dir.file("nofolder.brv")));
  EXPECT_EQ(a.project().destDir, "");
  EXPECT_EQ(a.project().fps, 20);
  EXPECT_EQ(a.project().publishFlags, 115u);  // what the file lacks keeps its value
}

TEST_F(ApplicationTest, AFailedSaveIsReportedAndStaysEdited) {
  BrelvanoApplication& a = Make();
  AddTracks(1);
  AlertText alert;
  EXPECT_FALSE(a.saveProjectAs(dir.file("no/such/folder/p.brv"), &alert));
  EXPECT_EQ(alert.message, "Can't save Project");
  EXPECT_NE(alert.reason.find("No such file or directory"), std::string::npos) << alert.reason;
  EXPECT_TRUE(a.edited());
  EXPECT_FALSE(a.alreadySaved());
  EXPECT_EQ(a.projectFilename(), "NoTitle.brv");
  EXPECT_TRUE(a.recentProjects().empty());

  // A titled project whose file has become a folder: the save fails, even for root.
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  a.editTags(0, "x", "", "");
  std::filesystem::remove(dir.file("p.brv"));
  std::filesystem::create_directories(dir.file("p.brv/inside"));
  EXPECT_FALSE(a.saveProject(&alert));
  EXPECT_TRUE(a.edited());
  EXPECT_EQ(observer.events.back(), "edited 1 mark");
  EXPECT_FALSE(alert.reason.empty());
  std::filesystem::remove_all(dir.file("p.brv"));
  EXPECT_TRUE(a.saveProject());
  EXPECT_FALSE(a.edited());
}

TEST_F(ApplicationTest, NewProjectStartsAgainFromTheDefaults) {
  BrelvanoApplication& a = Make();
  AddTracks(2);
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  observer.events.clear();
  a.newProject();
  EXPECT_EQ(a.trackCount(), 0);
  EXPECT_EQ(a.projectFilename(), "NoTitle.brv");
  EXPECT_FALSE(a.alreadySaved());
  EXPECT_FALSE(a.edited());
  EXPECT_TRUE(a.editedMarkShown());
  EXPECT_TRUE(observer.Saw("reset"));
  EXPECT_TRUE(observer.Saw("settings"));
  EXPECT_EQ(observer.events.back(), "edited 0 mark");
  EXPECT_EQ(a.recentProjects(), std::vector<std::string>{dir.file("p.brv")});  // stays in memory
}

}  // namespace
}  // namespace brelvano
