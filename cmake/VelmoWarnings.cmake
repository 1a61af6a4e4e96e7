# Warnings for our own targets only (not for the Debian libraries' headers,
# which come in as system headers). VELMO_WERROR makes them errors; the
# release preset turns it on.
function(velmo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(VELMO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
