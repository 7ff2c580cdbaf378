# Runs one Qt Test program of the Windows build under Wine and prints its log; fails when the
# program does. Under Wine a Qt program's own standard output stays empty, so the log goes to a
# file; and the output of Wine's desktop process, which the first window starts and which outlives
# the program, goes to files too, never to a pipe CTest would wait on.
# cmake -DEMULATOR=wine64 -DPROGRAM=x.exe -DLOG=x.log -P RunUnderWine.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} -o ${LOG},txt
                RESULT_VARIABLE status OUTPUT_FILE ${LOG}.out ERROR_FILE ${LOG}.err)
if(EXISTS ${LOG})
    file(READ ${LOG} log)
    message("${log}")
endif()
if(NOT status EQUAL 0)
    file(READ ${LOG}.err errors)
    message(FATAL_ERROR "${PROGRAM} ended with ${status}\n${errors}")
endif()
