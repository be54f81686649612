# Warnings for the project's own targets; errors when KRONILOG_WERROR is on (as in CI).
function(kronilog_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wformat=2 -Wno-format-nonliteral)
  if(KRONILOG_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
