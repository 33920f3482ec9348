// The user settings a new project starts from, and the recent projects:
// QSettings in the window, a small file under $XDG_CONFIG_HOME/brelvano in the CLI.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelvano {

// Keys.
inline constexpr const char* kDefaultsFrameRate = "FrameRate";
inline constexpr const char* kDefaultsMaxTime = "MaxTime";
inline constexpr const char* kDefaultsDestFolder = "DestFolder";
inline constexpr const char* kDefaultsCurrentPlayer = "CurrentPlayer";
inline constexpr const char* kDefaultsPublishFlags = "PublishFlags";
inline constexpr const char* kDefaultsRecentProjects = "recentProjects";
inline constexpr const char* kDefaultsSpectrum = "Spectrum";
inline constexpr const char* kDefaultsGenerateHTML = "GenerateHTML";
inline constexpr const char* kDefaultsUseHtmlTemplate = "UseHtmlTemplate";
inline constexpr const char* kDefaultsMusicDir = "musicDir";
inline constexpr const char* kDefaultsProjectDir = "projectDir";

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Nothing when the key is absent (or holds another type).
  virtual std::optional<int64_t> integer(const std::string& key) const = 0;
  virtual std::optional<std::string> text(const std::string& key) const = 0;
  virtual std::optional<std::vector<std::string>> texts(const std::string& key) const = 0;
  virtual void setInteger(const std::string& key, int64_t value) = 0;
  virtual void setText(const std::string& key, const std::string& value) = 0;
  virtual void setTexts(const std::string& key, const std::vector<std::string>& values) = 0;
  // Writes the settings to disk; false when that failed.
  virtual bool synchronize() = 0;
};

}  // namespace brelvano
