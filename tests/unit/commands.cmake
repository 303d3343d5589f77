# Tests of the console commands, the join messages and the high-ping kicker
# bridge.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/commands_test.cpp)
