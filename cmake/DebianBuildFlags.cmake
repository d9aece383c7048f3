# Debian's hardening flags, as dpkg-buildflags gives them to a package built
# with every hardening feature (DEB_BUILD_MAINT_OPTIONS=hardening=+all):
# fortified string and memory functions, a stack protector, relocations made
# read-only and bound at start. On by default where dpkg-buildflags is found,
# so that the Debian package is made of hardened code whichever tree it comes
# from; off under the sanitizers and libFuzzer, which watch the same calls
# themselves, and for WebAssembly, which has none of them. The optimisation
# and debug flags stay the build type's, and the fortified functions, which
# need an optimised build, are left out of Debug.
find_program(CALORVIN_DPKG_BUILDFLAGS dpkg-buildflags)
if(CALORVIN_DPKG_BUILDFLAGS AND NOT CALORVIN_SANITIZE AND NOT CALORVIN_FUZZ AND NOT EMSCRIPTEN)
  set(_calorvin_hardening_default ON)
else()
  set(_calorvin_hardening_default OFF)
endif()
option(CALORVIN_DEBIAN_BUILDFLAGS "Compile and link with Debian's hardening flags (dpkg-buildflags)"
       ${_calorvin_hardening_default})
if(NOT CALORVIN_DEBIAN_BUILDFLAGS)
  return()
endif()
if(NOT CALORVIN_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "CALORVIN_DEBIAN_BUILDFLAGS needs dpkg-buildflags (Debian's dpkg-dev)")
endif()

function(calorvin_dpkg_buildflags kind out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${CALORVIN_DPKG_BUILDFLAGS} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-O|^-g|^-ffile-prefix-map=") # the build type's, and the build's own paths
  set(${out} ${flags} PARENT_SCOPE)
endfunction()

calorvin_dpkg_buildflags(CPPFLAGS _calorvin_cppflags)
calorvin_dpkg_buildflags(CXXFLAGS _calorvin_cxxflags)
calorvin_dpkg_buildflags(LDFLAGS _calorvin_ldflags)
foreach(flag IN LISTS _calorvin_cppflags)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
endforeach()
add_compile_options(${_calorvin_cxxflags})
add_link_options(${_calorvin_ldflags})
