# MUV asked to end by SIGTERM while a box of its start waits (its settings file is a named pipe, which it
# tells and does not read): it ends, although the event loop that ends it had not started. Arguments:
# MUV, INPUT, OUTPUT_WAV, FOLDER.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}/config/MUV")
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/MuvOfflineRun.cmake)
muv_offline_environment("${FOLDER}" "${INPUT}" "${OUTPUT_WAV}")
set(ENV{QT_QPA_PLATFORM} "offscreen")
set(ini "${FOLDER}/config/MUV/MUV.ini")
set(errors "${FOLDER}/stderr.txt")
execute_process(COMMAND mkfifo "${ini}")
execute_process(
    COMMAND sh -c [=[
        "$1" 2>"$2" & pid=$!
        sleep 6
        kill -TERM $pid
        i=0; while kill -0 $pid 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
        if kill -0 $pid 2>/dev/null; then kill -KILL $pid; wait $pid; echo "still running 30 s after SIGTERM"; exit 1; fi
        wait $pid
        exit 0
    ]=] sh "${MUV}" "${errors}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE said
    TIMEOUT 90)
file(READ "${errors}" stderr)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${said}\n${stderr}")
endif()
message(STATUS "ended while the start's box waited")
