# The installed game: Debian's games layout, the desktop's menu entry, icons,
# AppStream metainfo, the manual page and the Debian package (CPack).

set(BURRIK_INSTALL_BINDIR games CACHE STRING "Folder of the executable, relative to the prefix")
set(BURRIK_INSTALL_DATADIR share/games/burrik CACHE STRING "Folder of the game's data, relative to the prefix")
set(BURRIK_HOMEPAGE "https://burrik.example.org/" CACHE STRING "The game's web page, ending in /")
set(BURRIK_APP_ID org.burrik.Burrik)
set(BURRIK_RELEASE_DATE 2026-12-08)
set(BURRIK_MAINTAINER "Burrik developers <burrik@example.org>")

# The program finds its data from its own location, so the path between the
# two folders is built in rather than the prefix.
file(RELATIVE_PATH BURRIK_DATA_FROM_PROGRAM /prefix/${BURRIK_INSTALL_BINDIR} /prefix/${BURRIK_INSTALL_DATADIR})
target_compile_definitions(burrik_game
  PUBLIC BURRIK_VERSION="${PROJECT_VERSION}"
  PRIVATE BURRIK_DATA_FROM_PROGRAM="${BURRIK_DATA_FROM_PROGRAM}")

set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
set(BURRIK_EXEC_PATH ${CMAKE_INSTALL_PREFIX}/${BURRIK_INSTALL_BINDIR}/burrik)
set(BURRIK_DATA_PATH ${CMAKE_INSTALL_PREFIX}/${BURRIK_INSTALL_DATADIR})
configure_file(${CMAKE_CURRENT_LIST_DIR}/burrik.desktop.in ${packaging_out}/${BURRIK_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/burrik.metainfo.xml.in ${packaging_out}/${BURRIK_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/burrik.6.in ${packaging_out}/burrik.6 @ONLY)

# Icons drawn by the content generator; the manual page and the changelog
# compressed the way Debian ships them (no time stamp in the gzip header).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(BURRIK_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
add_custom_command(
  OUTPUT ${BURRIK_ICON_DIR}/.stamp
  COMMAND contentgen --icons ${BURRIK_ICON_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${BURRIK_ICON_DIR}/.stamp
  DEPENDS contentgen
  COMMENT "Drawing the icons into ${BURRIK_ICON_DIR}")
add_custom_command(
  OUTPUT ${packaging_out}/burrik.6.gz
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${packaging_out}/burrik.6 > ${packaging_out}/burrik.6.gz
  DEPENDS ${packaging_out}/burrik.6)
add_custom_command(
  OUTPUT ${packaging_out}/changelog.Debian.gz
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${packaging_out}/changelog.Debian.gz
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_target(desktop_files ALL
  DEPENDS ${BURRIK_ICON_DIR}/.stamp ${packaging_out}/burrik.6.gz ${packaging_out}/changelog.Debian.gz)

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
install(TARGETS burrik RUNTIME DESTINATION ${BURRIK_INSTALL_BINDIR})
install(DIRECTORY ${BURRIK_DATA_DIR}/ DESTINATION ${BURRIK_INSTALL_DATADIR} PATTERN .stamp EXCLUDE)
install(FILES ${packaging_out}/${BURRIK_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${packaging_out}/${BURRIK_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(DIRECTORY ${BURRIK_ICON_DIR}/ DESTINATION share/icons PATTERN .stamp EXCLUDE)
install(FILES ${packaging_out}/burrik.6.gz DESTINATION share/man/man6)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${packaging_out}/changelog.Debian.gz DESTINATION share/doc/burrik)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides DESTINATION share/lintian/overrides RENAME burrik)
# Screenshots taken by the game itself (scripts/package), named by the metainfo.
install(DIRECTORY ${CMAKE_BINARY_DIR}/screenshots/ DESTINATION share/doc/burrik/screenshots OPTIONAL)

# The Debian package. Library dependencies are computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME burrik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${BURRIK_MAINTAINER})
set(CPACK_PACKAGE_VENDOR "Burrik developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "garden defence game with a gardener, flowers and moles")
# Lines of the extended description stay below 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Pell the gardener defends a bed of sixteen flowers in a fenced garden."
  "Flowers dry out or catch lice and must be watered or sprayed, moles roam"
  "the lawn and bite the flowers and must be knocked over the fence, and"
  "rakes lie about as traps."
  ""
  "Burrik is a small real-time 3D game played with the keyboard. Every"
  "picture, model and sound of it is made by its own code.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${BURRIK_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
