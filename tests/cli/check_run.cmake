# Runs a command and checks its exit status and, exactly, what it printed.
#   cmake -DSTATUS=<n> [-DSTDOUT=<text> | -DSTDOUT_FILE=<file>]
#         [-DSTDERR=<text> | -DSTDERR_FILE=<file> | -DSTDERR_LAST_LINE=<text>]
#         [-DSTDIN=<file>]
#         -P check_run.cmake -- <command> [<argument>...]
# A text is one line given without its line end; an empty text means nothing
# printed. A stream with no expectation is not checked. STDERR_LAST_LINE leaves
# room for what Qt says about its environment (XDG_RUNTIME_DIR, ...) before.
set(command)
set(after_dashes FALSE)
foreach(i RANGE 1 ${CMAKE_ARGC})
  if(after_dashes AND DEFINED CMAKE_ARGV${i})
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(after_dashes TRUE)
  endif()
endforeach()
if(NOT DEFINED STDIN)
  set(STDIN /dev/null)
endif()
execute_process(COMMAND ${command} INPUT_FILE "${STDIN}"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)

set(failed FALSE)
macro(expect what got wanted)
  if(NOT "${got}" STREQUAL "${wanted}")
    message("${what}: expected\n[${wanted}]\ngot\n[${got}]")
    set(failed TRUE)
  endif()
endmacro()
expect("exit status" "${status}" "${STATUS}")
# A stream's expected text: read from its file, or the line given and its end.
macro(expect_stream stream what got)
  if(DEFINED ${stream}_FILE)
    file(READ "${${stream}_FILE}" ${stream})
  elseif(DEFINED ${stream} AND NOT "${${stream}}" STREQUAL "")
    string(APPEND ${stream} "\n")
  endif()
  if(DEFINED ${stream})
    expect("${what}" "${got}" "${${stream}}")
  endif()
endmacro()
expect_stream(STDOUT "standard output" "${out}")
expect_stream(STDERR "standard error" "${err}")
if(DEFINED STDERR_LAST_LINE)
  string(REGEX MATCH "[^\n]*\n$" last "${err}")
  expect("last line of standard error" "${last}" "${STDERR_LAST_LINE}\n")
endif()
if(failed)
  message(FATAL_ERROR "${command}")
endif()
