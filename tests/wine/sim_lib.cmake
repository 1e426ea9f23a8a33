# The simulated ArdmonLib.dll through its exports. The program sits beside
# that DLL and its fixture, which it rewrites between calls and restores.
add_executable(sim_lib_test ${CMAKE_CURRENT_LIST_DIR}/sim_lib_test.cpp)
# The fixture reader edits ArdmonSim.json; the DLL is loaded at run time.
target_link_libraries(sim_lib_test PRIVATE disklib_sim_stack GTest::gtest_main)
add_dependencies(sim_lib_test ArdmonLibSim)
set_target_properties(sim_lib_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})
