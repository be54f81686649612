// Stand-ins for commands whose implementation has not landed yet; deleted when it does.
#include <cstdio>

#include "tools/commands.h"

int RunSettingsCommand(const std::vector<std::string>&) {
  std::fprintf(stderr, "warnik: settings is not available yet\n");
  return 2;
}
