# Install rules and the Debian package of the program.
#   cmake --install <build> [--prefix <dir>]   bin/, the desktop entry, the icon, the AppStream
#                                               metadata, the manual page, the changelog and copyright
#   cpack --config <build>/CPackConfig.cmake    calorvin_<version>_<arch>.deb
if(NOT TARGET calorvin)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS calorvin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/calorvin.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/calorvin.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/org.example.calorvin.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The page, built in this tree (cmake/Page.cmake) where emscripten is found.
if(CALORVIN_PAGE_FILE)
  install(FILES ${CALORVIN_PAGE_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/calorvin)
endif()

# The manual page and the changelog go compressed as Debian's tools compress
# them (gzip -9n: no name or time in the header, so the package is the same
# whenever it is built), at configure time so that cpack finds them whatever
# targets were built; editing either configures again.
function(calorvin_gzip name destination)
  set(source ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/${name})
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  execute_process(COMMAND gzip -9n --stdout ${source}
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/${name}.gz COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${name}.gz DESTINATION ${destination})
endfunction()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
calorvin_gzip(calorvin.1 ${CMAKE_INSTALL_MANDIR}/man1)
calorvin_gzip(changelog ${CMAKE_INSTALL_DOCDIR}) # the version is a native one: changelog, not changelog.Debian
install(FILES ${CMAKE_CURRENT_LIST_DIR}/../packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CALORVIN_PACKAGE_MAINTAINER "Calorvin <calorvin@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calorvin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Calorvin)
set(CPACK_PACKAGE_CONTACT "${CALORVIN_PACKAGE_MAINTAINER}")
# In English, as Debian's archive asks; the program's own texts are Italian.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "certification test calculator for pellet stoves that heat water")
set(CPACK_PACKAGE_DESCRIPTION [[
Desktop calculator for the certification test of pellet-fired room heaters
that also heat a water circuit, evaluated following UNI EN 14785. From the
eight measured quantities it derives the water mass flow, nominal power,
power to water and to air, CO in ppm, weight difference and water-side
efficiency, and warns of entries out of range. Its window and messages are
in Italian.]])
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CALORVIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What the program needs at run time beyond the shared libraries it links:
# the xcb platform plugin and Qt's own translations; the font packages whose
# faces the window uses are added when the package is made, from the list the
# build writes from the window's description (CPackProject.cmake.in), as is a
# word on the page when this tree does not build it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins (>= 6.4), qt6-translations-l10n")
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackProject.cmake.in ${CMAKE_BINARY_DIR}/packaging/CPackProject.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackProject.cmake)
# dpkg-shlibdeps (dpkg-dev) adds the libraries the binary links, with their
# versions (libqt6widgets6, libqt6gui6, libqt6core6, libc6, libstdc++6);
# cpack needs file to find the binary for it, and stops without it. Without
# either the Qt libraries are named here.
find_program(CALORVIN_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(CALORVIN_FILE file)
if(CALORVIN_DPKG_SHLIBDEPS AND CALORVIN_FILE)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), ")
endif()
include(CPack)
