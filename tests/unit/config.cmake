# Tests of the configuration subsystem (command and profile files, profile
# validation, automatic configuration, presets and game version).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/config_test.cpp)
