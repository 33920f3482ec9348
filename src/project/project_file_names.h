// What a project file can hold: text that an XML reader gives back as it was written.
#pragma once

#include <string>
#include <string_view>

namespace brelvano {

// True when a track's file name can be saved in a project and read back
// unchanged: valid UTF-8 without control characters. Otherwise *why (when
// non-null) says what is wrong with it.
bool IsStorableFileName(std::string_view name, std::string* why);

// True when a setting or tag text can be saved so that the project stays
// readable: valid UTF-8 and no control character that XML cannot carry
// (tab, line feed and carriage return are allowed; they read back as spaces).
bool IsStorableText(std::string_view text);

}  // namespace brelvano
