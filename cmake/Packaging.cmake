# Installing on Linux: everything that runs goes into one directory (the
# application loads Drovik from its own directory and Drovik loads Selmek from
# its own), <prefix>/lib/tilvane; launchers in <prefix>/bin start the application
# and rfcard there. A desktop entry and its icon put it in the menu. CPack makes
# a Debian package of the same (cpack -G DEB in the build directory).
include(GNUInstallDirs)

set(TILVANE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/tilvane)
# Debian keeps a package's private programs in /usr/lib/<package>, not in the
# multiarch directory.
if(CMAKE_INSTALL_LIBDIR MATCHES "^lib/")
    set(TILVANE_INSTALL_DIR lib/tilvane)
endif()

install(TARGETS Drovik Selmek LIBRARY DESTINATION ${TILVANE_INSTALL_DIR})
foreach(program tilvane rfcard reader-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${TILVANE_INSTALL_DIR})
    endif()
endforeach()

file(RELATIVE_PATH TILVANE_LAUNCHER_TO_DIR /${CMAKE_INSTALL_BINDIR} /${TILVANE_INSTALL_DIR})
foreach(TILVANE_PROGRAM tilvane rfcard)
    if(TARGET ${TILVANE_PROGRAM})
        configure_file(${PROJECT_SOURCE_DIR}/packaging/launcher.in
                       ${CMAKE_BINARY_DIR}/packaging/${TILVANE_PROGRAM} @ONLY)
        install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/${TILVANE_PROGRAM}
                DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

# The PC/SC driver where pcscd looks for serial drivers (pcsc-lite's drivers
# directory, serial/), and a reader.conf file for it with every line commented
# out, as Debian's serial drivers ship theirs: pcscd reads /etc/reader.conf.d
# only, and the file does nothing until the reader's device is written into it.
# A conffile, so an edited copy survives upgrades.
if(TARGET ifd-tilvane)
    find_package(PkgConfig REQUIRED)
    pkg_get_variable(TILVANE_PCSC_DROP_DIR libpcsclite usbdropdir)
    file(RELATIVE_PATH TILVANE_PCSC_DRIVER_DIR /usr ${TILVANE_PCSC_DROP_DIR}/serial)
    install(TARGETS ifd-tilvane LIBRARY DESTINATION ${TILVANE_PCSC_DRIVER_DIR})
    set(TILVANE_READER_CONF_DIR /etc/reader.conf.d CACHE PATH
        "Where the commented reader.conf file for pcscd is installed")
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/reader.conf.d/tilvane
            DESTINATION ${TILVANE_READER_CONF_DIR})
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "${TILVANE_READER_CONF_DIR}/tilvane\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
endif()

if(TARGET tilvane)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/tilvane.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/app/res/icons/about.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
            RENAME tilvane.svg)
endif()

# The Python package drovik, pure Python, where Debian's python3 imports it from;
# it finds libDrovik.so in the installed directory above.
set(TILVANE_PYTHON_DIR lib/python3/dist-packages CACHE STRING
    "Where the drovik Python package is installed, below the prefix")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/drovik DESTINATION ${TILVANE_PYTHON_DIR}
        FILES_MATCHING PATTERN "*.py" PATTERN "interface.json" PATTERN "py.typed"
        PATTERN "__pycache__" EXCLUDE)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3")

set(CPACK_PACKAGE_NAME tilvane)
set(CPACK_PACKAGE_VENDOR Velomar)
set(CPACK_PACKAGE_CONTACT "Tilvane maintainers <tilvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Operator's tool and libraries for a 13.56 MHz contactless card reader")
set(CPACK_PACKAGE_DESCRIPTION
    "Tilvane reads and writes contactless cards through a reader on a serial port:\n\
the Qt application, rfcard for whole cards from the command line, the reader\n\
library libDrovik.so, its serial transport libSelmek.so, the pcsc-lite driver\n\
that makes the reader a PC/SC reader, and reader-sim, a virtual reader for\n\
trying it without hardware.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tilvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The dependencies are read from what the programs and libraries link
# (dpkg-shlibdeps); the font shows the pages' Chinese texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei")
# The driver is of use with pcscd.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pcscd")

# Debian's conventions: man pages, completions, AppStream, copyright, changelog.
include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)

include(CPack)
