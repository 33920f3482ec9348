// The setting controls, the record and the user defaults.
#include <gtest/gtest.h>

#include "application/application_fixture.h"

namespace brelvano {
namespace {

using test::ApplicationTest;

TEST_F(ApplicationTest, EmptyDefaultsGiveTheStartingProject) {
  BrelvanoApplication& a = Make();
  // The fallbacks of fps, flags, folder and player: StoredDefaultsAndTheirFallbacks.
  EXPECT_EQ(a.project().maxTime, 0);
  EXPECT_EQ(a.project().defaultFormat, 0);
  // A folder of its own in the home folder, never the home folder itself.
  EXPECT_EQ(a.settings().destFolder, dir.file("Brelvano"));
  EXPECT_EQ(a.projectFilename(), "NoTitle.brv");
  EXPECT_FALSE(a.edited());
  EXPECT_TRUE(a.editedMarkShown());  // never saved
  EXPECT_EQ(a.maxDurationText(), "(Max duration: 9m:06s)");
  EXPECT_TRUE(a.recentProjects().empty());
}

TEST_F(ApplicationTest, StoredDefaultsAndTheirFallbacks) {
  struct Case {
    int64_t frameRate;
    int64_t publishFlags;
    const char* destFolder;
    const char* player;
    int32_t fps;
    uint32_t flags;
    std::string dest;
    const char* chosenPlayer;
  };
  const Case cases[] = {
      {0, 0, "", "Nobody", 30, 115, dir.file("Brelvano"),
       "Basic"},  // stored zeros and empties fall back
      {12, 256, "/srv/site", "Mine", 12, 256, "/srv/site", "Mine"},
      {25, 1, "/x", "Basic", 25, 1, "/x", "Basic"},
  };
  for (const Case& c : cases) {
    store.setInteger(kDefaultsFrameRate, c.frameRate);
    store.setInteger(kDefaultsPublishFlags, c.publishFlags);
    store.setText(kDefaultsDestFolder, c.destFolder);
    store.setText(kDefaultsCurrentPlayer, c.player);
    BrelvanoApplication& a = Make();
    EXPECT_EQ(a.project().fps, c.fps) << c.frameRate;
    EXPECT_EQ(a.project().publishFlags, c.flags) << c.publishFlags;
    EXPECT_EQ(a.project().destDir, c.dest);
    EXPECT_EQ(a.project().player, c.chosenPlayer);
    EXPECT_EQ(a.settings().player, c.chosenPlayer);
  }
}

TEST_F(ApplicationTest, BitsEightToThirtyOneSurviveEveryCopy) {
  store.setInteger(kDefaultsPublishFlags, 256);
  BrelvanoApplication& a = Make();
  EXPECT_EQ(a.project().publishFlags, 256u);
  ProjectSettings s = a.settings();
  s.generateHTML = s.spectrum = s.loop = true;
  a.changeSetting(SettingControl::kGenerateHTML, s);
  a.getProjectFromGUI();
  EXPECT_EQ(a.project().publishFlags,
            256u | kPublishGenerateHTML | kPublishSpectrum | kPublishLoop);
  s.generateHTML = s.spectrum = s.loop = false;
  a.changeSetting(SettingControl::kGenerateHTML, s);
  a.getProjectFromGUI();
  EXPECT_EQ(a.project().publishFlags, 256u);
}

TEST_F(ApplicationTest, MaxDurationText) {
  const std::pair<int32_t, const char*> cases[] = {
      {30, "(Max duration: 9m:06s)"},    {25, "(Max duration: 10m:55s)"},
      {10, "(Max duration: 27m:18s)"},   {4, "(Max duration: 1h:08m:16s)"},
      {1, "(Max duration: 4h:33m:04s)"}, {0, ""},
  };
  for (const auto& [fps, text] : cases) EXPECT_EQ(MaxDurationText(fps), text) << fps;

  // Typing 0 keeps the label's text; 4 then 30 change it.
  BrelvanoApplication& a = Make();
  ProjectSettings s = a.settings();
  for (const auto& [fps, shown] : {std::pair<int32_t, const char*>{4, "(Max duration: 1h:08m:16s)"},
                                   {0, "(Max duration: 1h:08m:16s)"},
                                   {30, "(Max duration: 9m:06s)"}}) {
    s.fps = fps;
    a.changeSetting(SettingControl::kFpsStepper, s);
    EXPECT_EQ(a.maxDurationText(), shown) << fps;
    EXPECT_TRUE(a.edited());
  }
}

TEST_F(ApplicationTest, ControlStatesFollowTheControls) {
  BrelvanoApplication& a = Make();
  ProjectSettings s = a.settings();
  ControlStates states = a.controlStates({});
  EXPECT_FALSE(states.trackActionsEnabled);
  EXPECT_FALSE(states.publishEnabled);
  EXPECT_TRUE(states.useTemplateEnabled);  // HTML is on by default
  EXPECT_FALSE(states.maxTimeEnabled);
  EXPECT_FALSE(states.maxDurationHidden);
  EXPECT_FALSE(states.folderPreviewEnabled);

  s.generateHTML = false;
  s.truncate = true;
  s.exportFormat = 1;
  a.changeSetting(SettingControl::kExportFormat, s);
  AddTracks(1);
  states = a.controlStates({0});
  EXPECT_TRUE(states.trackActionsEnabled);
  EXPECT_TRUE(states.publishEnabled);
  EXPECT_FALSE(states.useTemplateEnabled);
  EXPECT_TRUE(states.maxTimeEnabled);
  EXPECT_TRUE(states.maxDurationHidden);  // FLV
  s.exportFormat = 0;
  a.changeSetting(SettingControl::kExportFormat, s);
  EXPECT_FALSE(a.controlStates({}).maxDurationHidden);

  // The folder preview follows the record: the player, as no page is made.
  std::filesystem::create_directories(a.project().destDir);
  test::WriteText(a.project().destDir + "/Basic.swf", "x");
  EXPECT_TRUE(a.controlStates({}).folderPreviewEnabled);
  EXPECT_EQ(a.folderPreviewPath(), a.project().destDir + "/Basic.swf");
}

TEST_F(ApplicationTest, TruncateOffStoresNoMaxTime) {
  BrelvanoApplication& a = Make();
  ProjectSettings s = a.settings();
  s.maxTime = 90;
  s.truncate = false;
  a.changeSetting(SettingControl::kMaxTime, s);
  a.getProjectFromGUI();
  EXPECT_EQ(a.project().maxTime, 0);
  s.truncate = true;
  a.changeSetting(SettingControl::kTruncate, s);
  a.getProjectFromGUI();
  EXPECT_EQ(a.project().maxTime, 90);
  EXPECT_NE(a.project().publishFlags & kPublishTruncate, 0u);
}

TEST_F(ApplicationTest, ForceConversionTicks) {
  struct Case {
    SettingControl control;
    bool ticksWithTracks;
    bool marksEdited;
  };
  const Case cases[] = {
      {SettingControl::kFps, true, true},          {SettingControl::kFpsStepper, true, true},
      {SettingControl::kExportFormat, true, true}, {SettingControl::kSpectrum, true, true},
      {SettingControl::kTruncate, true, true},     {SettingControl::kMaxTime, true, true},
      {SettingControl::kLoop, false, true},        {SettingControl::kGenerateHTML, false, true},
      {SettingControl::kPlayer, false, true},      {SettingControl::kDestFolder, false, false},
  };
  for (const Case& c : cases) {
    for (const bool withTracks : {false, true}) {
      BrelvanoApplication& a = Make();
      if (withTracks) {
        AddTracks(1);
        ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
      }
      ASSERT_FALSE(a.edited());
      a.changeSetting(c.control, a.settings());
      EXPECT_EQ(a.settings().forceConversion, withTracks && c.ticksWithTracks)
          << static_cast<int>(c.control) << " tracks " << withTracks;
      EXPECT_EQ(a.edited(), c.marksEdited) << static_cast<int>(c.control);
    }
  }
}

TEST_F(ApplicationTest, LoadingAProjectUnticksForceConversion) {
  BrelvanoApplication& a = Make();
  AddTracks(1);
  ProjectSettings s = a.settings();
  s.spectrum = false;
  a.changeSetting(SettingControl::kSpectrum, s);
  ASSERT_TRUE(a.settings().forceConversion);
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  ASSERT_TRUE(a.openProjectFile(dir.file("p.brv")));
  EXPECT_FALSE(a.settings().forceConversion);
  EXPECT_FALSE(a.settings().spectrum);
}

TEST_F(ApplicationTest, SaveDefaultsWritesTheWindowsKeys) {
  BrelvanoApplication& a = Make();
  ProjectSettings s = a.settings();
  s.destFolder = "/srv/music";
  s.player = "Mine";
  s.spectrum = false;
  s.useTemplate = true;
  a.changeSetting(SettingControl::kPlayer, s);
  ASSERT_TRUE(a.saveProjectAs(dir.file("p.brv")));
  ASSERT_TRUE(a.saveDefaults());
  EXPECT_EQ(store.text(kDefaultsDestFolder), "/srv/music");
  EXPECT_EQ(store.text(kDefaultsCurrentPlayer), "Mine");
  EXPECT_EQ(store.integer(kDefaultsSpectrum), 0);
  EXPECT_EQ(store.integer(kDefaultsGenerateHTML), 1);
  EXPECT_EQ(store.integer(kDefaultsUseHtmlTemplate), 1);
  EXPECT_EQ(store.texts(kDefaultsRecentProjects), std::vector<std::string>{dir.file("p.brv")});
  // Read but never written.
  EXPECT_FALSE(store.integer(kDefaultsFrameRate));
  EXPECT_FALSE(store.integer(kDefaultsPublishFlags));
  // The next start reads them back.
  BrelvanoApplication& b = Make();
  EXPECT_EQ(b.project().player, "Mine");
  EXPECT_EQ(b.recentProjects(), std::vector<std::string>{dir.file("p.brv")});
}

}  // namespace
}  // namespace brelvano
