# The fuzz targets' seeds and saved failing inputs, replayed once each by a
# plain program (replay_main.cpp) in the ordinary test builds: fuzz_replay.NAME.
set(zk_replay_targets command_file profile_parser resource_database token message_table log)
foreach(name IN LISTS zk_replay_targets)
  set(target fuzz_replay_${name})
  add_executable(${target}
    ${CMAKE_CURRENT_LIST_DIR}/fuzz_${name}.cpp
    ${CMAKE_CURRENT_LIST_DIR}/replay_main.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/support/test_engine.cpp
    ${ZK_PLUGIN_OBJECTS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests/unit
                             ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(${target} PRIVATE zk_plugin_system_libs)
  file(GLOB zk_replay_inputs LIST_DIRECTORIES false
       ${CMAKE_CURRENT_LIST_DIR}/corpus/${name}/* ${CMAKE_CURRENT_LIST_DIR}/regressions/${name}/*)
  add_test(NAME fuzz_replay.${name} COMMAND ${target} ${zk_replay_inputs})
endforeach()
