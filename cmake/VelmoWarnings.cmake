# Warnings for our own targets only (not for the Debian libraries' headers).
function(velmo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()
