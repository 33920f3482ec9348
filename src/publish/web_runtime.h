// The Flash runtime (Ruffle) that a published page loads so that it plays in
// browsers without a Flash plug-in: where Brelvano keeps it, copying it into
// the "ruffle" folder beside the page, and the script lines that load it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace brelvano {

inline constexpr const char* kWebRuntimeFolderName = "ruffle";

// A file the page needs: "ruffle.js", "core.ruffle.*.js" or "*.wasm" (the
// names of the last two change with every release of the runtime).
bool IsWebRuntimeFile(const std::string& fileName);

// The runtime files in folder, sorted by name; empty unless it holds a
// whole runtime: ruffle.js, at least one core script and one wasm module.
std::vector<std::string> WebRuntimeFiles(const std::string& folder);

// Brelvano's copy of the runtime: next to the executable
// (../share/brelvano/ruffle from its folder), the installed one, then the
// source tree's node_modules; the first that holds a whole runtime, or
// empty when none does.
std::string WebRuntimeFolder(const std::string& executablePath);
// WebRuntimeFolder of the running program.
std::string DefaultWebRuntimeFolder();

enum class WebRuntimeCopy {
  kCopied,   // the destination's "ruffle" folder holds every file
  kMissing,  // no whole runtime to copy from
  kFailed,   // a file could not be written
};

// Copies the runtime files of fromFolder into destFolder/ruffle, each
// written whole or not at all; a file already there with the same bytes is
// left alone.
WebRuntimeCopy CopyWebRuntime(const std::string& fromFolder, const std::string& destFolder);

// The lines a page carries before the player's object/embed block: the
// runtime's settings (the WebGL renderer starts the player fastest) and
// the script tag that loads it and lets it take over the embed.
void WriteWebRuntimeScript(FILE* stream);

}  // namespace brelvano
