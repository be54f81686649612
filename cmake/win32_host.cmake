# The Win32 host emulator and the plug-in's tests for Wine, in the Win32 configuration.
#
# WARNIK.dll holds the emulator's services, exported by ordinal only as the host program
# exports them, and warnik's program code; warnik.exe is a launcher linked to it. The plug-in
# finds the services with the real GetModuleHandleA("WARNIK") and GetProcAddress.
include(${PROJECT_SOURCE_DIR}/cmake/warnik_exports.cmake)

# nlohmann/json and CLI11 are header-only: the build machine's headers serve this build too,
# through a folder that holds only them (not the machine's whole include folder).
find_path(KRONILOG_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_path(KRONILOG_CLI11_INCLUDE CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(header_folder ${PROJECT_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${header_folder})
file(CREATE_LINK ${KRONILOG_JSON_INCLUDE}/nlohmann ${header_folder}/nlohmann SYMBOLIC)
file(CREATE_LINK ${KRONILOG_CLI11_INCLUDE}/CLI ${header_folder}/CLI SYMBOLIC)

# The emulator's shared sources with the Win32 platform's (host/win32/), and warnik's program
# code, whose main WarnikRun calls.
include(${PROJECT_SOURCE_DIR}/host/sources.cmake)
include(${PROJECT_SOURCE_DIR}/tools/sources.cmake)
kronilog_host_sources(host_sources win32)
set_source_files_properties(${PROJECT_SOURCE_DIR}/tools/warnik.cpp PROPERTIES COMPILE_DEFINITIONS main=WarnikMain)

# Objects shared by WARNIK.dll and the tests that drive the emulator in their own process.
add_library(warnik_host_objects OBJECT ${host_sources} ${KRONILOG_WARNIK_SOURCES})
target_include_directories(warnik_host_objects PUBLIC ${PROJECT_SOURCE_DIR} ${header_folder}
  PRIVATE ${PROJECT_SOURCE_DIR}/host/win32/compat)
target_compile_definitions(warnik_host_objects PUBLIC
  KRONILOG_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  KRONILOG_PLUGIN_PATH="kronilog.dll"
  PRIVATE _POSIX_THREAD_SAFE_FUNCTIONS)  # localtime_r in mingw's <time.h>
kronilog_warnings(warnik_host_objects)

kronilog_write_warnik_def(${PROJECT_BINARY_DIR}/WARNIK.def NAMED WarnikRun)
add_library(warnik_module SHARED ${PROJECT_BINARY_DIR}/WARNIK.def)
target_link_libraries(warnik_module PRIVATE warnik_host_objects crypt32)
set_target_properties(warnik_module PROPERTIES PREFIX "" OUTPUT_NAME WARNIK IMPORT_PREFIX "lib")
target_link_options(warnik_module PRIVATE -static -static-libgcc -static-libstdc++)
add_dependencies(warnik_module kronilog)

add_executable(warnik ${PROJECT_SOURCE_DIR}/host/win32/warnik_main.cpp)
target_link_libraries(warnik PRIVATE warnik_module)
target_link_options(warnik PRIVATE -static -static-libgcc -static-libstdc++)
kronilog_warnings(warnik)

if(KRONILOG_TESTS)
  enable_testing()
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/wine ${PROJECT_BINARY_DIR}/tests/wine)
endif()
