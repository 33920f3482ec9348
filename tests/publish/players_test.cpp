// Player movies: frame size from the SWF header, the copy rule, the folder scan.
#include "publish/players.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>
#include <string>

#include "publish/swf_header.h"
#include "support/test_files.h"

namespace brelvano {
namespace {

using test::Bytes;
using test::TempDir;

// Header of an uncompressed movie with the frame RECT 0, 11000, 0, 8000
// twips (550 x 400 px): Nbits 15, then four 15-bit values.
const Bytes kMovie550x400 = {'F',  'W',  'S',         // signature
                             6,                       // version
                             0x1D, 0,    0,    0,     // file length 29
                             0x78, 0x00, 0x05, 0x5F,  // 01111 | Xmin 0 (15 bits) | Xmax 11000 ...
                             0x00, 0x00, 0x0F, 0xA0,  // ... | Ymin 0 | Ymax 8000 ...
                             0x00,                    // ... padding
                             0x00, 0x0C,              // frame rate 12.0
                             0x01, 0x00,              // one frame
                             0x40, 0x00,              // ShowFrame
                             0x00, 0x00,              // End
                             0,    0,    0,    0};

Bytes WithSignature(const char* signature) {
  Bytes movie = kMovie550x400;
  std::copy(signature, signature + 3, movie.begin());
  return movie;
}

TEST(SwfHeader, FrameSizeOfUncompressedMoviesOnly) {
  const std::tuple<const char*, Bytes, int32_t, int32_t> cases[] = {
      // -1: no size
      {"550 x 400", kMovie550x400, 550, 400},
      {"compressed", WithSignature("CWS"), -1, -1},
      {"not a movie", WithSignature("FLV"), -1, -1},
      {"empty", {}, -1, -1},
      // Bits past the end read as zeros: Nbits 0 gives four zeros ...
      {"signature only", {'F', 'W', 'S'}, 0, 0},
      // ... and a cut inside Xmax leaves only its first 4 bits (0101).
      {"cut inside Xmax", Bytes(kMovie550x400.begin(), kMovie550x400.begin() + 11), 512, 0},
  };
  for (const auto& [what, bytes, width, height] : cases) {
    const std::optional<SwfHeaderInfo> info = ReadSwfHeaderBytes(bytes.data(), bytes.size());
    EXPECT_EQ(info ? info->width : -1, width) << what;
    EXPECT_EQ(info ? info->height : -1, height) << what;
  }
  EXPECT_FALSE(ReadSwfHeader("/nonexistent/player.swf"));
}

struct CopyFixture {
  TempDir installed, folder;
  PlayersList players;
  int32_t width = -1, height = -1;
  CopyFixture() {
    test::WriteFileBytes(installed.file("Basic.swf"), kMovie550x400);
    test::WriteFileBytes(installed.file("other.swf"), {'F', 'W', 'S'});
    test::WriteFileBytes(installed.file("packed.swf"), WithSignature("CWS"));
    // The first of two players of one name wins.
    players = {{"Basic", installed.file("Basic.swf")},
               {"Basic", installed.file("other.swf")},
               {"NoPath", ""},
               {"Packed", installed.file("packed.swf")}};
  }
  bool Copy(const std::string& name) {
    return CopyPlayer(players, name, folder.path(), &width, &height);
  }
};

TEST(CopyPlayer, CopiesAndReadsSizeOrFails) {
  CopyFixture f;
  EXPECT_FALSE(f.Copy("basic"));
  EXPECT_FALSE(f.Copy("NoPath"));
  EXPECT_FALSE(CopyPlayer(f.players, "Basic", "/nonexistent/folder", &f.width, &f.height));
  // A compressed movie is copied, but its size stays unknown.
  EXPECT_TRUE(f.Copy("Packed"));
  EXPECT_EQ(test::ReadFileBytes(f.folder.file("Packed.swf")), WithSignature("CWS"));
  EXPECT_EQ(f.width, -1);
  EXPECT_EQ(f.height, -1);
  EXPECT_TRUE(f.Copy("Basic"));
  EXPECT_EQ(test::ReadFileBytes(f.folder.file("Basic.swf")), kMovie550x400);
  EXPECT_EQ(f.width, 550);
  EXPECT_EQ(f.height, 400);
  EXPECT_TRUE(CopyPlayer(f.players, "Basic", f.folder.path(), nullptr, nullptr));
}

TEST(CopyPlayer, KeepsCopyAsNewOrNewerAndReplacesOlder) {
  // Modification times of the installed player and of the copy already there.
  for (const auto& [installedTime, copyTime] :
       {std::pair{1000, 1000}, {1000, 2000}, {2000, 1000}}) {
    SCOPED_TRACE(installedTime - copyTime);
    CopyFixture f;
    const std::string copy = f.folder.file("Basic.swf");
    test::WriteFileBytes(copy, {'o', 'l', 'd'});
    const utimbuf installedTimes{installedTime, installedTime}, copyTimes{copyTime, copyTime};
    ASSERT_EQ(utime(f.installed.file("Basic.swf").c_str(), &installedTimes), 0);
    ASSERT_EQ(utime(copy.c_str(), &copyTimes), 0);
    EXPECT_TRUE(f.Copy("Basic"));
    const bool replaced = installedTime > copyTime;
    EXPECT_EQ(test::ReadFileBytes(copy), (replaced ? kMovie550x400 : Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(f.width, replaced ? 550 : -1);  // the kept copy has no readable header
    EXPECT_FALSE(test::FileExists(copy + ".copying"));
  }
}

TEST(Players, NameRule) {
  const std::pair<const char*, const char*> cases[] = {
      {"Basic.swf", "Basic"}, {"mine.swf.bak", "mine"}, {"my.player.swf", ""},
      {"noextension", ""},    {"Basic.SWF", ""},        {".swf", ""},
      {"a.swf.", "a"},        {"a..swf", ""},
  };
  for (const auto& [file, name] : cases) EXPECT_EQ(PlayerNameFromFileName(file), name) << file;
}

TEST(Players, ScanWalksFoldersInOrderAndInDepth) {
  TempDir bundled, home;
  const std::string custom = CustomPlayersFolder(home.path());
  std::filesystem::create_directories(bundled.file("more"));
  std::filesystem::create_directories(custom);
  for (const char* file : {"Basic.swf", "more/Deep.swf", "readme", "Zed.swf.bak"})
    test::WriteFileBytes(bundled.file(file), {});
  for (const char* file : {"/Mine.swf", "/Basic.swf"}) test::WriteFileBytes(custom + file, {});
  std::vector<std::string> found;
  for (const PlayerFile& p : ScanPlayersFolders({bundled.path(), custom, "/nonexistent"}))
    found.push_back(p.path);
  EXPECT_EQ(found, (std::vector<std::string>{bundled.file("Basic.swf"), bundled.file("Zed.swf.bak"),
                                             bundled.file("more/Deep.swf"),
                                             home.file("Library/Brelvano/Basic.swf"),
                                             home.file("Library/Brelvano/Mine.swf")}));
}

}  // namespace
}  // namespace brelvano
