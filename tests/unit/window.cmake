# Tests of the information window: its layout and, on a system without a
# desktop, its console panel.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/window_info_test.cpp)
