# Builds the archive, unpacks it into a fresh server's game directory and runs
# a map with the shipped configuration files; fails on any warning or error
# line in the log. With -DSTUB (the stub game library) a second server runs
# the installed library standalone, in the game library's place.
#
#   -DBUILD_DIR=tree whose archive is made  [-DWORK_DIR=dir, default BUILD_DIR/package-test]
#   -DCPACK= -DPACKAGE= -DGENERATOR= -DLIBRARY= -DHOSTSIM= -DEMULATOR= [-DSTUB=]
#   [-DEXTRA_LIBRARIES=list]  libraries of other builds the archive also holds
#   [-DDOCS=list]  docs whose plugins.ini and liblist.gam lines must name
#                  files of the archive (a release archive: all its libraries)
cmake_minimum_required(VERSION 3.25)
set(work "${BUILD_DIR}/package-test")
if(WORK_DIR)
  set(work "${WORK_DIR}")
endif()
foreach(built "${BUILD_DIR}/${LIBRARY}" ${EXTRA_LIBRARIES})
  if(NOT EXISTS "${built}")
    message(FATAL_ERROR "${built} is not built; build that tree first")
  endif()
endforeach()
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/server/cstrike/events")
file(WRITE "${work}/server/cstrike/events/galil.sc" "galil\n")

