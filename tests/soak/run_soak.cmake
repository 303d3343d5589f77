# Runs the soak script in a fresh server directory and checks the result.
#
#   -DHOSTSIM=path -DPLUGIN=path -DSTUB=path -DSOURCE_DIR=dir -DWORK_DIR=dir
#
# The run must end with exit code 0 (hostsim fails on its own when "stats
# same" finds a difference, when the plugin reports an error through the
# engine, or under the address sanitizer on a leak), and its output must show
# the database built, the kicker started and the resources compared, with no
# timer refused and no error line.  The output goes to WORK_DIR/soak.out.
cmake_minimum_required(VERSION 3.25)

set(root "${WORK_DIR}/server")
file(REMOVE_RECURSE "${root}")
file(MAKE_DIRECTORY "${root}/cstrike/addons/zeq_kestrin/logs")
file(COPY "${SOURCE_DIR}/thousand_maps.files/" DESTINATION "${root}")
file(COPY "${SOURCE_DIR}/../scenarios/fixtures/galil.sc" DESTINATION "${root}/cstrike/events")
file(COPY "${SOURCE_DIR}/../scenarios/fixtures/models" "${SOURCE_DIR}/../scenarios/fixtures/sprites"
     DESTINATION "${root}/cstrike")
file(COPY "${SOURCE_DIR}/../../packaging/configs/kestrin.ini" DESTINATION "${root}/cstrike/addons/zeq_kestrin/configs")

set(output "${WORK_DIR}/soak.out")
execute_process(COMMAND "${HOSTSIM}" --plugin "${PLUGIN}" --root "${root}" --stub-game "${STUB}"
                        --script "${SOURCE_DIR}/thousand_maps.script"
                OUTPUT_FILE "${output}" ERROR_VARIABLE errors RESULT_VARIABLE result)

set(failures "")
if(NOT result EQUAL 0)
  string(APPEND failures "exit code ${result}\n${errors}\n")
endif()
foreach(needed "Files Successfuly Created." "HPK is Enabled." "hostsim: stats unchanged since the mark")
  file(STRINGS "${output}" found LIMIT_COUNT 1 REGEX "${needed}")
  if(NOT found)
    string(APPEND failures "not found: ${needed}\n")
  endif()
endforeach()
foreach(unwanted "Could not start a system timer" "timers=[?]" "heap=[?]" "files=[?]" "Failed Loading Files"
                 "is Damaged" "WON")
  file(STRINGS "${output}" found LIMIT_COUNT 1 REGEX "${unwanted}")
  if(found)
    string(APPEND failures "unexpected: ${found}\n")
  endif()
endforeach()
file(STRINGS "${output}" resources REGEX "^hostsim: stats")
list(JOIN resources "\n" resources)
message(STATUS "${resources}")
if(failures)
  message(FATAL_ERROR "soak run failed (output in ${output}):\n${failures}")
endif()
