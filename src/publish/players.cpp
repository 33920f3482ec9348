#include "publish/players.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/atomic_output.h"
#include "base/file_services.h"
#include "publish/swf_header.h"

namespace brelvano {

namespace fs = std::filesystem;

std::string PlayerNameFromFileName(const std::string& fileName) {
  const size_t firstDot = fileName.find('.');
  if (firstDot == std::string::npos) return {};
  const size_t secondDot = fileName.find('.', firstDot + 1);
  const std::string kind = fileName.substr(
      firstDot + 1, secondDot == std::string::npos ? std::string::npos : secondDot - firstDot - 1);
  if (kind != "swf") return {};
  return fileName.substr(0, firstDot);
}

namespace {

// Pre-order walk; links to folders are not followed, so a loop cannot trap it.
void Walk(const fs::path& folder, PlayersList& players) {
  std::error_code error;
  std::vector<fs::directory_entry> children;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    children.push_back(*it);
  std::sort(children.begin(), children.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) {
              return a.path().filename().native() < b.path().filename().native();
            });
  for (const fs::directory_entry& child : children) {
    const std::string name = PlayerNameFromFileName(child.path().filename().native());
    if (!name.empty()) players.push_back({name, child.path().native()});
    std::error_code ignored;
    if (child.is_directory(ignored) && !child.is_symlink(ignored)) Walk(child.path(), players);
  }
}

// A regular file is at the path (links followed).
bool IsRegularFileOrLinkToOne(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The new copy is made beside the destination under a name of its own
// (concurrent publishers never share one) and renamed over it, so a failed
// copy leaves the previous one in place.
bool ReplaceWithCopy(const std::string& from, const std::string& to) {
  FILE* source = OpenRegularFile(from);
  if (!source) return false;
  AtomicOutput copy(to);
  FILE* out = copy.Open();
  bool ok = out != nullptr;
  char chunk[64 * 1024];
  while (ok) {
    const size_t got = std::fread(chunk, 1, sizeof chunk, source);
    if (got > 0 && std::fwrite(chunk, 1, got, out) != got) ok = false;
    if (got < sizeof chunk) {
      if (std::ferror(source)) ok = false;
      break;
    }
  }
  std::fclose(source);
  return ok && copy.Commit();
}

}  // namespace

PlayersList ScanPlayersFolders(const std::vector<std::string>& folders) {
  PlayersList players;
  for (const std::string& folder : folders) {
    if (!folder.empty()) Walk(fs::path(folder), players);
  }
  return players;
}

std::string CustomPlayersFolder(const std::string& home) { return home + "/Library/Brelvano"; }

std::string ResourcePlayersFolder(const std::string& executablePath) {
  std::vector<std::string> candidates;
  if (!executablePath.empty()) {
    candidates.push_back(
        (fs::path(executablePath).parent_path() / ".." / "share" / "brelvano" / "players")
            .lexically_normal()
            .native());
  }
#ifdef BRELVANO_BUILD_PLAYERS_DIR
  candidates.push_back(BRELVANO_BUILD_PLAYERS_DIR);  // holds the generated player movie
#endif
#ifdef BRELVANO_INSTALL_PLAYERS_DIR
  candidates.push_back(BRELVANO_INSTALL_PLAYERS_DIR);
#endif
#ifdef BRELVANO_SOURCE_PLAYERS_DIR
  candidates.push_back(BRELVANO_SOURCE_PLAYERS_DIR);
#endif
  for (const std::string& candidate : candidates) {
    std::error_code error;
    if (fs::is_directory(candidate, error)) return candidate;
  }
  return {};
}

bool CopyPlayer(const PlayersList& players, const std::string& name, const std::string& folder,
                int32_t* width, int32_t* height) {
  const auto found = std::find_if(players.begin(), players.end(),
                                  [&](const PlayerFile& player) { return player.name == name; });
  if (found == players.end() || found->path.empty()) return false;
  const std::string destination = folder + "/" + name + ".swf";

  bool ok;
  const std::optional<int64_t> installed = ModificationTime(found->path);
  const std::optional<int64_t> copy = ModificationTime(destination);
  if (copy && !IsRegularFileOrLinkToOne(destination)) {
    ok = false;  // a folder or FIFO by the copy's name: never read, never replaced
  } else if (copy) {
    if (installed && *installed > *copy) {
      ok = ReplaceWithCopy(found->path, destination);
    } else {
      ok = true;  // the copy is as new as the installed player
    }
  } else {
    ok = ReplaceWithCopy(found->path, destination);
  }

  if (const std::optional<SwfHeaderInfo> size = ReadSwfHeader(destination)) {
    if (width) *width = size->width;
    if (height) *height = size->height;
  }
  return ok;
}

}  // namespace brelvano
