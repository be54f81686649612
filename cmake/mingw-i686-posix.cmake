# 32-bit Windows with mingw-w64's POSIX thread model (g++-mingw-w64-i686-posix): the same as
# mingw-i686.cmake, with std::mutex and std::thread, which GoogleTest needs. The Wine test
# build uses it; the runtime is linked in statically, so the DLLs still import only the
# system's own.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
