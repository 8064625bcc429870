# Runs MUV twice under a configuration folder of its own: the first run writes the settings file; the
# operator's choices in the file (profile 3 with its layout, colour and frequency) are what the second
# run starts with and saves again. Arguments: MUV, INPUT, OUTPUT_WAV, FOLDER.
file(REMOVE_RECURSE "${FOLDER}")
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/MuvOfflineRun.cmake)
muv_offline_environment("${FOLDER}" "${INPUT}" "${OUTPUT_WAV}")
set(ENV{QT_QPA_PLATFORM} "offscreen")
set(ini "${FOLDER}/config/MUV/MUV.ini")

function(run_muv)
    execute_process(COMMAND "${MUV}" --screenshot "${FOLDER}/window.png" --after 2
                    RESULT_VARIABLE result TIMEOUT 60)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "MUV ended with ${result}")
    endif()
endfunction()

# (file(READ) drops the carriage returns of the file's line ends.)
function(expect text)
    file(READ "${ini}" content)
    string(FIND "${content}" "${text}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the settings file lacks '${text}':\n${content}")
    endif()
endfunction()

run_muv()
expect("[User Profiles]\nNumeroUsuario=1\n")
expect("Resolucion= 2\n")
file(WRITE "${ini}" "[User Profiles]\r\nNumeroUsuario=3\r\n3=Portable\r\n"
                    "[Pantalla3]\r\nResolucion= 5\r\nColor= 6\r\n[Frecuencia3]\r\nMenu= 7\r\n")
run_muv()
expect("NumeroUsuario=3\n3=Portable\n")
expect("[Pantalla3]\nResolucion= 5\nColor= 6\n")
expect("[Frecuencia3]\nMenu= 7\n")
expect("Ultima Frecuencia=7040.0\n")
message(STATUS "the second run kept the first run's settings")
