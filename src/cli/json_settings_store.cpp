#include "cli/json_settings_store.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/atomic_output.h"

namespace brelvano::cli {

std::string SettingsFilePath(const std::string& home) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : home + "/.config";
  return base + "/brelvano/settings.json";
}

JsonSettingsStore::JsonSettingsStore(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  std::stringstream text;
  text << in.rdbuf();
  nlohmann::json parsed = nlohmann::json::parse(text.str(), nullptr, false);
  if (parsed.is_object()) values_ = std::move(parsed);
}

std::optional<int64_t> JsonSettingsStore::integer(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end() || !found->is_number_integer()) return std::nullopt;
  if (found->is_number_unsigned()) {
    const uint64_t value = found->get<uint64_t>();
    if (value > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
    return static_cast<int64_t>(value);
  }
  return found->get<int64_t>();
}

std::optional<std::string> JsonSettingsStore::text(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::optional<std::vector<std::string>> JsonSettingsStore::texts(const std::string& key) const {
  const auto found = values_.find(key);
  if (found == values_.end() || !found->is_array()) return std::nullopt;
  std::vector<std::string> result;
  for (const auto& item : *found) {
    if (!item.is_string()) return std::nullopt;
    result.push_back(item.get<std::string>());
  }
  return result;
}

void JsonSettingsStore::setInteger(const std::string& key, int64_t value) { values_[key] = value; }

void JsonSettingsStore::setText(const std::string& key, const std::string& value) {
  values_[key] = value;
}

void JsonSettingsStore::setTexts(const std::string& key, const std::vector<std::string>& values) {
  values_[key] = values;
}

bool JsonSettingsStore::synchronize() {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
  // Text that is not valid UTF-8 is written with U+FFFD rather than refused.
  const std::string text =
      values_.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  AtomicOutput writer(path_);
  FILE* file = writer.Open();
  if (!file) return false;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) return false;
  return writer.Commit(true);
}

}  // namespace brelvano::cli
