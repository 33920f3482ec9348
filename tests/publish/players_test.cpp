// Player movies: frame size from the SWF header, the copy rule, the folder scan.
#include "publish/players.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
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
const Bytes kMovie550x400 = {
    'F', 'W', 'S',           // signature
    6,                       // version
    0x1D, 0, 0, 0,           // file length 29
    0x78, 0x00, 0x05, 0x5F,  // 01111 | Xmin 0 (15 bits) | Xmax 11000 ...
    0x00, 0x00, 0x0F, 0xA0,  // ... | Ymin 0 | Ymax 8000 ...
    0x00,                    // ... padding
    0x00, 0x0C,              // frame rate 12.0
    0x01, 0x00,              // one frame
    0x40, 0x00,              // ShowFrame
    0x00, 0x00,              // End
    0, 0, 0, 0};

Bytes WithSignature(Bytes movie, const char* signature) {
  movie[0] = static_cast<uint8_t>(signature[0]);
  movie[1] = static_cast<uint8_t>(signature[1]);
  movie[2] = static_cast<uint8_t>(signature[2]);
  return movie;
}

TEST(SwfHeader, ReadsFrameSize) {
  const std::optional<SwfHeaderInfo> info = ReadSwfHeaderBytes(kMovie550x400.data(), kMovie550x400.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->width, 550);
  EXPECT_EQ(info->height, 400);
}

TEST(SwfHeader, RejectsCompressedAndForeignFiles) {
  const Bytes compressed = WithSignature(kMovie550x400, "CWS");
  EXPECT_FALSE(ReadSwfHeaderBytes(compressed.data(), compressed.size()));
  const Bytes foreign = WithSignature(kMovie550x400, "FLV");
  EXPECT_FALSE(ReadSwfHeaderBytes(foreign.data(), foreign.size()));
  EXPECT_FALSE(ReadSwfHeaderBytes(nullptr, 0));
  EXPECT_FALSE(ReadSwfHeader("/nonexistent/player.swf"));
}

TEST(SwfHeader, ShortFilesReadAsZeroPadded) {
  // Signature only: the RECT reads as Nbits 0, four zeros.
  const Bytes signatureOnly = {'F', 'W', 'S'};
  std::optional<SwfHeaderInfo> info = ReadSwfHeaderBytes(signatureOnly.data(), signatureOnly.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->width, 0);
  EXPECT_EQ(info->height, 0);
  // Cut inside Xmax: only its first 4 bits (0101) are in the file.
  const Bytes cut(kMovie550x400.begin(), kMovie550x400.begin() + 11);
  info = ReadSwfHeaderBytes(cut.data(), cut.size());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->width, (0b0101 << 11) / 20);
  EXPECT_EQ(info->height, 0);
}

TEST(BitReader, MostSignificantFirstAndZerosPastTheEnd) {
  const uint8_t bytes[] = {0xA5, 0x0F};
  BitReader reader(bytes, sizeof bytes);
  EXPECT_EQ(reader.GetBits(1), 1u);
  EXPECT_EQ(reader.GetBits(3), 0b010u);
  EXPECT_EQ(reader.GetBits(8), 0x50u);
  EXPECT_EQ(reader.GetBits(4), 0xFu);
  EXPECT_EQ(reader.GetBits(32), 0u);  // past the end
  EXPECT_EQ(reader.GetBits(0), 0u);
}

TEST(BitReader, RectSignExtendsAndStartsOnByteBoundary) {
  // Nbits 4: Xmin -1 (1111), Xmax 7 (0111), Ymin -8 (1000), Ymax 0.
  // 00100 1111 0111 1000 0000 + padding, preceded by one byte half read.
  const uint8_t bytes[] = {0xFF, 0b00100111, 0b10111100, 0b00000000};
  BitReader reader(bytes, sizeof bytes);
  reader.GetBits(3);
  int32_t rect[4];
  reader.ReadRect(rect);
  EXPECT_EQ(rect[0], -1);
  EXPECT_EQ(rect[1], 7);
  EXPECT_EQ(rect[2], -8);
  EXPECT_EQ(rect[3], 0);

  const uint8_t zeroBits[] = {0x00};
  BitReader empty(zeroBits, sizeof zeroBits);
  empty.ReadRect(rect);
  EXPECT_EQ(rect[0] | rect[1] | rect[2] | rect[3], 0);
}

