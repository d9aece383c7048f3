# Runs one fuzz target for a bounded time:
#   cmake -DFUZZER=<exe> -DSEEDS=<dir> -DDICTIONARY=<file> -DWORK=<dir> -DSECONDS=<n> -P run_fuzzer.cmake
# The seeds are copied into a fresh work directory, which also takes the
# inputs libFuzzer finds and any crash artefact; the repository is never written.
foreach(var FUZZER SEEDS DICTIONARY WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER}
    -max_total_time=${SECONDS}
    -timeout=10
    -rss_limit_mb=2048
    -max_len=4096
    -print_final_stats=1
    -dict=${DICTIONARY}
    -artifact_prefix=${WORK}/artifacts/
    ${WORK}/corpus
  RESULT_VARIABLE result)

if(NOT result EQUAL 0)
  file(GLOB artefacts ${WORK}/artifacts/*)
  message(FATAL_ERROR "${FUZZER} failed (${result}); failing input: ${artefacts}\n"
    "Replay it with: ${FUZZER} <file>")
endif()
