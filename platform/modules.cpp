// Module registry and loader: GetModuleHandleA, GetProcAddress, GetModuleFileNameA,
// LoadLibraryA and FreeLibrary as the plug-in and the host use them.
#include <dlfcn.h>
#include <unistd.h>
#include <strings.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/module_registry.h"

namespace {

constexpr DWORD kErrorModNotFound = 126;
constexpr DWORD kErrorProcNotFound = 127;
constexpr DWORD kErrorInsufficientBuffer = 122;
constexpr DWORD kErrorDllInitFailed = 1114;
constexpr DWORD kErrorInvalidHandle = 6;

struct Module {
  std::string name;      // what GetModuleHandleA matches, case-insensitively
  std::string fileName;  // what GetModuleFileNameA reports
  std::vector<ModuleExport> exports;
  void* library = nullptr;  // dlopen handle of a loaded file
  int references = 1;
};

std::vector<std::unique_ptr<Module>>& Modules() {
  static std::vector<std::unique_ptr<Module>> modules;
  return modules;
}

thread_local DWORD lastError;
std::string lastLoadError;

Module* Find(HMODULE handle) {
  for (auto& module : Modules()) {
    if (module.get() == handle) return module.get();
  }
  return nullptr;
}

void Remove(Module* module) {
  auto& modules = Modules();
  for (auto it = modules.begin(); it != modules.end(); ++it) {
    if (it->get() == module) {
      modules.erase(it);
      return;
    }
  }
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The plug-in expects Windows paths; the separators become backslashes.
std::string WindowsForm(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

extern "C" {

HMODULE PlatformRegisterModule(const char* name, const ModuleExport* exports, std::size_t count,
                               const char* fileName) {
  auto module = std::make_unique<Module>();
  module->name = name;
  module->fileName = fileName != nullptr ? fileName : name;
  module->exports.assign(exports, exports + count);
  Module* handle = module.get();
  Modules().push_back(std::move(module));
  return handle;
}

void PlatformUnregisterModule(HMODULE handle) {
  if (Module* module = Find(handle)) Remove(module);
}

const char* PlatformLastLoadError() { return lastLoadError.c_str(); }

DWORD GetLastError() { return lastError; }

void SetLastError(DWORD error) { lastError = error; }

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return nullptr;
  for (auto& module : Modules()) {
    if (strcasecmp(module->name.c_str(), moduleName) == 0) return module.get();
  }
  lastError = kErrorModNotFound;
  return nullptr;
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName) {
  Module* module = Find(handle);
  if (module == nullptr) {
    lastError = kErrorInvalidHandle;
    return nullptr;
  }
  for (const ModuleExport& entry : module->exports) {
    bool match = IS_INTRESOURCE(procName)
                     ? entry.ordinal == static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(procName))
                     : entry.name != nullptr && std::strcmp(entry.name, procName) == 0;
    if (match && entry.proc != nullptr) return reinterpret_cast<FARPROC>(entry.proc);
  }
  lastError = kErrorProcNotFound;
  return nullptr;
}

DWORD GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size) {
  std::string path;
  if (handle == nullptr) {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return 0;
    path.assign(self, static_cast<std::size_t>(length));
  } else if (Module* module = Find(handle)) {
    path = module->fileName;
  } else {
    lastError = kErrorModNotFound;
    return 0;
  }
  if (size == 0) {
    lastError = kErrorInsufficientBuffer;
    return 0;
  }
  path = WindowsForm(path);
  if (path.size() >= size) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    lastError = kErrorInsufficientBuffer;
    return size;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  lastLoadError.clear();
  char resolved[PATH_MAX];
  if (fileName == nullptr || realpath(fileName, resolved) == nullptr) {
    lastError = kErrorModNotFound;
    lastLoadError = std::string("no such file: ") + (fileName ? fileName : "(null)");
    return nullptr;
  }
  for (auto& module : Modules()) {
    if (module->library != nullptr && module->fileName == resolved) {
      ++module->references;
      return module.get();
    }
  }
  void* library = dlopen(resolved, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    lastError = kErrorModNotFound;
    lastLoadError = dlerror();
    return nullptr;
  }
  auto* exports = static_cast<const ModuleExport*>(dlsym(library, PLATFORM_EXPORTS_SYMBOL));
  auto* count = static_cast<const std::size_t*>(dlsym(library, PLATFORM_EXPORT_COUNT_SYMBOL));
  auto dllMain = reinterpret_cast<DllMainProc>(dlsym(library, PLATFORM_DLLMAIN_SYMBOL));
  if (exports == nullptr || count == nullptr) {
    dlclose(library);
    lastError = kErrorProcNotFound;
    lastLoadError = std::string(resolved) + " has no export table";
    return nullptr;
  }
  HMODULE handle = PlatformRegisterModule(BaseName(resolved).c_str(), exports, *count, resolved);
  Find(handle)->library = library;
  if (dllMain != nullptr && !dllMain(handle, DLL_PROCESS_ATTACH, nullptr)) {
    Remove(Find(handle));
    dlclose(library);
    lastError = kErrorDllInitFailed;
    lastLoadError = "the library's initialisation reported failure";
    return nullptr;
  }
  return handle;
}

BOOL FreeLibrary(HMODULE handle) {
  Module* module = Find(handle);
  if (module == nullptr || module->library == nullptr) {
    lastError = kErrorInvalidHandle;
    return FALSE;
  }
  if (--module->references > 0) return TRUE;
  void* library = module->library;
  auto dllMain = reinterpret_cast<DllMainProc>(dlsym(library, PLATFORM_DLLMAIN_SYMBOL));
  if (dllMain != nullptr) dllMain(handle, DLL_PROCESS_DETACH, nullptr);
  Remove(module);
  dlclose(library);
  return TRUE;
}

}  // extern "C"
