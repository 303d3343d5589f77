# Tests of the resource database (directory search and mark, random draws,
# build, check and record processing).
target_sources(zk_unit_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp)
