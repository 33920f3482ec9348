// Why a path cannot be read as a regular file, in words for the user.
#pragma once

#include <string>

namespace brelvano {

// Empty when the path names a regular file that can be opened for reading;
// otherwise the reason: the system's error text ("No such file or
// directory", "Permission denied"), "Is a directory", or "Not a regular
// file" for FIFOs, devices and sockets. Never blocks on a FIFO.
std::string ReadableFileProblem(const std::string& path);

}  // namespace brelvano
