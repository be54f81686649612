// Programs run at once under Windows, where a process cannot be forked: other programs, or
// copies of the test program itself in a role its main runs ("--role NAME ARGUMENT").
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// Starts a command line in the current folder; null when it cannot.
inline HANDLE Start(std::string commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

inline HANDLE StartRole(const std::string& role, const std::string& argument) {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return Start("\"" + std::string(program) + "\" --role " + role + " " + argument);
}

// Waits for each and closes it; true when every one started and exited with 0.
inline bool AllSucceed(const std::vector<HANDLE>& processes) {
  bool all = true;
  for (HANDLE process : processes) {
    DWORD status = 1;
    all = process != nullptr && WaitForSingleObject(process, 240000) == WAIT_OBJECT_0 &&
          GetExitCodeProcess(process, &status) && status == 0 && all;
    if (process != nullptr) CloseHandle(process);
  }
  return all;
}

}  // namespace wintest
