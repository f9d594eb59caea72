# Where `cmake --install` puts the programs, and the Debian package `cpack -G DEB`
# makes of them (in the build folder, as duruz_<version>_<arch>.deb).
include(GNUInstallDirs)

if(TARGET duruz)
    install(TARGETS duruz RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(UNIX AND NOT APPLE)
        # The menu entry and its icon, where desktops look for them.
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/duruz.desktop
                DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/duruz.svg
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    endif()
endif()
if(TARGET duruz-sim)
    install(TARGETS duruz-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET duruz-cli)
    install(TARGETS duruz-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(DURUZ_BUILD_TESTS AND TARGET duruz AND TARGET duruz-sim AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME InstallTree
             COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR}
                     -DPREFIX=${CMAKE_BINARY_DIR}/install-tree -DVERSION=${PROJECT_VERSION} -P
                     ${PROJECT_SOURCE_DIR}/cmake/check_install_tree.cmake)
endif()

set(DURUZ_PACKAGE_MAINTAINER "RORU-Duruz developers <duruz@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME duruz)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Front end of a two-channel oscilloscope and signal generator on a serial port")
# The lines of the Debian description, each within 80 columns.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "One window on the instrument: the two input channels as time traces, in\n"
       "XY mode and as magnitude spectra, with the ranges, trigger and generator\n"
       "controls beside them. duruz-cli drives the instrument from scripts and\n"
       "test benches without a window. duruz-sim serves a simulated instrument\n"
       "on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT ${DURUZ_PACKAGE_MAINTAINER})
# Packages carry the programs without their debugging information.
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR DEB)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The run-time libraries, with their versions, come from dpkg-shlibdeps (dpkg-dev).
# Qt's X11 and off-screen platform plugins are in libqt6gui6 itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
