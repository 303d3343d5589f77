# Frame-interval statistics, rate warnings, the trace and the stats command.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics_test.cpp)
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/profile_test.cpp)
