# The real Ardmon.exe driven from a test program beside it, the simulated
# library and its fixture: windows found by class, the drive list and the
# tray's icons read across processes, messages posted as the tray and the
# user would send them. Screenshots go to the build tree's screenshots/.
add_executable(monitor_gui_test ${CMAKE_CURRENT_LIST_DIR}/monitor_gui_test.cpp)
# The resources for the texts to expect, in the language Ardmon.exe uses.
target_link_libraries(monitor_gui_test PRIVATE
  ardmon_resources monitor_resources_win32 disklib_sim_stack GTest::gtest_main
  advapi32 comctl32 shell32 user32)
target_compile_definitions(monitor_gui_test PRIVATE
  ARDMON_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
add_dependencies(monitor_gui_test Ardmon ArdmonSvc ArdmonLibSim)
set_target_properties(monitor_gui_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})
