# Writes the Win32 module definition of kronilog.dll from entry/exports.inc: every export by
# ordinal only (NONAME), stdcall routines with their decorated names (the 64-bit test build
# has one calling convention and no decoration).
function(kronilog_write_def output)
  file(STRINGS ${PROJECT_SOURCE_DIR}/entry/exports.inc lines REGEX "^PLUGIN_EXPORT\\(")
  set(text "LIBRARY kronilog.dll\nEXPORTS\n")
  foreach(line ${lines})
    string(REGEX MATCH "^PLUGIN_EXPORT\\(([0-9]+), *([A-Za-z_0-9]+), *([A-Z0-9]+)\\)" _ "${line}")
    set(ordinal ${CMAKE_MATCH_1})
    set(name ${CMAKE_MATCH_2})
    set(bytes ${CMAKE_MATCH_3})
    if(bytes STREQUAL "CDECL" OR CMAKE_SIZEOF_VOID_P EQUAL 8)
      string(APPEND text "  ${name} @${ordinal} NONAME\n")
    else()
      string(APPEND text "  ${name}@${bytes} @${ordinal} NONAME\n")
    endif()
  endforeach()
  file(WRITE ${output} "${text}")
endfunction()
