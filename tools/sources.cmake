# warnik's program code, listed once for both builds.
set(KRONILOG_WARNIK_SOURCES
  ${PROJECT_SOURCE_DIR}/tools/command_line.cpp
  ${PROJECT_SOURCE_DIR}/tools/gen_shop.cpp
  ${PROJECT_SOURCE_DIR}/tools/settings_command.cpp
  ${PROJECT_SOURCE_DIR}/tools/warnik.cpp)
