# Runs one fuzz target (the fuzz.* tests, scripts/fuzz-long.sh): first every saved failing input of
# REGRESSIONS (one run each), then SECONDS of fuzzing (or, with RUNS set, that
# many executions whatever the time) over WORK/corpus, a
# copy of the seed corpus SEEDS that keeps what earlier runs found.  Crash
# inputs go to WORK/artifacts.  Paths are absolute: the targets change their
# working directory.
foreach(var FUZZER SEEDS REGRESSIONS WORK SECONDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_fuzzer.cmake: ${var} not set")
  endif()
endforeach()

# Symbolized stacks in the reports.
if(NOT DEFINED ENV{ASAN_SYMBOLIZER_PATH})
  find_program(symbolizer NAMES llvm-symbolizer llvm-symbolizer-14 PATHS /usr/lib/llvm-14/bin)
  if(symbolizer)
    set(ENV{ASAN_SYMBOLIZER_PATH} ${symbolizer})
  endif()
endif()

# The targets' working directories (removed again at the end).
set(ENV{ZK_FUZZ_HOME} ${WORK}/home)
file(REMOVE_RECURSE ${WORK}/home)

set(options -timeout=10 -rss_limit_mb=2048 -artifact_prefix=${WORK}/artifacts/)
if(DEFINED EXTRA AND NOT EXTRA STREQUAL "")
  separate_arguments(extra UNIX_COMMAND "${EXTRA}")
  list(APPEND options ${extra})
endif()
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
set(failures "")

if(IS_DIRECTORY "${REGRESSIONS}")
  file(GLOB saved LIST_DIRECTORIES false "${REGRESSIONS}/*")
  if(saved)
    list(LENGTH saved count)
    message(STATUS "Replaying ${count} saved inputs of ${REGRESSIONS}")
    execute_process(COMMAND ${FUZZER} ${options} ${saved} RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      set(failures "a saved input of ${REGRESSIONS} fails again")
    endif()
  endif()
endif()

file(COPY ${SEEDS}/ DESTINATION ${WORK}/corpus)
if(DEFINED RUNS AND NOT RUNS STREQUAL "")
  set(budget -runs=${RUNS})
else()
  set(budget -max_total_time=${SECONDS})
endif()
execute_process(COMMAND ${FUZZER} ${options} ${budget} -print_final_stats=1 ${WORK}/corpus
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  list(APPEND failures "fuzzing found a failing input (saved in ${WORK}/artifacts)")
endif()
file(REMOVE_RECURSE ${WORK}/home)
if(failures)
  list(JOIN failures "; " text)
  message(FATAL_ERROR "${text}")
endif()
