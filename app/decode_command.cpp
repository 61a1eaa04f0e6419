#include "app/decode_command.h"

#include <cstdio>

int RunDecodeCommand(int, char**) {
  std::fprintf(stderr, "telvane: --decode is not built yet\n");
  return 2;
}
