# Builds the Debian package, unpacks it into a scratch folder, and checks what an operator's machine
# gets: every file the program looks for, the dependencies, a desktop entry that the desktop accepts,
# and the installed program starting from the unpacked tree, passing its start-up check and decoding
# the demonstration recording. Arguments: CPACK, CONFIG (CPackConfig.cmake), FOLDER (emptied first),
# INPUT (the recording).
file(REMOVE_RECURSE "${FOLDER}")
file(MAKE_DIRECTORY "${FOLDER}")

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 420)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
    endif()
    set(output "${out}" PARENT_SCOPE)
endfunction()

run("${CPACK}" -G DEB --config "${CONFIG}" -B "${FOLDER}/out")
file(GLOB packages "${FOLDER}/out/muv_*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package, found: ${packages}")
endif()
set(root "${FOLDER}/root")
run(dpkg-deb -x "${packages}" "${root}")

foreach(file usr/bin/MUV usr/bin/muv-install usr/share/muv/MUV.ini usr/share/muv/hamlib-setup
             usr/share/muv/Rigs/Dummy usr/share/muv/Flags/Glorioso.ico usr/share/muv/Flags/Spain.ico
             usr/share/applications/muv.desktop usr/share/icons/hicolor/scalable/apps/muv.svg)
    if(NOT EXISTS "${root}/${file}")
        message(FATAL_ERROR "the package lacks ${file}")
    endif()
endforeach()
run(test -x "${root}/usr/share/muv/hamlib-setup")  # the CAT server's setup can be started

run(dpkg-deb -f "${packages}" Depends)
foreach(dependency libhamlib-utils hamradio-files qt6-qpa-plugins libqt6widgets6 libqt6serialport6
                   libportaudio2 libasound2 libsndfile1 libcurl4)
    string(FIND "${output}" "${dependency}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package does not depend on ${dependency}: ${output}")
    endif()
endforeach()

run(desktop-file-validate "${root}/usr/share/applications/muv.desktop")

# Debian's own check of a package: no error and no warning.
run(lintian --fail-on error,warning "${packages}")
foreach(file usr/share/doc/muv/copyright usr/share/doc/muv/changelog.gz usr/share/man/man1/MUV.1.gz
             usr/share/man/man1/muv-install.1.gz)
    if(NOT EXISTS "${root}/${file}")
        message(FATAL_ERROR "the package lacks ${file}")
    endif()
endforeach()
run(dpkg-deb -f "${packages}" Description)
string(FIND "${output}" ";" at)
if(NOT at EQUAL -1)
    message(FATAL_ERROR "the package's description has a stray ';':\n${output}")
endif()

# The installed program, on its own data folder, with a configuration of its own.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/MuvOfflineRun.cmake)
muv_offline_environment("${FOLDER}/home" "${INPUT}" "${FOLDER}/transmitted.wav")
set(ENV{QT_QPA_PLATFORM} "offscreen")
run("${root}/usr/bin/MUV" --screenshot "${FOLDER}/window.png" --after 22)
if(NOT EXISTS "${FOLDER}/home/config/MUV/MUV.ini")
    message(FATAL_ERROR "the installed program kept no settings")
endif()
file(GLOB logs "${FOLDER}/home/data/MUV/*.Log")
if(NOT logs)
    message(FATAL_ERROR "the installed program saved no session log")
endif()
file(READ "${logs}" log)
string(FIND "${log}" "CQ CQ CQ de EA1MUV" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the installed program decoded nothing:\n${log}")
endif()
message(STATUS "${packages}: complete, and its program starts and decodes")
