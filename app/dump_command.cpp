#include "app/dump_command.h"

#include <cstdio>

int RunDumpCommand(int, char**) {
  std::fprintf(stderr, "telvane: --dump is not built yet\n");
  return 2;
}
