# What `cmake --install` puts in place, and the Debian package that CPack makes of it (cpack -G DEB):
# the program and its installer, the data folder that the installed program finds beside itself
# (<prefix>/share/muv: the seed settings file, the flags, the rig files and the CAT server's setup), the
# desktop entry and the icon.
include(GNUInstallDirs)
set(MUV_SHARE_FOLDER share/muv)  # the installed program looks exactly here: bin/../share/muv

install(TARGETS MUV muv-install muv-rig-keeper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/MUV.ini DESTINATION ${MUV_SHARE_FOLDER})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/data/hamlib-setup DESTINATION ${MUV_SHARE_FOLDER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/Rigs DESTINATION ${MUV_SHARE_FOLDER})
install(DIRECTORY ${PROJECT_BINARY_DIR}/data/Flags DESTINATION ${MUV_SHARE_FOLDER})
install(FILES ${PROJECT_SOURCE_DIR}/data/muv.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/muv.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# What Debian asks of every package: the copyright, the changelog and a manual page for each program,
# compressed as Debian compresses them (gzip -9n: no name or time stamp, so that the build repeats).
find_program(MUV_GZIP gzip REQUIRED)
set(muv_docs ${PROJECT_BINARY_DIR}/package-docs)
set(muv_compressed)
foreach(source debian/changelog man/MUV.1 man/muv-install.1 man/muv-rig-keeper.1)
    get_filename_component(name ${source} NAME)
    set(target ${muv_docs}/${name}.gz)
    add_custom_command(OUTPUT ${target}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${muv_docs}
                       COMMAND ${MUV_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/data/${source} > ${target}
                       DEPENDS ${PROJECT_SOURCE_DIR}/data/${source}
                       VERBATIM)
    list(APPEND muv_compressed ${target})
endforeach()
add_custom_target(muv_package_docs ALL DEPENDS ${muv_compressed})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${muv_docs}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/muv)
install(FILES ${muv_docs}/MUV.1.gz ${muv_docs}/muv-install.1.gz ${muv_docs}/muv-rig-keeper.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME muv)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}~beta")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound-card modem for keyboard-to-keyboard text on MF, HF and EME")
# One text, in lines that Debian's tools show unwrapped.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "MUV turns the receiver's audio into text and typed text into a tone signal\n"
       "while it keys the transmitter, for keyboard-to-keyboard contacts between radio\n"
       "amateurs on the MF and HF bands and over the moon (EME). Around the modem stand\n"
       "the tools of an operating position: frequency list and scan, CAT rig control\n"
       "through Hamlib's rigctld, macros, beacon, ADIF log, DX cluster and chat,\n"
       "reception reports, e-mail reports, alarms, waterfall and meters, in eleven\n"
       "interface languages.")
set(CPACK_PACKAGE_CONTACT "MUV developers <bugs@muv-modem.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# The libraries it is linked with are found by dpkg-shlibdeps; what it runs or reads besides them is
# named here: rigctld, the country file, Qt's platform plugins and the font its windows are drawn for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libhamlib-utils, hamradio-files, qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, pkexec")
include(CPack)
