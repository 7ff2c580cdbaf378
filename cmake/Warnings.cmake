# Warnings every target of ours builds with; a warning is a defect to fix, not to silence.
function(quillon_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(QUILLON_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
