// The installed Flash player movies: finding them and copying one into a
// publish folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brelvano {

struct PlayerFile {
  std::string name;  // shown to the user and kept in the project: file name up to its first "."
  std::string path;  // full path of the installed movie
};
// In the order found; a name may occur more than once, the first one wins.
using PlayersList = std::vector<PlayerFile>;

// The player name of a file name: the part before the first "." when the
// part between the first and the second "." is exactly "swf" ("mine.swf.bak"
// is the player "mine"); empty when the file is no player.
std::string PlayerNameFromFileName(const std::string& fileName);

// Walks each folder in depth (entries of one folder in byte order of their
// names, each folder's content right after it) and lists every player file
// found, the folders' players in the order the folders are given. Missing
// folders are skipped.
PlayersList ScanPlayersFolders(const std::vector<std::string>& folders);

// The user's own players folder: "%@/Library/Brelvano" under the home folder.
std::string CustomPlayersFolder(const std::string& home);

// The bundled players folder: next to the executable (../share/brelvano/players
// from its folder), then the build tree's (where the generated player movie
// is written), the installed one, then the source tree's; the first that
// exists, or empty when none does.
std::string ResourcePlayersFolder(const std::string& executablePath);

// Copies the first player of that name into folder/<name>.swf unless a copy
// at least as new as the installed player is already there, then reads the
// copy's frame size into the non-null width and height (left alone when it
// cannot be read). False when the name is unknown, has no path, or the copy failed.
bool CopyPlayer(const PlayersList& players, const std::string& name, const std::string& folder,
                int32_t* width, int32_t* height);

}  // namespace brelvano