execute_process(COMMAND "${CPACK}" -G ${GENERATOR} -B "${work}/out" WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed:\n${output}")
endif()
file(GLOB archive "${work}/out/${PACKAGE}.*")
if(NOT archive)
  message(FATAL_ERROR "no archive ${PACKAGE} in ${work}/out:\n${output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${archive}" WORKING_DIRECTORY "${work}/server/cstrike"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${archive}")
endif()
foreach(path addons/zeq_kestrin/dlls/${LIBRARY} addons/zeq_kestrin/configs/kestrin.cfg
             addons/zeq_kestrin/configs/kestrin.ini addons/zeq_kestrin/logs addons/zeq_kestrin/db
             addons/zeq_kestrin/INSTALL.txt addons/zeq_kestrin/operator-guide.md
             addons/zeq_kestrin/monitoring/zeq_kestrin_rules.yml
             addons/zeq_kestrin/monitoring/zeq_kestrin_dashboard.json)
  if(NOT EXISTS "${work}/server/cstrike/${path}")
    message(FATAL_ERROR "the archive lacks ${path}")
  endif()
endforeach()

execute_process(COMMAND ${EMULATOR} "${HOSTSIM}" --plugin "${work}/server/cstrike/addons/zeq_kestrin/dlls/${LIBRARY}"
                        --root "${work}/server" "map de_dust2" "connect Alice" "wait 12" "zeq_kestrin_help"
                        "map cs_italy" "wait 12" quit
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 300)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "hostsim ended with ${result}:\n${output}\n${errors}")
endif()
file(GLOB logs "${work}/server/cstrike/addons/zeq_kestrin/logs/*.log")
if(NOT logs)
  message(FATAL_ERROR "no log file was written:\n${output}")
endif()
foreach(log IN LISTS logs)
  file(STRINGS "${log}" bad REGEX "\\] (WARNING|ERROR|FATAL ERROR): ")
  # A slow frame says how busy the machine running the test is, not what
  # the configuration does.
  list(FILTER bad EXCLUDE REGEX "\\] WARNING: Slow frame ")
  if(bad)
    string(REPLACE ";" "\n" bad "${bad}")
    message(FATAL_ERROR "the shipped configuration logs problems:\n${bad}")
  endif()
  file(STRINGS "${log}" good REGEX "Plugin loaded successfully")
  if(NOT good)
    message(FATAL_ERROR "the log lacks the load line")
  endif()
endforeach()
# The archive holds the very file that was built (and that other tests ran).
file(SHA256 "${work}/server/cstrike/addons/zeq_kestrin/dlls/${LIBRARY}" packed)
file(SHA256 "${BUILD_DIR}/${LIBRARY}" built)
if(NOT packed STREQUAL built)
  message(FATAL_ERROR "the archive's ${LIBRARY} differs from ${BUILD_DIR}/${LIBRARY}")
endif()
foreach(extra IN LISTS EXTRA_LIBRARIES)
  get_filename_component(name "${extra}" NAME)
  set(packed_extra "${work}/server/cstrike/addons/zeq_kestrin/dlls/${name}")
  if(NOT EXISTS "${packed_extra}")
    message(FATAL_ERROR "the archive lacks addons/zeq_kestrin/dlls/${name}")
  endif()
  file(SHA256 "${packed_extra}" packed)
  file(SHA256 "${extra}" built)
  if(NOT packed STREQUAL built)
    message(FATAL_ERROR "the archive's ${name} differs from ${extra}")
  endif()
endforeach()

if(STUB)
  set(alone "${work}/standalone")
  file(MAKE_DIRECTORY "${alone}/cstrike/events")
  file(WRITE "${alone}/cstrike/events/galil.sc" "galil\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${archive}" WORKING_DIRECTORY "${alone}/cstrike")
  execute_process(COMMAND ${EMULATOR} "${HOSTSIM}" --standalone --stub-game "${STUB}"
                          --plugin "${alone}/cstrike/addons/zeq_kestrin/dlls/${LIBRARY}"
                          --root "${alone}" "map de_dust2" "connect Alice" "wait 12" "meta" quit
                  OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 300)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "hostsim (standalone) ended with ${result}:\n${output}\n${errors}")
  endif()
  foreach(needle "[game] pfnServerActivate" "Game Registered: CS 1.6 (Steam)"
                 "Metamod is not installed or not enabled!" "[game] pfnStartFrame")
    string(FIND "${output}" "${needle}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "standalone run: no '${needle}' in the output:\n${output}\n${errors}")
    endif()
  endforeach()
endif()
# Every plugins.ini and liblist.gam line the docs give for this archive's
# system names a file it ships. Metamod opens a plugins.ini path as written;
# the 64-bit engines add their architecture's suffix to a liblist.gam entry
# themselves (X.so is loaded as X_amd64.so or X_arm64.so).
if(DOCS)
  set(shipped "${work}/server/cstrike")
  if(GENERATOR STREQUAL "ZIP")
    set(ini_key "win32")
    set(gam_key "gamedll")
  else()
    set(ini_key "linux")
    set(gam_key "gamedll_linux")
  endif()
  set(checked 0)
  foreach(doc IN LISTS DOCS)
    file(STRINGS "${doc}" lines REGEX "(^|[ \t`])(${ini_key}|${gam_key})[ \t]+\"?addons")
    foreach(line IN LISTS lines)
      if(line MATCHES "(^|[ \t`])${ini_key}[ \t]+(addons[^ \t]+)")
        set(named "${CMAKE_MATCH_2}")
        set(candidates "${named}")
      elseif(line MATCHES "(^|[ \t`])${gam_key}[ \t]+\"(addons[^\"]+)\"")
        string(REPLACE "\\" "/" named "${CMAKE_MATCH_2}")
        set(candidates "${named}")
        if(named MATCHES "\\.so$" AND NOT named MATCHES "_(i386|amd64|arm64)\\.so$")
          string(REGEX REPLACE "\\.so$" "" stem "${named}")
          set(candidates "${stem}_amd64.so" "${stem}_arm64.so")
        endif()
      else()
        continue()
      endif()
      foreach(candidate IN LISTS candidates)
        if(NOT EXISTS "${shipped}/${candidate}")
          get_filename_component(doc_name "${doc}" NAME)
          message(FATAL_ERROR "${doc_name} tells operators to write\n  ${line}\n"
                              "but the archive ${PACKAGE} has no ${candidate}")
        endif()
      endforeach()
      math(EXPR checked "${checked} + 1")
    endforeach()
  endforeach()
  if(checked EQUAL 0)
    message(FATAL_ERROR "no ${ini_key} or ${gam_key} line found in ${DOCS}")
  endif()
  message(STATUS "${checked} plugins.ini and liblist.gam lines of the docs name shipped files")
endif()
message(STATUS "installed ${archive} and ran two maps without a warning")
