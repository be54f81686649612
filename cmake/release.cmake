# The release of kronilog.dll, as a shop installs it (bash .ci/release).
#
# Every Win32 build gives the DLL its version resource (cmake/version.rc.in). With
# KRONILOG_RELEASE=ON the build is the one that ships: optimised with -O2 and nothing else
# from the build type, no build folder or source folder in any object, the DLL stripped and
# without a time stamp in its header, so that the same commit gives the same bytes in any
# folder; and the target kronilog_package packs it with the settings sample, the schema,
# the guide and the change log into dist/kronilog-<version>-win32.zip.
option(KRONILOG_RELEASE "Build kronilog.dll as it ships: -O2, stripped, reproducible" OFF)
set(KRONILOG_DIST_DIR ${PROJECT_SOURCE_DIR}/dist CACHE PATH "Where kronilog_package writes the zip")

if(KRONILOG_RELEASE)
  if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
  elseif(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    message(FATAL_ERROR "KRONILOG_RELEASE builds the Release type, not ${CMAKE_BUILD_TYPE}")
  endif()
  # These flags exactly, whatever CMake's default for Release is (-O3).
  set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
  # __FILE__ and any stray debug line name the sources by their place in the tree only.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
endif()

# Called on the Win32 plug-in target once it exists.
function(kronilog_release_dll target)
  enable_language(RC)
  # The resource names the project's version (four numbers, missing ones 0); windres writes
  # no time into it.
  set(KRONILOG_VERSION_COMMAS "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(number "${PROJECT_VERSION_${part}}")
    if(number STREQUAL "")
      set(number 0)
    endif()
    list(APPEND KRONILOG_VERSION_COMMAS ${number})
  endforeach()
  string(REPLACE ";" "," KRONILOG_VERSION_COMMAS "${KRONILOG_VERSION_COMMAS}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${PROJECT_BINARY_DIR}/version.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/version.rc)
  if(NOT KRONILOG_RELEASE)
    return()
  endif()
  # -s: no symbols and no debug sections (the static runtime brings some of its own);
  # no time stamp in the PE header, so that two builds of one commit are the same bytes.
  target_link_options(${target} PRIVATE -s -Wl,--no-insert-timestamp)

  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(zip ${KRONILOG_DIST_DIR}/kronilog-${PROJECT_VERSION}-win32.zip)
  # The guide must explain every message the plug-in shows before it is packed.
  add_custom_target(kronilog_package
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/check_guide.py ${PROJECT_SOURCE_DIR}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/make_package.py
      --dll $<TARGET_FILE:${target}> --version ${PROJECT_VERSION} --source ${PROJECT_SOURCE_DIR}
      --work ${PROJECT_BINARY_DIR}/package --output ${zip}
    DEPENDS ${target}
    COMMENT "Packing ${zip}"
    VERBATIM)
endfunction()
