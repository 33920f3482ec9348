// The CLI's settings file: where it lives, what it keeps, what a damaged one gives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli/json_settings_store.h"
#include "support/text_file.h"

namespace brelvano::cli {
namespace {

using test::TempDir;

TEST(JsonSettingsStore, PathFollowsXdgConfigHome) {
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string keep = saved ? saved : "";
  const std::pair<const char*, std::string> cases[] = {
      {"/cfg", "/cfg/brelvano/settings.json"},
      {"", "/home/u/.config/brelvano/settings.json"},
      {"relative", "/home/u/.config/brelvano/settings.json"},  // only absolute paths count
      {nullptr, "/home/u/.config/brelvano/settings.json"},
  };
  for (const auto& [xdg, path] : cases) {
    if (xdg)
      setenv("XDG_CONFIG_HOME", xdg, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsFilePath("/home/u"), path) << (xdg ? xdg : "(unset)");
  }
  if (saved)
    setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

TEST(JsonSettingsStore, KeepsEachKindAndWritesAWholeFile) {
  TempDir dir;
  const std::string path = dir.file("config/brelvano/settings.json");
  {
    JsonSettingsStore store(path);  // no file yet: empty
    EXPECT_FALSE(store.integer("FrameRate"));
    store.setInteger("PublishFlags", 4294967295);
    store.setText("DestFolder", "/srv/caf\xC3\xA9");
    store.setTexts("recentProjects", {"/a.brv", "/b.brv"});
    ASSERT_TRUE(store.synchronize());  // makes the folders
  }
  JsonSettingsStore store(path);
  EXPECT_EQ(store.integer("PublishFlags"), 4294967295);
  EXPECT_EQ(store.text("DestFolder"), "/srv/caf\xC3\xA9");
  EXPECT_EQ(store.texts("recentProjects"), (std::vector<std::string>{"/a.brv", "/b.brv"}));
  // A key of another kind reads as absent.
  EXPECT_FALSE(store.text("PublishFlags"));
  EXPECT_FALSE(store.integer("DestFolder"));
  EXPECT_FALSE(store.texts("DestFolder"));
  // No temporary file is left beside it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.file("config/brelvano"))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(JsonSettingsStore, DamagedFilesGiveEmptySettings) {
  TempDir dir;
  for (const char* text :
       {"", "{", "[1,2]", "\"text\"", "{\"FrameRate\": \"x\", \"recentProjects\": [1]}",
        "{\"FrameRate\": 1e400}"}) {
    test::WriteText(dir.file("settings.json"), text);
    JsonSettingsStore store(dir.file("settings.json"));
    EXPECT_FALSE(store.integer("FrameRate")) << text;
    EXPECT_FALSE(store.texts("recentProjects")) << text;
    store.setInteger("FrameRate", 12);
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(JsonSettingsStore(dir.file("settings.json")).integer("FrameRate"), 12) << text;
  }
}

TEST(JsonSettingsStore, AFailedWriteLeavesTheFileAsItWas) {
  TempDir dir;
  test::WriteText(dir.file("blocker"), "x");  // a file where the folder should be
  JsonSettingsStore store(dir.file("blocker/settings.json"));
  store.setInteger("FrameRate", 12);
  EXPECT_FALSE(store.synchronize());
  EXPECT_EQ(test::ReadText(dir.file("blocker")), "x");
}

}  // namespace
}  // namespace brelvano::cli
