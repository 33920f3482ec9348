// Where a track's converted file goes, and whether it is already there.
#pragma once

#include <string>

#include "analysis/mp3entry.h"
#include "convert/project_record.h"

namespace brelvano {

// destDir + "/" + the track's file name reduced to ASCII (compatibility
// decomposition, then every non-ASCII byte dropped: "Café.mp3" gives
// "Cafe.mp3"), with its extension replaced by ".swf" or ".flv" by the
// track's format and the project's default format. A name without an
// extension gets the output extension appended. Any path length.
std::string MakeOutputPath(const ProjectRecord& project, const _mp3entry& entry);

// Output extension without the dot ("swf" or "flv") for a track; empty for an
// unknown format value, which keeps the MP3 file's own extension.
std::string OutputExtension(const ProjectRecord& project, const _mp3entry& entry);

// Sets the entry's status to Ok when its output file exists; never any other status.
void MarkConvertedIfExists(const ProjectRecord& project, _mp3entry& entry);

}  // namespace brelvano
