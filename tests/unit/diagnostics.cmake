# Frame-interval statistics, rate warnings, the trace and the stats command.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frame_diagnostics_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/metrics_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/governor_test.cpp)
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/profile_test.cpp)
