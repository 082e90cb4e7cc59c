# What `cmake --install` puts where, and the packages CPack builds from it:
# a .deb on Linux, a .zip of the 32-bit program on Windows. `make package`
# builds both.
include(GNUInstallDirs)

set(VANTREL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The manual page and the changelog name the version by hand; a release
# whose files disagree with project() must not be built.
function(vantrel_require_version file_path pattern)
    file(STRINGS ${file_path} first_match REGEX "${pattern}" LIMIT_COUNT 1)
    string(REGEX REPLACE "${pattern}.*" "\\1" found "${first_match}")
    if(NOT first_match OR NOT found STREQUAL PROJECT_VERSION)
        message(FATAL_ERROR "${file_path} names version '${found}', but the project is ${PROJECT_VERSION}")
    endif()
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file_path})
endfunction()

vantrel_require_version(${PROJECT_SOURCE_DIR}/man/vantrel.1 "^\\.TH VANTREL 1 [^ ]+ \"Vantrel ([^\"]+)\"")

set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "Corvane <support@corvane.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measures how long the machine takes to settle after a restart")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
# Only the two binary packages; the sources travel through git.
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
    # One folder's worth of files, without a folder of their own: Explorer's
    # "Extract All" makes that folder already.
    install(TARGETS vantrel RUNTIME DESTINATION .)

    # Notepad before Windows 10 shows a text with bare line feeds as one line.
    configure_file(${VANTREL_PACKAGING_DIR}/README-windows.txt.in ${CMAKE_CURRENT_BINARY_DIR}/README.txt
                   @ONLY NEWLINE_STYLE CRLF)
    configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt DESTINATION .)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME vantrel-${PROJECT_VERSION}-win32)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    vantrel_require_version(${VANTREL_PACKAGING_DIR}/changelog "^vantrel \\(([^)]+)\\)")
    find_program(VANTREL_GZIP gzip REQUIRED)

    # Debian keeps manual pages and changelogs compressed, without a name or
    # time stamp in the header, so that a rebuild gives the same bytes.
    set(VANTREL_MAN_PAGE_GZ ${CMAKE_CURRENT_BINARY_DIR}/vantrel.1.gz)
    set(VANTREL_CHANGELOG_GZ ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
    add_custom_command(OUTPUT ${VANTREL_MAN_PAGE_GZ}
        COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/man/vantrel.1 vantrel.1
        COMMAND ${VANTREL_GZIP} -9nf vantrel.1
        DEPENDS ${PROJECT_SOURCE_DIR}/man/vantrel.1
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        COMMENT "Compressing the manual page" VERBATIM)
    add_custom_command(OUTPUT ${VANTREL_CHANGELOG_GZ}
        COMMAND ${CMAKE_COMMAND} -E copy ${VANTREL_PACKAGING_DIR}/changelog changelog
        COMMAND ${VANTREL_GZIP} -9nf changelog
        DEPENDS ${VANTREL_PACKAGING_DIR}/changelog
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        COMMENT "Compressing the changelog" VERBATIM)
    add_custom_target(vantrel_docs ALL DEPENDS ${VANTREL_MAN_PAGE_GZ} ${VANTREL_CHANGELOG_GZ})

    set(VANTREL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vantrel)
    install(TARGETS vantrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${VANTREL_MAN_PAGE_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${VANTREL_PACKAGING_DIR}/copyright ${VANTREL_CHANGELOG_GZ} DESTINATION ${VANTREL_DOC_DIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Depends is computed from the binary by dpkg-shlibdeps (dpkg-dev).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # No maintainer scripts: removing the package removes its files and
    # nothing else. A desktop entry an arming wrote is the user's.
    string(CONCAT CPACK_PACKAGE_DESCRIPTION
        "Vantrel measures the time from the start of the system until the machine\n"
        "has settled into idleness. Run as root without an argument, it records a\n"
        "desktop entry in /etc/xdg/autostart and offers to restart the machine.\n"
        "After the next graphical logon the desktop session starts it in a\n"
        "terminal: it samples /proc/stat once a second until the processors have\n"
        "been idle for ten seconds in a row and shows the boot time. The manual\n"
        "page says how to remove the desktop entry by hand.\n"
        "\n"
        "It is a Windows program first; on Linux each Windows facility it uses\n"
        "has a stand-in.")
endif()

include(CPack)
