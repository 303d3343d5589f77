# Tests of the configuration subsystem (command and profile files, profile
# validation, automatic configuration, presets and game version).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/config_profile_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_profile_validation_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_auto_config_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_auto_config_write_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/config_presets_test.cpp)
