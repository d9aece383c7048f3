# Install rules and the Debian package of the program.
#   cmake --install <build> [--prefix <dir>]   bin/, the desktop entry, the icon
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

set(CALORVIN_PACKAGE_MAINTAINER "Calorvin <calorvin@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME calorvin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Calorvin)
set(CPACK_PACKAGE_CONTACT "${CALORVIN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Calcolo parametri per certificazione secondo UNI EN 14785")
set(CPACK_PACKAGE_DESCRIPTION
    "Calcolatore da tavolo per la prova di certificazione delle stufe a pellet \
che scaldano anche un circuito d'acqua (UNI EN 14785). Dalle otto grandezze \
misurate ricava portata massica, potenza nominale, potenza all'acqua e \
all'aria, CO in ppm, differenza di peso e rendimento all'acqua.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CALORVIN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# What the program needs at run time beyond the shared libraries it links:
# the xcb platform plugin, and the font packages whose faces the window uses
# (DejaVu Sans Oblique, the italic Verdana stand-in, is in fonts-dejavu-extra).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins (>= 6.4), fonts-wine, fonts-ebgaramond, fonts-dejavu-core, fonts-dejavu-extra")
# dpkg-shlibdeps (dpkg-dev) adds the libraries the binary links, with their
# versions (libqt6widgets6, libqt6gui6, libqt6core6, libc6, libstdc++6);
# without it the Qt libraries are named here.
find_program(CALORVIN_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CALORVIN_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         "libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), ")
endif()
include(CPack)
