# Tests of the console commands, the join messages and the high-ping kicker
# bridge.
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/commands_console_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commands_join_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commands_hpk_bridge_test.cpp)
