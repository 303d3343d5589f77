# Tests of the configuration subsystem (command and profile files, profile
# validation, automatic configuration, presets and game version).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/profile_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_validation_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/auto_config_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/auto_config_write_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/presets_test.cpp)
