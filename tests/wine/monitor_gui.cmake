# The real Ardmon.exe driven from test programs beside it, the simulated
# library and its fixture: windows found by class, the drive list and the
# tray's icons read across processes, messages posted as the tray and the
# user would send them. Screenshots go to the build tree's screenshots/.
function(ardmon_monitor_gui_test target)
  add_executable(${target} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${target}.cpp)
  # The resources for the texts to expect, in the language Ardmon.exe uses.
  target_link_libraries(${target} PRIVATE
    ardmon_resources monitor_win32 disklib_sim_stack GTest::gtest_main
    advapi32 comctl32 shell32 user32)
  target_compile_definitions(${target} PRIVATE
    ARDMON_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
  add_dependencies(${target} Ardmon ArdmonSvc ArdmonLibSim)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})
endfunction()

# The monitor's life, its drive list and its tray icons.
ardmon_monitor_gui_test(monitor_gui_test)
# Its pages.
ardmon_monitor_gui_test(monitor_pages_test)
# Its window while the service stalls.
ardmon_monitor_gui_test(monitor_freeze_test)
# Sleeping disks left asleep.
ardmon_monitor_gui_test(monitor_sleep_test)
# Its Log and Graph pages.
ardmon_monitor_gui_test(monitor_log_graph_test)
# Alerts that follow the drive: rising counts, accepted values.
ardmon_monitor_gui_test(monitor_alerts_test)
# A copy of Ardmon.exe in a folder no one may create files in.
set(ARDMON_READONLY_FOLDER ${CMAKE_BINARY_DIR}/readonly-programs)
target_compile_definitions(monitor_log_graph_test PRIVATE
  ARDMON_READONLY_FOLDER="${ARDMON_READONLY_FOLDER}")
