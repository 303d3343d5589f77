# Tests of the processor-load monitor and the spike regulator.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/cpu_monitor_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spike_regulator_test.cpp)
