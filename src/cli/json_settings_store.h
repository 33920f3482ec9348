// The CLI's user settings: one small JSON object in
// $XDG_CONFIG_HOME/brelvano/settings.json (default ~/.config/brelvano).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "application/settings_store.h"

namespace brelvano::cli {

// The settings file's path from the environment; home is the fallback for
// $HOME/.config when XDG_CONFIG_HOME is unset, empty or not absolute.
std::string SettingsFilePath(const std::string& home);

class JsonSettingsStore : public SettingsStore {
 public:
  // Reads path; a missing or unreadable file, or one that is not a JSON
  // object, gives empty settings (and is replaced by the next synchronize).
  explicit JsonSettingsStore(std::string path);

  std::optional<int64_t> integer(const std::string& key) const override;
  std::optional<std::string> text(const std::string& key) const override;
  std::optional<std::vector<std::string>> texts(const std::string& key) const override;
  void setInteger(const std::string& key, int64_t value) override;
  void setText(const std::string& key, const std::string& value) override;
  void setTexts(const std::string& key, const std::vector<std::string>& values) override;
  // Creates the folder when needed and replaces the file as a whole (written
  // beside it, then renamed), so a crash never leaves half a file.
  bool synchronize() override;

 private:
  std::string path_;
  nlohmann::json values_ = nlohmann::json::object();
};

}  // namespace brelvano::cli
