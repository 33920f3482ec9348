// The user defaults as QSettings: $XDG_CONFIG_HOME/brelvano/brelvano.conf
// unless a test hands in a settings file of its own.
#pragma once

#include <QSettings>
#include <memory>

#include "application/settings_store.h"

namespace brelvano {

class QtSettingsStore : public SettingsStore {
 public:
  // The standard place for organisation and application "brelvano".
  QtSettingsStore();
  // A file of its own (INI format).
  explicit QtSettingsStore(const QString& fileName);

  std::optional<int64_t> integer(const std::string& key) const override;
  std::optional<std::string> text(const std::string& key) const override;
  std::optional<std::vector<std::string>> texts(const std::string& key) const override;
  void setInteger(const std::string& key, int64_t value) override;
  void setText(const std::string& key, const std::string& value) override;
  void setTexts(const std::string& key, const std::vector<std::string>& values) override;
  bool synchronize() override;

  QSettings& settings() { return *settings_; }

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace brelvano