TEST(SwfHeader, BundledPlayerIsAValidMovie) {
  const std::string path = std::string(BRELVANO_SOURCE_PLAYERS_DIR) + "/brelvano_mini.swf";
  const Bytes movie = test::ReadFileBytes(path);
  ASSERT_GE(movie.size(), 21u);
  const std::optional<SwfHeaderInfo> info = ReadSwfHeader(path);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->width, 300);
  EXPECT_EQ(info->height, 40);
  // The length field matches the file, and the tags run exactly to an End tag.
  const uint32_t length = movie[4] | movie[5] << 8 | movie[6] << 16 | uint32_t(movie[7]) << 24;
  EXPECT_EQ(length, movie.size());
  const int nbits = movie[8] >> 3;
  size_t at = 8 + (5 + 4 * nbits + 7) / 8 + 4;  // RECT, frame rate, frame count
  bool ended = false;
  while (at + 2 <= movie.size() && !ended) {
    const uint16_t header = static_cast<uint16_t>(movie[at] | movie[at + 1] << 8);
    uint32_t bodyLength = header & 0x3F;
    at += 2;
    if (bodyLength == 0x3F) {
      bodyLength = movie[at] | movie[at + 1] << 8 | movie[at + 2] << 16 | uint32_t(movie[at + 3]) << 24;
      at += 4;
    }
    ended = (header >> 6) == 0;
    at += bodyLength;
  }
  EXPECT_TRUE(ended);
  EXPECT_EQ(at, movie.size());
}

