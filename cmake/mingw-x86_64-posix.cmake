# 64-bit Windows with mingw-w64's POSIX thread model (g++-mingw-w64-x86-64-posix), for tests
# only: the plug-in as a 64-bit DLL, the Win32 host (WARNIK.dll, warnik.exe) and every Windows
# test program, run under 64-bit Wine on any machine, including one whose kernel or packages
# cannot run 32-bit programs. The DLL a shop installs is the 32-bit build
# (mingw-i686-posix.cmake); this one is never shipped.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
