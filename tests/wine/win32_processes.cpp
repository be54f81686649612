#include "tests/wine/win32_processes.h"

namespace wintest {

HANDLE Start(const std::string& commandLine) {
  std::string line = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

HANDLE StartRole(const std::string& role, const std::string& argument) {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return Start("\"" + std::string(program) + "\" --role " + role + " \"" + argument + "\"");
}

bool AllSucceed(const std::vector<HANDLE>& processes) {
  bool all = true;
  for (HANDLE process : processes) {
    DWORD status = 1;
    all = process != nullptr && WaitForSingleObject(process, 240000) == WAIT_OBJECT_0 &&
          GetExitCodeProcess(process, &status) && status == 0 && all;
    if (process != nullptr) CloseHandle(process);
  }
  return all;
}

std::string WinePath(const std::string& path) { return "Z:" + path; }

bool RunRole(int argc, char** argv, const char* name, Role role, int* status) {
  if (argc != 4 || std::string(argv[1]) != "--role" || std::string(argv[2]) != name) return false;
  *status = role(argv[3]);
  return true;
}

}  // namespace wintest
