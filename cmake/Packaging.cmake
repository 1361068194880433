# Installation like other desktop programs, and the Debian package.
#
# <prefix>/lib/tessaly/    the complete program folder (executable beside its installed files)
# <prefix>/bin/tessaly     the launcher on the PATH: a link into the program folder, which the
#                          program finds again through its own executable's real path
# <prefix>/share/applications/tessaly.desktop, the icon in the hicolor theme, the copyright

set(TESSALY_INSTALL_DIR lib/tessaly)
install(DIRECTORY ${TESSALY_PROGRAM_DIR}/ DESTINATION ${TESSALY_INSTALL_DIR} USE_SOURCE_PERMISSIONS)

set(launcher ${CMAKE_BINARY_DIR}/launcher/tessaly)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
file(CREATE_LINK ../${TESSALY_INSTALL_DIR}/tessaly ${launcher} SYMBOLIC)
install(FILES ${launcher} DESTINATION bin)

install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/tessaly.desktop DESTINATION share/applications)
install(FILES ${TESSALY_PROGRAM_DIR}/tessaly.png DESTINATION share/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/assets/desktop/copyright DESTINATION share/doc/tessaly)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "Dorvex")
set(CPACK_PACKAGE_CONTACT "Dorvex <support@dorvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Controller of the Dorvex cell-culture rig")
set(CPACK_PACKAGE_DESCRIPTION
  "Edits and runs 40-step micropump programs whose sound clips drive the left and right\n micropumps, switches the laser and the vacuum pump over a serial relay board, shows\n the measuring board's readings and charts, and exports programs as MP3 files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# Shared libraries from the binaries; what is only loaded at run time is named by hand: the
# GStreamer plugins that decode the intro videos, and a font with the help's Chinese glyphs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-good, gstreamer1.0-libav, libqt6multimedia6, libqt6serialport6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei")
# The audio library beside the executable is the program's own; it is loaded from its folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TESSALY_PROGRAM_DIR})
include(CPack)
