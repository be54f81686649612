#include "binding/plugin_state.h"

#include <cstring>

HINSTANCE ownInstance;
char ownModulePath[300];
HMODULE hostModule;

char* GetPluginDisplayName(char* buffer) {
  std::memcpy(buffer, kPluginDisplayName, sizeof kPluginDisplayName);
  return buffer;
}
