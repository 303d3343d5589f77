# Tests of the resource database (directory search and mark, random draws,
# build, check and record processing).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/random_draws_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_mark_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/database_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/record_processing_test.cpp)