void SetModificationTime(const std::string& path, time_t when) {
  const utimbuf times{when, when};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

struct CopyFixture {
  TempDir installed;
  TempDir folder;
  PlayersList players;
  CopyFixture() {
    test::WriteFileBytes(installed.file("Basic.swf"), kMovie550x400);
    players = {{"Basic", installed.file("Basic.swf")}, {"NoPath", ""}};
  }
};

TEST(CopyPlayer, CopiesAndReadsSize) {
  CopyFixture f;
  int32_t width = -1, height = -1;
  EXPECT_TRUE(CopyPlayer(f.players, "Basic", f.folder.path(), &width, &height));
  EXPECT_EQ(test::ReadFileBytes(f.folder.file("Basic.swf")), kMovie550x400);
  EXPECT_EQ(width, 550);
  EXPECT_EQ(height, 400);
  // Null outputs are allowed.
  EXPECT_TRUE(CopyPlayer(f.players, "Basic", f.folder.path(), nullptr, nullptr));
}

TEST(CopyPlayer, UnknownOrPathlessPlayerFails) {
  CopyFixture f;
  int32_t width = -1, height = -1;
  EXPECT_FALSE(CopyPlayer(f.players, "basic", f.folder.path(), &width, &height));
  EXPECT_FALSE(CopyPlayer(f.players, "NoPath", f.folder.path(), &width, &height));
  EXPECT_FALSE(CopyPlayer(f.players, "Basic", "/nonexistent/folder", &width, &height));
  EXPECT_EQ(width, -1);
  EXPECT_EQ(height, -1);
}

TEST(CopyPlayer, KeepsCopyAsNewOrNewerAndReplacesOlder) {
  struct Case {
    time_t installedTime;
    time_t copyTime;
    bool replaced;
  };
  const Case cases[] = {{1000, 1000, false}, {1000, 2000, false}, {2000, 1000, true}};
  for (const Case& c : cases) {
    CopyFixture f;
    const std::string copy = f.folder.file("Basic.swf");
    test::WriteFileBytes(copy, {'o', 'l', 'd'});
    SetModificationTime(f.installed.file("Basic.swf"), c.installedTime);
    SetModificationTime(copy, c.copyTime);
    int32_t width = -1, height = -1;
    EXPECT_TRUE(CopyPlayer(f.players, "Basic", f.folder.path(), &width, &height));
    if (c.replaced) {
      EXPECT_EQ(test::ReadFileBytes(copy), kMovie550x400);
      EXPECT_EQ(width, 550);
    } else {
      EXPECT_EQ(test::ReadFileBytes(copy), (Bytes{'o', 'l', 'd'}));
      EXPECT_EQ(width, -1);  // the kept copy has no readable header
    }
    EXPECT_FALSE(test::FileExists(copy + ".copying"));
  }
}

TEST(CopyPlayer, CompressedPlayerIsCopiedWithUnknownSize) {
  CopyFixture f;
  test::WriteFileBytes(f.installed.file("Basic.swf"), WithSignature(kMovie550x400, "CWS"));
  int32_t width = -1, height = -1;
  EXPECT_TRUE(CopyPlayer(f.players, "Basic", f.folder.path(), &width, &height));
  EXPECT_TRUE(test::FileExists(f.folder.file("Basic.swf")));
  EXPECT_EQ(width, -1);
  EXPECT_EQ(height, -1);
}

TEST(CopyPlayer, FirstOfDuplicateNamesWins) {
  CopyFixture f;
  test::WriteFileBytes(f.installed.file("other.swf"), {'F', 'W', 'S'});
  const PlayersList players = {{"Basic", f.installed.file("other.swf")},
                               {"Basic", f.installed.file("Basic.swf")}};
  ASSERT_TRUE(CopyPlayer(players, "Basic", f.folder.path(), nullptr, nullptr));
  EXPECT_EQ(test::ReadFileBytes(f.folder.file("Basic.swf")), (Bytes{'F', 'W', 'S'}));
}

TEST(Players, NameRule) {
  struct Case {
    const char* file;
    const char* name;
  };
  const Case cases[] = {
      {"Basic.swf", "Basic"},   {"mine.swf.bak", "mine"}, {"my.player.swf", ""},
      {"noextension", ""},      {"Basic.SWF", ""},        {".swf", ""},
      {"a.swf.", "a"},          {"a..swf", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PlayerNameFromFileName(c.file), c.name) << c.file;
}

TEST(Players, ScanWalksFoldersInOrderAndInDepth) {
  TempDir bundled;
  TempDir home;
  std::filesystem::create_directories(bundled.file("more"));
  test::WriteFileBytes(bundled.file("Basic.swf"), {});
  test::WriteFileBytes(bundled.file("more/Deep.swf"), {});
  test::WriteFileBytes(bundled.file("readme"), {});
  test::WriteFileBytes(bundled.file("Zed.swf.bak"), {});
  const std::string custom = CustomPlayersFolder(home.path());
  std::filesystem::create_directories(custom);
  test::WriteFileBytes(custom + "/Mine.swf", {});
  test::WriteFileBytes(custom + "/Basic.swf", {});

  const PlayersList players = ScanPlayersFolders({bundled.path(), custom, "/nonexistent"});
  ASSERT_EQ(players.size(), 5u);
  EXPECT_EQ(players[0].name, "Basic");
  EXPECT_EQ(players[0].path, bundled.file("Basic.swf"));
  EXPECT_EQ(players[1].name, "Zed");
  EXPECT_EQ(players[2].name, "Deep");
  EXPECT_EQ(players[2].path, bundled.file("more/Deep.swf"));
  EXPECT_EQ(players[3].name, "Basic");
  EXPECT_EQ(players[3].path, custom + "/Basic.swf");
  EXPECT_EQ(players[4].name, "Mine");
  EXPECT_EQ(custom, home.path() + "/Library/Brelvano");
}

TEST(Players, ResourceFolderFoundFromBuildTreeAndInstall) {
  // Beside an installed executable.
  TempDir prefix;
  std::filesystem::create_directories(prefix.file("bin"));
  std::filesystem::create_directories(prefix.file("share/brelvano/players"));
  EXPECT_EQ(ResourcePlayersFolder(prefix.file("bin/brelvano-cli")),
            prefix.file("share/brelvano/players"));
  // A build-tree executable falls back to the source tree's players (or the
  // configured install folder when that exists).
  const std::string found = ResourcePlayersFolder("/nonexistent/bin/brelvano-cli");
  EXPECT_TRUE(found == BRELVANO_SOURCE_PLAYERS_DIR || found == BRELVANO_INSTALL_PLAYERS_DIR) << found;
}

}  // namespace
}  // namespace brelvano
