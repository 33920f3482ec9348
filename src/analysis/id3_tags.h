// ID3 tags: the title, artist, album and year of an MP3 file as UTF-8 text.
// Reads an ID3v2.2, 2.3 or 2.4 tag at the start of the file and an ID3v1 tag
// in its last 128 bytes, which fills what the ID3v2 tag leaves empty.
#pragma once

#include <cstdint>
#include <cstdio>

#include "analysis/id3_text.h"
#include "analysis/mp3entry.h"

namespace brelvano {

// Clears `id3` and fills it from the file's tags. Returns the length in bytes
// of the tag at the start of the file: size + 10 for an ID3v2 tag (size + 20
// with an ID3v2.4 footer; also for a version that is not read, which leaves
// `valid` 0 unless an ID3v1 tag is there), or else 128 for an ID3v1 tag, 0 for
// none. When the ID3v2 tag leaves the title, artist, album or year empty, an
// ID3v1 tag behind it fills the empty ones, with its comment and genre.
// Leaves the stream just behind the ID3v2 tag, or at offset 0 when there is
// none or only an ID3v1 tag. When an ID3v2 tag claims to end beyond the end of
// the file, its size is wrong: the stream is then left behind the last
// well-formed frame that lies inside the file (behind the 10-byte tag header
// when there is none, or when the tag's version is not read), where the audio
// most likely starts. A frame's text is never read past the tag end, whatever
// the frame's size says.
int32_t ReadId3Tags(FILE* file, _Id3& id3);

// Converts the text of one ID3v2.2 or 2.3 text frame into `field` (width
// bytes) as zero-terminated UTF-8. The stream stands behind the frame's
// encoding byte; `size` is the frame size as stored (encoding byte included).
// ISO-8859-1 reads at most min(size, width) bytes, UTF-16 at most
// min(size / 2, width) units; the text is cut at a character boundary where
// its UTF-8 form and the zero byte would not fit. Other encodings (2 and 3
// belong to ID3v2.4) leave the field as it was. The stream is left wherever
// reading ended.
void ReadId3Text(char* field, int width, FILE* file, uint32_t size, int encoding);

}  // namespace brelvano
