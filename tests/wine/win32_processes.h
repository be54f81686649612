// Programs run at once under Windows, where a process cannot be forked: copies of the test
// program itself in a role its main hands them to (RunRole), or any other program, all in the
// current folder.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// Starts a command line (the program's path quoted when it holds blanks); null on failure.
HANDLE Start(const std::string& commandLine);
// Starts this program with "--role ROLE ARGUMENT".
HANDLE StartRole(const std::string& role, const std::string& argument);
// Waits for each; true when every one started and exited with 0.
bool AllSucceed(const std::vector<HANDLE>& processes);

// A path of this machine as Windows programs under Wine see it (drive Z:).
std::string WinePath(const std::string& path);

using Role = int (*)(const std::string& argument);
// In main: when the command line names a role, runs it and returns its exit status.
bool RunRole(int argc, char** argv, const char* name, Role role, int* status);

}  // namespace wintest
