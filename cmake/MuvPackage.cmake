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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME muv)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}~beta")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound-card modem for keyboard-to-keyboard text on MF, HF and EME")
set(CPACK_PACKAGE_DESCRIPTION
    "MUV turns the receiver's audio into text and typed text into a tone signal while it keys the "
    "transmitter, with the tools of an operating position around it: frequency list and scan, CAT rig "
    "control through Hamlib's rigctld, macros, beacon, ADIF log, DX cluster and chat, reception reports, "
    "e-mail reports, alarms, waterfall and meters, in eleven interface languages.")
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
