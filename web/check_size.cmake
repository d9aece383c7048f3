# cmake -DPAGE=calorvin.html -P check_size.cmake: at most 1 MB.
file(SIZE ${PAGE} bytes)
if(bytes GREATER 1048576)
  file(REMOVE ${PAGE})
  message(FATAL_ERROR "${PAGE}: ${bytes} bytes, more than 1 MB")
endif()
message(STATUS "${PAGE}: ${bytes} bytes")
