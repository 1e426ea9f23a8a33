# The installed service, driven through the monitor's client, raw pipe
# clients and the service control manager. The program sits beside the
# simulated ArdmonLib.dll and its fixture, which it loads to know the right
# answers and restores after changing them; it also relaunches itself as the
# client processes of the parallel test.
add_executable(service_test ${CMAKE_CURRENT_LIST_DIR}/service_test.cpp)
# disklib_sim_stack only for where the demo machine's fixture lies.
target_link_libraries(service_test PRIVATE monitor_win32 disklib_sim_stack service_caller GTest::gtest
  advapi32)
add_dependencies(service_test ArdmonSvc ArdmonLibSim)
set_target_properties(service_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})
