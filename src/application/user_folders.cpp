#include "application/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace brelvano {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* user = getpwuid(getuid()); user && user->pw_dir) return user->pw_dir;
  return "/";
}

std::string DefaultDestinationFolder(const std::string& home) {
  if (home.empty() || home == "/") return "/Brelvano";
  return (home.back() == '/' ? home : home + "/") + "Brelvano";
}

}  // namespace brelvano
