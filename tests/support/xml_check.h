// Reading our XML output with an independent parser (Python's minidom).
#pragma once

#include <string>
#include <vector>

namespace brelvano::test {

// True when python3 is there to read the files.
bool HavePythonXml();
// For every element of that name, in document order, one line with its
// attributes as name=value in document order, joined by "|" (the values as
// the parser hands them over: references resolved, white space normalised).
// With fragment, the file is read as a sequence of elements behind its XML
// declaration, as "playlist.xml" is: three top-level elements, which the
// Flash player's XML object reads in turn.
std::vector<std::string> XmlElementAttributes(const std::string& path, const std::string& element,
                                              bool fragment = false);

}  // namespace brelvano::test
