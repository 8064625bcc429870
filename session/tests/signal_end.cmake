# MUV asked to end by SIGTERM while its settings file cannot be written: the shut-down shows no box that
# would wait for an operator who is not there. It ends by itself, and what the box would have said is on
# its standard error and in the session log. Arguments: MUV, INPUT, OUTPUT_WAV, FOLDER.
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/MuvOfflineRun.cmake)
muv_offline_environment("${FOLDER}" "${INPUT}" "${OUTPUT_WAV}")
set(ENV{QT_QPA_PLATFORM} "offscreen")
set(ini "${FOLDER}/config/MUV/MUV.ini")
set(errors "${FOLDER}/stderr.txt")

# Started, its settings file written by the start; made read-only, then SIGTERM; at most 30 s to end.
execute_process(
    COMMAND sh -c [=[
        "$1" 2>"$2" & pid=$!
        i=0; while [ ! -s "$3" ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
        sleep 2
        chmod 0400 "$3"
        kill -TERM $pid
        i=0; while kill -0 $pid 2>/dev/null && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
        if kill -0 $pid 2>/dev/null; then kill -KILL $pid; wait $pid; echo "still running 30 s after SIGTERM"; exit 1; fi
        wait $pid
    ]=] sh "${MUV}" "${errors}" "${ini}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE said
    TIMEOUT 90)
file(READ "${errors}" stderr)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "MUV ended with ${result} ${said}\n${stderr}")
endif()
set(message "Settings Error: The settings cannot be saved in ${ini} (the file is read-only)")
string(FIND "${stderr}" "${message}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "standard error lacks '${message}':\n${stderr}")
endif()
file(GLOB logs "${FOLDER}/data/MUV/*.Log")
if(NOT logs)
    message(FATAL_ERROR "no session log in ${FOLDER}/data/MUV")
endif()
set(log "")
foreach(file ${logs})
    file(READ "${file}" part)
    string(APPEND log "${part}")
endforeach()
string(FIND "${log}" "${message}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the session log lacks '${message}':\n${log}")
endif()
message(STATUS "ended by itself; the shut-down's message is on standard error and in the session log")
