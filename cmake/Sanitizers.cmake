# Sanitizer and fuzzing builds (presets "asan" and "fuzz").
#
# CALORVIN_SANITIZE builds every target with AddressSanitizer (LeakSanitizer
# included) and UndefinedBehaviorSanitizer; the first finding ends the program.
# The run-time options are compiled into every program of the build, so that
# ctest, the combined run of every build and a replay by hand all behave alike;
# ASAN_OPTIONS, UBSAN_OPTIONS and LSAN_OPTIONS still override them.
#
# CALORVIN_FUZZ instruments the code for libFuzzer; fuzz/ links the targets.

if(CALORVIN_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "CALORVIN_FUZZ needs clang++ (libFuzzer); use the preset \"fuzz\"")
endif()

if(CALORVIN_SANITIZE)
  # float-cast-overflow is part of "undefined" in clang but not in GCC.
  set(_calorvin_sanitize_flags
    -fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  add_compile_options(${_calorvin_sanitize_flags})
  add_link_options(${_calorvin_sanitize_flags})

  # Leaks inside system libraries that are not ours to fix; never our code.
  set(_calorvin_lsan_file ${CMAKE_CURRENT_LIST_DIR}/lsan-suppressions.txt)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_calorvin_lsan_file})
  file(READ ${_calorvin_lsan_file} CALORVIN_LSAN_SUPPRESSIONS)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/sanitizer_options.cpp.in
                 ${CMAKE_BINARY_DIR}/sanitizer_options.cpp @ONLY)
  add_library(calorvin_sanitizer_options OBJECT ${CMAKE_BINARY_DIR}/sanitizer_options.cpp)
  calorvin_warnings(calorvin_sanitizer_options)
  # Every target created from here on links the options.
  link_libraries(calorvin_sanitizer_options)
endif()

if(CALORVIN_FUZZ)
  # Coverage feedback for the code under test; the fuzz targets add libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
