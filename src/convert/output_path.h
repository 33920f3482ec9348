// Where a track's converted file goes, and whether it is already there.
#pragma once

#include <string>
#include <vector>

#include "analysis/mp3entry.h"
#include "convert/project_record.h"

namespace brelvano {

class Mp3List;

// The output paths of a whole track list, entry i's at index i; the batch,
// the playlist and MarkConvertedIfExists all name outputs through it.
//
// Each track's name is destDir + "/" + its file name reduced to ASCII
// (compatibility decomposition, then every non-ASCII byte dropped: "Café.mp3"
// gives "Cafe.mp3"), with its extension replaced by ".swf" or ".flv" by the
// track's format and the project's default format; a name without an
// extension gets the output extension appended. Any path length.
//
// No two tracks of the list share an output: a name that reduces to nothing
// ("Привет.mp3") is transliterated to Latin ASCII ("Privet.swf"), or is
// "track" when even that leaves nothing; a name already taken by an earlier
// track of the list, or one that another track's own name claims, gets "-2",
// "-3", ... before its extension. A name that the reduction alone makes
// unique and non-empty stays exactly as it is, so earlier publications keep
// their file names.
std::vector<std::string> MakeOutputPaths(const ProjectRecord& project,
                                         const std::vector<const _mp3entry*>& entries);
std::vector<std::string> MakeOutputPaths(const ProjectRecord& project,
                                         const std::vector<_mp3entry*>& entries);
std::vector<std::string> MakeOutputPaths(const ProjectRecord& project, const Mp3List& list);

// The output path of a track on its own (a list of one). Within a list, use
// MakeOutputPaths: a name shared with another track differs there.
std::string MakeOutputPath(const ProjectRecord& project, const _mp3entry& entry);

// Output extension without the dot ("swf" or "flv") for a track; empty for an
// unknown format value, which keeps the MP3 file's own extension.
std::string OutputExtension(const ProjectRecord& project, const _mp3entry& entry);

// Sets the status of every track of the list whose output (by
// MakeOutputPaths) is a readable regular file to Ok; never any other status.
void MarkConvertedIfExists(const ProjectRecord& project, Mp3List& list);
// The same for the tracks of the list at the given rows; the list's names
// are planned once, however many rows.
void MarkConvertedIfExists(const ProjectRecord& project, Mp3List& list,
                           const std::vector<int32_t>& rows);
// The same for a track on its own.
void MarkConvertedIfExists(const ProjectRecord& project, _mp3entry& entry);

}  // namespace brelvano
