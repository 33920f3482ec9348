#include <cstdio>

int main() {
  std::puts("brelvano-cli");
  return 0;
}
