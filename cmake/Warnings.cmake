# Warnings every target of ours builds with; a warning is a defect to fix, not to silence.
function(quillon_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                             -Wnon-virtual-dtor -Woverloaded-virtual)
    # GCC 12's own std::string code trips -Wrestrict at -O3 on "text" + std::string (GCC bug
    # 105651, fixed in 13): a false alarm in the release and package builds, nothing of ours.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(QUILLON_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
