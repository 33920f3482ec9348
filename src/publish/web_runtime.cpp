#include "publish/web_runtime.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/atomic_output.h"

namespace brelvano {

namespace fs = std::filesystem;

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}
bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ReadWhole(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  AtomicOutput writer(path);
  FILE* out = writer.Open();
  if (!out) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), bytes.size(), 1, out) != 1) return false;
  return writer.Commit();
}

}  // namespace

bool IsWebRuntimeFile(const std::string& fileName) {
  if (fileName == "ruffle.js") return true;
  if (StartsWith(fileName, "core.ruffle.") && EndsWith(fileName, ".js")) return true;
  return fileName.size() > 5 && EndsWith(fileName, ".wasm");
}

std::vector<std::string> WebRuntimeFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) continue;
    const std::string name = it->path().filename().native();
    if (IsWebRuntimeFile(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  const bool loader = std::find(names.begin(), names.end(), "ruffle.js") != names.end();
  const bool core = std::any_of(names.begin(), names.end(),
                                [](const std::string& n) { return StartsWith(n, "core.ruffle."); });
  const bool wasm = std::any_of(names.begin(), names.end(),
                                [](const std::string& n) { return EndsWith(n, ".wasm"); });
  if (!loader || !core || !wasm) names.clear();
  return names;
}

std::string WebRuntimeFolder(const std::string& executablePath) {
  std::vector<std::string> candidates;
  if (!executablePath.empty()) {
    candidates.push_back((fs::path(executablePath).parent_path() / ".." / "share" / "brelvano" /
                          kWebRuntimeFolderName)
                             .lexically_normal()
                             .native());
  }
#ifdef BRELVANO_INSTALL_RUFFLE_DIR
  candidates.push_back(BRELVANO_INSTALL_RUFFLE_DIR);
#endif
#ifdef BRELVANO_SOURCE_RUFFLE_DIR
  candidates.push_back(BRELVANO_SOURCE_RUFFLE_DIR);
#endif
  for (const std::string& candidate : candidates) {
    if (!WebRuntimeFiles(candidate).empty()) return candidate;
  }
  return {};
}

std::string DefaultWebRuntimeFolder() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return WebRuntimeFolder(error ? std::string() : self.native());
}

WebRuntimeCopy CopyWebRuntime(const std::string& fromFolder, const std::string& destFolder) {
  const std::vector<std::string> names =
      fromFolder.empty() ? std::vector<std::string>{} : WebRuntimeFiles(fromFolder);
  if (names.empty()) return WebRuntimeCopy::kMissing;
  const std::string target = destFolder + "/" + kWebRuntimeFolderName;
  std::error_code error;
  fs::create_directories(target, error);
  if (error) return WebRuntimeCopy::kFailed;
  for (const std::string& name : names) {
    std::string bytes;
    if (!ReadWhole(std::string(fromFolder).append("/").append(name), &bytes)) return WebRuntimeCopy::kMissing;
    std::string present;
    const std::string to = std::string(target).append("/").append(name);
    if (ReadWhole(to, &present) && present == bytes) continue;
    if (!WriteWhole(to, bytes)) return WebRuntimeCopy::kFailed;
  }
  return WebRuntimeCopy::kCopied;
}

void WriteWebRuntimeScript(FILE* stream) {
  std::fputs(
      "<script>window.RufflePlayer = window.RufflePlayer || {};\n"
      "window.RufflePlayer.config = {preferredRenderer: \"webgl\"};</script>\n",
      stream);
  std::fprintf(stream, "<script src=\"%s/ruffle.js\"></script>\n", kWebRuntimeFolderName);
}

}  // namespace brelvano
