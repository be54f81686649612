# The release of kronilog.dll, as a shop installs it (bash .ci/release).
#
# Every Win32 build gives the DLL its version resource (cmake/version.rc.in). With
# KRONILOG_RELEASE=ON the build is the one that ships: optimised with -O2 and nothing else
# from the build type, no build folder or source folder in any object, and no time stamp in
# the DLL's header, so that the same commit gives the same bytes in any folder. The DLL is
# linked with its debug information (-g changes no code); right after the link its symbols
# go into kronilog.dll.debug beside it, and the DLL is stripped and names that file in its
# .gnu_debuglink section (the file's name and CRC-32), so that a crash address from a shop
# can be read against the release's own symbols (docs/crash-addresses.md). The target
# kronilog_package packs the DLL with the settings sample, the schema, the guide, the shop's
# change history and the build's description into dist/kronilog-<version>-win32.zip, and
# leaves beside it the zip's checksum and the debug file.
option(KRONILOG_RELEASE "Build kronilog.dll as it ships: -O2, stripped, reproducible" OFF)
set(KRONILOG_DIST_DIR ${PROJECT_SOURCE_DIR}/dist CACHE PATH "Where kronilog_package writes the zip")
# The years in the DLL's copyright notice: those of the project's releases, never the build's.
set(KRONILOG_COPYRIGHT_YEARS 2026)

if(KRONILOG_RELEASE)
  if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
  elseif(NOT CMAKE_BUILD_TYPE STREQUAL "Release")
    message(FATAL_ERROR "KRONILOG_RELEASE builds the Release type, not ${CMAKE_BUILD_TYPE}")
  endif()
  # These flags exactly, whatever CMake's default for Release is (-O3).
  set(CMAKE_C_FLAGS_RELEASE "-O2 -g -DNDEBUG")
  set(CMAKE_CXX_FLAGS_RELEASE "-O2 -g -DNDEBUG")
  # __FILE__ and the debug information name the sources by their place in the tree only, and
  # the compiler's working folder (the build folder) as ".". GCC tries the last map first.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}=.
                      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  # A map is a plain prefix of the text: the build folder's own map (".../out", without a
  # slash, for the working folder) would also rewrite a source folder whose name it begins
  # (".../output/..."), and the debug file would then depend on the build folder's name.
  file(GLOB source_folders LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/*)
  foreach(folder ${source_folders})
    string(FIND "${folder}" "${PROJECT_BINARY_DIR}" at)
    if(at EQUAL 0 AND NOT folder STREQUAL PROJECT_BINARY_DIR)
      message(FATAL_ERROR "The release's build folder ${PROJECT_BINARY_DIR} begins the name of "
                          "${folder}: give it a name that begins no folder of the sources")
    endif()
  endforeach()
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
  # No time stamp in the PE header, so that two builds of one commit are the same bytes.
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  # The symbols out, before stripping: the debug file holds the link's debug sections and
  # symbol table, the shipped DLL neither (the static runtime brings debug sections of its
  # own), only the link to the file. objcopy stamps the PE header it writes with the time
  # unless SOURCE_DATE_EPOCH says otherwise: 0 keeps both files' time stamps zero.
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "KRONILOG_RELEASE needs objcopy for the DLL's debug file")
  endif()
  # The debug file's name, known here (not only at build time) so that it can be a byproduct
  # of the link: a missing debug file then links the DLL again.
  get_target_property(output_name ${target} OUTPUT_NAME)
  get_target_property(output_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  if(NOT output_dir)
    set(output_dir ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(debug_file ${output_name}${CMAKE_SHARED_LIBRARY_SUFFIX}.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> ${debug_file}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug_file} $<TARGET_FILE_NAME:${target}>
    BYPRODUCTS ${output_dir}/${debug_file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Moving the symbols of ${target} into their debug file; stripping ${target}"
    VERBATIM)

  # What BUILDINFO.txt says of the build: the tools and the options that make the DLL. The
  # folders are named here so that the packer can write them as placeholders: the file must
  # be the same from any clone.
  get_filename_component(toolchain "${CMAKE_TOOLCHAIN_FILE}" NAME)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/build-options.txt CONTENT
"source_dir=${PROJECT_SOURCE_DIR}
binary_dir=${PROJECT_BINARY_DIR}
cmake=${CMAKE_VERSION}
toolchain_file=${toolchain}
cxx_compiler=${CMAKE_CXX_COMPILER}
linker=${CMAKE_LINKER}
objcopy=${CMAKE_OBJCOPY}
rc_compiler=${CMAKE_RC_COMPILER}
build_type=${CMAKE_BUILD_TYPE}
cxx_standard=$<TARGET_PROPERTY:kronilog_objects,CXX_STANDARD>
cxx_flags=${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_RELEASE}
compile_options=$<JOIN:$<TARGET_PROPERTY:kronilog_objects,COMPILE_OPTIONS>, >
compile_definitions=$<JOIN:$<TARGET_PROPERTY:kronilog_objects,COMPILE_DEFINITIONS>, >
link_flags=${CMAKE_SHARED_LINKER_FLAGS} ${CMAKE_SHARED_LINKER_FLAGS_RELEASE}
link_options=$<JOIN:$<TARGET_PROPERTY:${target},LINK_OPTIONS>, >
")

  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(zip ${KRONILOG_DIST_DIR}/kronilog-${PROJECT_VERSION}-win32.zip)
  # The guide must explain every message the plug-in shows before it is packed.
  add_custom_target(kronilog_package
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/check_guide.py ${PROJECT_SOURCE_DIR}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/packaging/make_package.py
      --dll $<TARGET_FILE:${target}> --version ${PROJECT_VERSION} --source ${PROJECT_SOURCE_DIR}
      --build-options ${PROJECT_BINARY_DIR}/build-options.txt
      --work ${PROJECT_BINARY_DIR}/package --output ${zip}
    DEPENDS ${target}
    COMMENT "Packing ${zip}"
    VERBATIM)
endfunction()
