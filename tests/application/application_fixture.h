// An application over a scratch home folder, an in-memory settings store and
// recording console and observer, with two players folders.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "application/brelvano_application.h"
#include "application/memory_settings_store.h"
#include "support/test_files.h"
#include "support/text_file.h"

namespace brelvano::test {

class RecordingConsole : public ConsoleOutput {
 public:
  void write(const std::string& line) override { text += line; }
  std::string text;
};

// Every notification as one short line, in order.
class RecordingObserver : public ApplicationObserver {
 public:
  void rowsInserted(int32_t first, int32_t last) override { Add("inserted", first, last); }
  void rowsRemoved(int32_t first, int32_t last) override { Add("removed", first, last); }
  void rowsChanged(int32_t first, int32_t last) override { Add("changed", first, last); }
  void tracksReset() override { events.push_back("reset"); }
  void settingsChanged() override { events.push_back("settings"); }
  void editedChanged(bool edited, bool markShown) override {
    events.push_back(std::string("edited ") + (edited ? "1" : "0") + (markShown ? " mark" : ""));
  }
  void titleChanged(const std::string& title) override { events.push_back("title " + title); }
  void recentProjectsChanged(const std::vector<std::string>& paths) override {
    recent = paths;
    events.push_back("recent");
  }
  void playersChanged() override { events.push_back("players"); }

  bool Saw(const std::string& event) const {
    for (const auto& e : events)
      if (e == event) return true;
    return false;
  }
  std::vector<std::string> events;
  std::vector<std::string> recent;

 private:
  void Add(const char* what, int32_t first, int32_t last) {
    events.push_back(std::string(what) + " " + std::to_string(first) + ".." + std::to_string(last));
  }
};

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    savedHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", dir.path().c_str(), 1);
    fs::create_directories(dir.file("bundled"));
    fs::create_directories(dir.file("custom"));
    fs::copy_file(std::string(BRELVANO_SOURCE_PLAYERS_DIR) + "/brelvano_mini.swf",
                  dir.file("bundled/Basic.swf"));
    fs::copy_file(std::string(BRELVANO_SOURCE_PLAYERS_DIR) + "/brelvano_mini.swf",
                  dir.file("custom/Mine.swf"));
  }
  void TearDown() override { setenv("HOME", savedHome_.c_str(), 1); }

  BrelvanoApplication& Make() {
    app = std::make_unique<BrelvanoApplication>(
        store, &console, PlayersFolders{dir.file("bundled"), dir.file("custom")});
    app->setObserver(&observer);
    return *app;
  }
  // A copy of a committed sample under the scratch folder, by a name of our choosing.
  std::string Track(const std::string& name, const std::string& sample = "hum_11025_mono.mp3") {
    std::filesystem::create_directories(dir.file("music"));
    const std::string path = dir.file("music/" + name);
    std::filesystem::copy_file(DataFile("samples/" + sample), path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
  }
  // Adds n tracks t0.mp3 .. t<n-1>.mp3.
  void AddTracks(int n) {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) paths.push_back(Track("t" + std::to_string(i) + ".mp3"));
    ASSERT_EQ(app->addFiles(paths), n);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int32_t i = 0; i < app->trackCount(); ++i) names.push_back(app->cellText("Filename", i));
    return names;
  }

  TempDir dir;
  MemorySettingsStore store;
  RecordingConsole console;
  RecordingObserver observer;
  std::unique_ptr<BrelvanoApplication> app;

 private:
  std::string savedHome_;
};

}  // namespace brelvano::test
