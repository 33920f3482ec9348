// The few file-system and text services that publishing and project files
// need, on plain POSIX calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace brelvano {

// True when a regular file (links followed) is at the path and can be opened
// for reading. Never waits: a FIFO or device there is not readable here.
bool FileIsReadable(const std::string& path);
// Opens a regular file (links followed) for reading without ever waiting on
// a FIFO or device: anything else is refused. Null on failure, with *reason
// (if given) the system error text or what the path is instead ("is a
// folder", "is a FIFO", ...), without the path.
FILE* OpenRegularFile(const std::string& path, std::string* reason = nullptr);
// What a file of this st_mode is when it is not a regular file, as a
// reason: "is a folder", "is a FIFO", "is a device", "is a socket", or
// "is not a regular file".
std::string NotRegularFileReason(unsigned mode);
// True when something (file, folder, link) is at the path; a dangling link counts.
bool PathExists(const std::string& path);
// Modification time of the item at the path in nanoseconds since 1970,
// without following a final symbolic link; none when its attributes cannot be read.
std::optional<int64_t> ModificationTime(const std::string& path);
// Copies the content of from (links followed) into a new file to; the
// destination must not exist. A partial copy is removed. True on success.
bool CopyFileContents(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// The text after the last "/" (all of it when there is none).
std::string LastPathComponent(std::string_view path);

// Length of the well-formed UTF-8 sequence that starts at text[i], its code
// point in *codePoint; 0 when the bytes there are not one (overlong forms,
// surrogates, values above U+10FFFF, a sequence cut by the end).
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* codePoint);
// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or values above U+10FFFF).
bool IsValidUtf8(std::string_view text);
// True when the text holds a byte below 0x20 or the byte 0x7F.
bool HasControlCharacters(std::string_view text);
// The longest prefix of at most maxBytes bytes that does not end inside a
// UTF-8 sequence.
std::string_view CutAtCharacterBoundary(std::string_view text, size_t maxBytes);

// Percent escapes for a URL: characters that are legal in a URL stay as
// they are, every other character is written as "%XX" with upper-case hex
// digits of its ISO Latin-1 code. Text with characters outside Latin-1 (or
// not valid UTF-8) is escaped byte by byte from its UTF-8 form instead.
std::string PercentEscapeLatin1(std::string_view utf8);

}  // namespace brelvano
