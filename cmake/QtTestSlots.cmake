# One CTest entry per test function of a QtTest program, found in the program
# itself: when ctest starts and the program is newer than the list it keeps,
# it asks the program (-functions) again, so a new test function needs no
# CMake edit. Each entry runs its one function: ctest -R <name> runs it alone.
#
#   calorvin_qtest_slots(<target> NAME <prefix> SUFFIX <suffix> [EXCLUDE <function>...]
#                        [TIMEOUT <seconds>] [ENVIRONMENT <var=value>...])
#
# makes the entries <prefix>.<function><suffix>. If the program cannot list its
# functions, the one entry <prefix>.functions<suffix> runs it with -functions
# and fails with its output.
function(calorvin_qtest_slots target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;SUFFIX;TIMEOUT" "EXCLUDE;ENVIRONMENT")
  string(MAKE_C_IDENTIFIER "${arg_NAME}${arg_SUFFIX}" id)
  set(include_file ${CMAKE_CURRENT_BINARY_DIR}/${id}_slots.cmake)
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_functions.txt)
  set(properties "WORKING_DIRECTORY [==[${CMAKE_CURRENT_BINARY_DIR}]==]")
  if(arg_TIMEOUT)
    string(APPEND properties " TIMEOUT ${arg_TIMEOUT}")
  endif()
  if(arg_ENVIRONMENT)
    string(APPEND properties " ENVIRONMENT [==[${arg_ENVIRONMENT}]==]")
  endif()
  set(template [=[
set(program [==[$<TARGET_FILE:@target@>]==])
set(list_file [==[@list_file@]==])
set(functions_left_out [==[@arg_EXCLUDE@]==])
if(EXISTS "${program}" AND (NOT EXISTS "${list_file}" OR "${program}" IS_NEWER_THAN "${list_file}"))
  execute_process(COMMAND "${program}" -functions OUTPUT_VARIABLE listed ERROR_QUIET RESULT_VARIABLE status)
  file(REMOVE "${list_file}")
  if(status EQUAL 0)
    file(WRITE "${list_file}" "${listed}")
  endif()
endif()
if(EXISTS "${list_file}")
  file(STRINGS "${list_file}" listed REGEX "^[A-Za-z_0-9]+\\(\\)$")
else()
  set(listed "functions") # runs the program with -functions, which fails and says why
endif()
foreach(function IN LISTS listed)
  string(REGEX REPLACE "\\(\\)$" "" function "${function}")
  list(FIND functions_left_out "${function}" left_out)
  if(left_out EQUAL -1)
    set(name "@arg_NAME@.${function}@arg_SUFFIX@")
    if(function STREQUAL "functions")
      add_test("${name}" "${program}" -functions)
    else()
      add_test("${name}" "${program}" "${function}")
    endif()
    set_tests_properties("${name}" PROPERTIES @properties@)
  endif()
endforeach()
]=])
  string(CONFIGURE "${template}" content @ONLY)
  file(GENERATE OUTPUT ${include_file} CONTENT "${content}")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${include_file})
endfunction()
