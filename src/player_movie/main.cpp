// Writes Brelvano's player movie: make_player_movie OUTPUT.swf
#include <cstdio>

#include "player_movie/player_movie.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.swf\n", argv[0]);
    return 2;
  }
  const std::vector<uint8_t> movie = brelvano::BuildPlayerMovie();
  if (movie.empty()) {
    std::fprintf(stderr, "%s: the player program could not be assembled\n", argv[0]);
    return 1;
  }
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(movie.data(), movie.size(), 1, out) == 1;
  if (std::fclose(out) != 0 || !written) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}
