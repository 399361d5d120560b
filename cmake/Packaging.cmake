# `make package`: a Debian package of the game, build/tavlo_<version>_amd64.deb.
#
# The package installs under /usr with the binary in /usr/games, as Debian
# does for games; `cmake --install` keeps bin/, which is on every user's
# PATH whatever the prefix. The two differ only in the binary's component:
# "program" for cmake --install, "games" (left out of a plain install) for
# the package. The desktop entry and icons ("data") go into both.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavlo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavlo")
set(CPACK_PACKAGE_CONTACT "Tavlo developers <tavlo@tavlo.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Tavlo is a Reversi game for the desktop, with a French interface.\n\
You play white against an attacking or a defensive computer opponent,\n\
or two people share one mouse. Every turning disc is animated with a\n\
click, and the possible moves can be shown on the board.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# After the strip, the compiler's version notes go too (.comment), as
# Debian's own packages have them removed.
install(CODE "execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/tavlo\" COMMAND_ERROR_IS_FATAL ANY)"
        COMPONENT games EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENTS_ALL games data)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME tavlo)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# GPL-3.0-or-later; the package carries it in /usr/share/doc/tavlo/copyright.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The libraries come from the binary itself; the fonts the game draws with
# and libjpeg, loaded only while a picture is decoded, are not linked, so
# they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, libjpeg62-turbo")
# Wayland sessions run the game natively with Qt's Wayland plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")

# What Debian asks of every package: its changelog and copyright, and a
# manual page for the program (which `cmake --install` puts in place too).
# Compressed without a time stamp, so the same sources give the same package.
set(deb_docs ${CMAKE_BINARY_DIR}/debian)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in ${deb_docs}/changelog @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/tavlo.6 ${deb_docs}/tavlo.6 @ONLY)
foreach(doc IN ITEMS changelog tavlo.6)
    execute_process(COMMAND gzip -9n -c ${deb_docs}/${doc} OUTPUT_FILE ${deb_docs}/${doc}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${deb_docs}/changelog.gz ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tavlo COMPONENT games EXCLUDE_FROM_ALL)
install(FILES ${deb_docs}/tavlo.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT data)

include(CPack)
