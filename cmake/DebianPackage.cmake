# What Debian's conventions ask of the package beyond the programs (included by
# Packaging.cmake before CPack): man pages made from the programs' own help,
# rfcard's shell completions made from its command line, the AppStream entry,
# the copyright file and the changelog, an example udev rule, a launcher for
# reader-sim, stripped binaries and the maintainer. packaging/lintian-notes.md
# explains what lintian still says about the package.

set(TILVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/tilvane)
set(TILVANE_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${TILVANE_GENERATED_DIR})

# The changelog's newest entry must be this version's: a package whose changelog
# speaks of another version is wrong, and CPack takes the version from here.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog TILVANE_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT TILVANE_CHANGELOG_TOP MATCHES "^tilvane \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog begins with \"${TILVANE_CHANGELOG_TOP}\"; "
                        "its newest entry must be version ${PROJECT_VERSION}")
endif()

# A file compressed as Debian wants it: gzip -9, no name or time stored.
function(tilvane_gzip SOURCE OUTPUT)
    add_custom_command(OUTPUT ${OUTPUT}
        COMMAND gzip -9nc ${SOURCE} > ${OUTPUT}
        DEPENDS ${SOURCE}
        VERBATIM)
endfunction()

set(TILVANE_PACKAGE_FILES)

# Man pages. rfcard writes its own from its command line (every command with its
# options); tilvane's and reader-sim's come from --help and --version by help2man.
find_program(HELP2MAN help2man)
set(TILVANE_MAN_PAGES)
if(TARGET rfcard)
    add_custom_command(OUTPUT ${TILVANE_GENERATED_DIR}/rfcard.1
        COMMAND rfcard --document man > ${TILVANE_GENERATED_DIR}/rfcard.1
        DEPENDS rfcard
        VERBATIM)
    list(APPEND TILVANE_MAN_PAGES rfcard)
endif()
foreach(program tilvane reader-sim)
    if(NOT TARGET ${program})
        continue()
    endif()
    if(NOT HELP2MAN)
        message(WARNING "help2man not found (scripts/install-deps.sh installs it): "
                        "the package lacks the man page of ${program}")
        continue()
    endif()
    if(program STREQUAL "tilvane")
        set(summary "the operator's application for a contactless card reader")
    else()
        set(summary "a virtual contactless card reader on a pseudo-terminal")
    endif()
    add_custom_command(OUTPUT ${TILVANE_GENERATED_DIR}/${program}.1
        COMMAND ${HELP2MAN} --no-info --section=1 --name=${summary}
                --output=${TILVANE_GENERATED_DIR}/${program}.1 $<TARGET_FILE:${program}>
        DEPENDS ${program}
        VERBATIM)
    list(APPEND TILVANE_MAN_PAGES ${program})
endforeach()
foreach(page IN LISTS TILVANE_MAN_PAGES)
    tilvane_gzip(${TILVANE_GENERATED_DIR}/${page}.1 ${TILVANE_GENERATED_DIR}/${page}.1.gz)
    list(APPEND TILVANE_PACKAGE_FILES ${TILVANE_GENERATED_DIR}/${page}.1.gz)
    install(FILES ${TILVANE_GENERATED_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# rfcard's completions, from the same command line as its man page.
if(TARGET rfcard)
    add_custom_command(OUTPUT ${TILVANE_GENERATED_DIR}/completion/rfcard
                              ${TILVANE_GENERATED_DIR}/completion/_rfcard
        COMMAND ${CMAKE_COMMAND} -E make_directory ${TILVANE_GENERATED_DIR}/completion
        COMMAND rfcard --document bash > ${TILVANE_GENERATED_DIR}/completion/rfcard
        COMMAND rfcard --document zsh > ${TILVANE_GENERATED_DIR}/completion/_rfcard
        DEPENDS rfcard
        VERBATIM)
    list(APPEND TILVANE_PACKAGE_FILES ${TILVANE_GENERATED_DIR}/completion/rfcard
                                      ${TILVANE_GENERATED_DIR}/completion/_rfcard)
    install(FILES ${TILVANE_GENERATED_DIR}/completion/rfcard
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
    install(FILES ${TILVANE_GENERATED_DIR}/completion/_rfcard
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
endif()

# reader-sim on the path too, as its man page says.
if(TARGET reader-sim)
    set(TILVANE_PROGRAM reader-sim)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/launcher.in
                   ${TILVANE_GENERATED_DIR}/reader-sim @ONLY)
    install(PROGRAMS ${TILVANE_GENERATED_DIR}/reader-sim DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The AppStream entry of the application.
if(TARGET tilvane)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/example.velomar.Tilvane.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# The copyright file, the changelog, and the udev rule as an example: it gives
# every adapter of its chips to the group dialout, which is the administrator's
# choice, so it is not active as installed.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${TILVANE_DOC_DIR})
# A native package (no Debian revision in the version): its changelog is changelog.gz.
tilvane_gzip(${PROJECT_SOURCE_DIR}/packaging/changelog ${TILVANE_GENERATED_DIR}/changelog.gz)
list(APPEND TILVANE_PACKAGE_FILES ${TILVANE_GENERATED_DIR}/changelog.gz)
install(FILES ${TILVANE_GENERATED_DIR}/changelog.gz DESTINATION ${TILVANE_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tilvane)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/udev/60-tilvane-reader.rules
        DESTINATION ${TILVANE_DOC_DIR}/examples)

add_custom_target(package_files ALL DEPENDS ${TILVANE_PACKAGE_FILES})

# Stripped programs and libraries; files and folders with the permissions
# Debian's tools give them; a maintainer at the project's own domain.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tilvane maintainers <tilvane@velomar.example>")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.velomar.example/tilvane/")
