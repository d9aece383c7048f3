# The page (calorvin.html) as an artefact of a native tree, for the package:
# the web preset's tree built inside this one (<build>/web) wherever
# emscripten is found. CALORVIN_PAGE: AUTO (the default) builds it where
# emscripten and a Python with fontTools are found and otherwise says why the
# package will lack it; ON fails the configure without them; OFF leaves it out.
# Sets CALORVIN_PAGE_FILE to the page, or CALORVIN_PAGE_MISSING to the reason.
set(CALORVIN_PAGE AUTO CACHE STRING "Build the page in this tree for the package: AUTO, ON or OFF")
set_property(CACHE CALORVIN_PAGE PROPERTY STRINGS AUTO ON OFF)
set(CALORVIN_PAGE_FILE "")
set(CALORVIN_PAGE_MISSING "")

if(CALORVIN_PAGE STREQUAL "OFF")
  set(CALORVIN_PAGE_MISSING "CALORVIN_PAGE is OFF in this tree (configure it with -DCALORVIN_PAGE=AUTO to include it)")
else()
  find_program(CALORVIN_EM_CONFIG em-config)
  include(${CMAKE_CURRENT_LIST_DIR}/FindPythonWith.cmake)
  calorvin_find_python(CALORVIN_PYTHON fontTools.subset,freetype "Python with fontTools and freetype, for the page's fonts")
  if(NOT CALORVIN_EM_CONFIG)
    string(CONCAT CALORVIN_PAGE_MISSING "emscripten (em-config) was not found when this tree was configured "
                                        "(install it, Debian: emscripten, and configure the tree again)")
  elseif(NOT CALORVIN_PYTHON)
    string(CONCAT CALORVIN_PAGE_MISSING "no Python with fontTools and freetype was found when this tree was configured "
                                        "(install them, Debian: fonttools, python3-freetype; configure the tree again)")
  endif()
  if(CALORVIN_PAGE_MISSING AND CALORVIN_PAGE STREQUAL "ON")
    message(FATAL_ERROR "CALORVIN_PAGE is ON, but ${CALORVIN_PAGE_MISSING}")
  endif()
endif()

if(CALORVIN_PAGE_MISSING)
  message(STATUS "The page is not built in this tree, nor packaged: ${CALORVIN_PAGE_MISSING}")
  return()
endif()

# The web preset's own settings, its tests with this tree's: they run in this
# tree's ctest (as web/...), so that no second tree builds the page again.
include(ExternalProject)
set(CALORVIN_PAGE_TREE ${CMAKE_BINARY_DIR}/web)
ExternalProject_Add(calorvin_page_tree
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CALORVIN_PAGE_TREE}
  CONFIGURE_COMMAND ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR} -B ${CALORVIN_PAGE_TREE} --preset web
                    -DBUILD_TESTING=${BUILD_TESTING} -DCALORVIN_BUILD_BENCH=${CALORVIN_BUILD_BENCH}
                    -DCALORVIN_EM_CONFIG=${CALORVIN_EM_CONFIG} -DCALORVIN_PYTHON=${CALORVIN_PYTHON}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${CALORVIN_PAGE_TREE}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON # its own build tells what changed
  BUILD_BYPRODUCTS ${CALORVIN_PAGE_TREE}/calorvin.html
  USES_TERMINAL_BUILD ON)
set(CALORVIN_PAGE_FILE ${CALORVIN_PAGE_TREE}/calorvin.html)
if(BUILD_TESTING)
  file(WRITE ${CMAKE_BINARY_DIR}/page-tests.cmake "subdirs(\"${CALORVIN_PAGE_TREE}\")\n")
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/page-tests.cmake)
endif()
