// The user's folders the application falls back on.
#pragma once

#include <string>

namespace brelvano {

// $HOME, else the password database's home folder, else "/".
std::string HomeFolder();

// Where a new project publishes unless told otherwise: a folder of its own in
// the home folder ("~/Brelvano"), never the home folder itself, so a publish
// cannot replace the user's own index.html. Created by the first publish.
std::string DefaultDestinationFolder(const std::string& home);

}  // namespace brelvano
