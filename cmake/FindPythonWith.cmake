# calorvin_find_python(<variable> <module> <doc>): the first python3 on the
# PATH that imports <module> (a Python of its own may come before the
# distribution's, which has the module's package), into the cache variable.
function(calorvin_python_imports result python)
  execute_process(COMMAND ${python} -c "import ${calorvin_python_module}"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
macro(calorvin_find_python variable module doc)
  set(calorvin_python_module ${module})
  find_program(${variable} NAMES python3 python VALIDATOR calorvin_python_imports DOC "${doc}" NO_CMAKE_FIND_ROOT_PATH)
endmacro()
