# Tests of the resource database (directory search and mark, random draws,
# build, check and record processing).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/resources_random_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources_file_system_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources_database_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources_processing_test.cpp)
