// The generated player movie read back: header, tags, and an action stream
// in which every branch and function body lands on an action boundary.
#include "player_movie/player_movie.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "player_movie/player_program.h"
#include "publish/swf_header.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

struct Tag {
  uint32_t code;
  std::vector<uint8_t> body;
};

// The tags behind the header; the RECT is skipped by its Nbits.
std::vector<Tag> ReadTags(const std::vector<uint8_t>& movie) {
  const uint32_t nbits = movie[8] >> 3;
  size_t at = 8 + (5 + 4 * nbits + 7) / 8 + 4;
  std::vector<Tag> tags;
  while (at + 2 <= movie.size()) {
    const uint32_t header = U16(movie, at);
    at += 2;
    uint32_t length = header & 63;
    if (length == 63) {
      length = U32(movie, at);
      at += 4;
    }
    if (at + length > movie.size()) break;
    tags.push_back(
        {header >> 6, std::vector<uint8_t>(movie.begin() + at, movie.begin() + at + length)});
    at += length;
  }
  return tags;
}

TEST(PlayerMovie, HeaderAndTags) {
  const std::vector<uint8_t> movie = BuildPlayerMovie();
  ASSERT_GT(movie.size(), 100u);
  EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS");
  EXPECT_EQ(movie[3], 6) << "SWF 5 would never run onEnterFrame";
  EXPECT_EQ(U32(movie, 4), movie.size());

  // The size the publisher reads for the page.
  test::TempDir dir;
  const std::string path = dir.file("brelvano.swf");
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(movie.data(), movie.size(), 1, file);
  std::fclose(file);
  const std::optional<SwfHeaderInfo> size = ReadSwfHeader(path);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, kPlayerWidth);
  EXPECT_EQ(size->height, kPlayerHeight);

  const std::vector<Tag> tags = ReadTags(movie);
  ASSERT_EQ(tags.size(), 4u);
  EXPECT_EQ(tags[0].code, 9u);   // SetBackgroundColor
  EXPECT_EQ(tags[1].code, 12u);  // DoAction
  EXPECT_EQ(tags[2].code, 1u);   // ShowFrame
  EXPECT_EQ(tags[3].code, 0u);   // End
  const size_t rectBytes = (5 + 4 * (movie[8] >> 3) + 7) / 8;
  EXPECT_EQ(U16(movie, 8 + rectBytes), kPlayerFrameRate * 256u);
  EXPECT_EQ(U16(movie, 8 + rectBytes + 2), 1u);
}

TEST(PlayerMovie, ActionStreamIsWellFormed) {
  const std::vector<Tag> tags = ReadTags(BuildPlayerMovie());
  ASSERT_EQ(tags.size(), 4u);
  const std::vector<uint8_t>& code = tags[1].body;

  std::set<size_t> starts;        // where each action begins
  std::vector<size_t> targets;    // where branches and function bodies end
  std::set<std::string> strings;  // pushed strings
  size_t at = 0;
  bool ended = false;
  while (at < code.size()) {
    starts.insert(at);
    const uint8_t op = code[at];
    if (op == kActionEnd) {
      ended = at + 1 == code.size();
      break;
    }
    ASSERT_NE(op, 0x8E) << "DefineFunction2 needs SWF 7";
    if (op < 0x80) {
      ++at;
      continue;
    }
    const uint32_t length = U16(code, at + 1);
    const size_t body = at + 3;
    ASSERT_LE(body + length, code.size());
    if (op == kActionJump || op == kActionIf) {
      ASSERT_EQ(length, 2u);
      targets.push_back(body + 2 + static_cast<int16_t>(U16(code, body)));
    } else if (op == kActionDefineFunction) {
      targets.push_back(body + length + U16(code, body + length - 2));
    } else if (op == kActionPush) {
      for (size_t p = body; p < body + length;) {
        const uint8_t type = code[p++];
        if (type == kPushString) {
          const std::string text(reinterpret_cast<const char*>(&code[p]));
          strings.insert(text);
          p += text.size() + 1;
        } else if (type == kPushInteger) {
          p += 4;
        } else if (type == kPushDouble) {
          p += 8;
        } else if (type == kPushBoolean) {
          p += 1;
        } else {
          ASSERT_TRUE(type == kPushNull || type == kPushUndefined) << int(type);
        }
      }
    }
    at = body + length;
  }
  EXPECT_TRUE(ended) << "ActionEnd closes the stream";
  for (size_t target : targets)
    EXPECT_TRUE(starts.count(target)) << "branch or body end at " << target;

  // What the player relies on at run time.
  for (const char* name :
       {"playlist.xml", "PLAYERSETTINGS", "PLAYLIST", "FILE", "autostart", "playall", "loop",
        "shuffle", "NetConnection", "NetStream", "onMetaData", "NetStream.Play.Stop",
        "_currentframe", "_totalframes", "loadMovie", "onEnterFrame", "createTextField"})
    EXPECT_TRUE(strings.count(name)) << name;
}

}  // namespace
}  // namespace brelvano
