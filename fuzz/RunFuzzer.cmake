# Runs one harness (FUZZER) for SECONDS seconds on a fresh copy of its seed
# corpus (CORPUS) in WORK, with the libFuzzer options in the list OPTIONS, so that what it adds never reaches the committed
# corpus. Prints libFuzzer's output and how many runs it reached; fails when
# libFuzzer reports a finding (the input is kept in WORK) or never finishes
# its loop.
foreach(variable FUZZER CORPUS WORK SECONDS MAX_LEN)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/tmp")
file(GLOB seeds "${CORPUS}/*")
if(NOT seeds)
  message(FATAL_ERROR "no seed corpus in ${CORPUS}")
endif()
file(COPY ${seeds} DESTINATION "${WORK}/corpus")
# The harnesses' scratch folders go here too, so that nothing is left in /tmp
# should a run stop short.
set(ENV{TMPDIR} "${WORK}/tmp")

get_filename_component(name "${FUZZER}" NAME)
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -max_len=${MAX_LEN} -timeout=30
          -print_final_stats=1 "-artifact_prefix=${WORK}/" ${OPTIONS} "${WORK}/corpus"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
message("${output}")

if(NOT result EQUAL 0)
  file(GLOB findings "${WORK}/crash-*" "${WORK}/leak-*" "${WORK}/timeout-*" "${WORK}/oom-*")
  message(FATAL_ERROR "${name}: libFuzzer exited with ${result}; inputs kept: ${findings}")
endif()
string(REGEX MATCH "Done ([0-9]+) runs in ([0-9]+) second" done "${output}")
if(NOT done)
  message(FATAL_ERROR "${name}: libFuzzer did not report how many runs it made")
endif()
message("${name}: ${CMAKE_MATCH_1} runs in ${CMAKE_MATCH_2} s")
