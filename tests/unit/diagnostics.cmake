# Frame-interval statistics, rate warnings, the trace and the stats command.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics_frame_stats_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics_frame_diagnostics_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/diagnostics_metrics_test.cpp)
