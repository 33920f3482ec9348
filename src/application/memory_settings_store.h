// Settings kept in memory only: for tests, and for runs that must not keep settings.
#pragma once

#include <map>
#include <variant>

#include "application/settings_store.h"

namespace brelvano {

class MemorySettingsStore : public SettingsStore {
 public:
  std::optional<int64_t> integer(const std::string& key) const override {
    return Get<int64_t>(key);
  }
  std::optional<std::string> text(const std::string& key) const override {
    return Get<std::string>(key);
  }
  std::optional<std::vector<std::string>> texts(const std::string& key) const override {
    return Get<std::vector<std::string>>(key);
  }
  void setInteger(const std::string& key, int64_t value) override { values_[key] = value; }
  void setText(const std::string& key, const std::string& value) override { values_[key] = value; }
  void setTexts(const std::string& key, const std::vector<std::string>& values) override {
    values_[key] = values;
  }
  bool synchronize() override { return true; }

 private:
  using Value = std::variant<int64_t, std::string, std::vector<std::string>>;
  template <typename T>
  std::optional<T> Get(const std::string& key) const {
    const auto found = values_.find(key);
    if (found == values_.end() || !std::holds_alternative<T>(found->second)) return std::nullopt;
    return std::get<T>(found->second);
  }
  std::map<std::string, Value> values_;
};

}  // namespace brelvano
