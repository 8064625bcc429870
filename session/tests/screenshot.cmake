# Runs MUV on a virtual display with the recording as its sound input and checks that it saved its
# window. Arguments: MUV, INPUT, OUTPUT_WAV, PNG, AFTER (seconds), FOLDER (its configuration and data,
# emptied first), and LANGUAGE (optional: the language menu's item, 1 English to 11 Hungarian).
file(REMOVE "${PNG}")
file(REMOVE_RECURSE "${FOLDER}")
if(DEFINED LANGUAGE)
    file(WRITE "${FOLDER}/config/MUV/MUV.ini" "[Idioma]\r\nIdioma= ${LANGUAGE}\r\n")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/MuvOfflineRun.cmake)
muv_offline_environment("${FOLDER}" "${INPUT}" "${OUTPUT_WAV}")
execute_process(
    COMMAND xvfb-run -a -s "-screen 0 1280x800x24" "${MUV}" --screenshot "${PNG}" --after ${AFTER}
    RESULT_VARIABLE result
    TIMEOUT 100)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "MUV ended with ${result}")
endif()
if(NOT EXISTS "${PNG}")
    message(FATAL_ERROR "no screenshot at ${PNG}")
endif()
file(SIZE "${PNG}" size)
message(STATUS "screenshot ${PNG} (${size} bytes)")
