# Installing like a Debian program: man pages (gzip'd, as Debian wants them), bash completion,
# the package's documentation, and CPack's DEB generator for `scripts/package.sh`.
include(GNUInstallDirs)

# The rest is a Linux install: manual pages, completion, a .deb.
if(WIN32)
    return()
endif()

set(_quillon_pages quillon7 quillon7-cli quillon7-sim)
set(_quillon_gz_pages)
foreach(page IN LISTS _quillon_pages)
    # The page's header names the project's version.
    set(source ${PROJECT_BINARY_DIR}/man/${page}.1)
    configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${source} @ONLY)
    set(gz ${source}.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND gzip -9n -c ${source} > ${gz}
        DEPENDS ${source} VERBATIM)
    list(APPEND _quillon_gz_pages ${gz})
endforeach()
add_custom_target(quillon_man_pages ALL DEPENDS ${_quillon_gz_pages})

set(_quillon_changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${_quillon_changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${_quillon_changelog_gz}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(quillon_changelog ALL DEPENDS ${_quillon_changelog_gz})

install(FILES ${_quillon_gz_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/completion/quillon7-cli packaging/completion/quillon7-sim
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES packaging/copyright packaging/README.Debian ${_quillon_changelog_gz}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon7)
set(CPACK_PACKAGE_VENDOR "Quillon7")
set(CPACK_PACKAGE_CONTACT
    "Quillon7 maintainers <maintainers@users.noreply.c-seed-190a3472.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware loader for HBD and KX2 railroad field units")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Loads firmware into railroad field units over a serial line: the COMM,\n"
    "READER and SPEECH boards of an HBD unit, or the one image of a KX2 unit.\n"
    "Every run keeps a dated message log and an entry in an append-only\n"
    "upload history.\n"
    "\n"
    "The package holds the Qt desktop program quillon7, the command-line\n"
    "program quillon7-cli (uploads, serial terminal, records) and\n"
    "quillon7-sim, a simulated unit on a pseudo-terminal for trying the loader\n"
    "without hardware.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
include(CPack)
