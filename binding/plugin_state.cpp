#include "binding/plugin_state.h"

#include <cstring>

HINSTANCE ownInstance;
char ownModulePath[300];
HMODULE hostModule;
int (*exportAction)();

char* GetPluginDisplayName(char* buffer) {
  std::memcpy(buffer, kPluginDisplayName, sizeof kPluginDisplayName);
  return buffer;
}
