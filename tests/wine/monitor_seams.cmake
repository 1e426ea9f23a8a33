# The monitor's Win32 seams that need no window: clock, code page and files.
add_executable(monitor_seams_test ${CMAKE_CURRENT_LIST_DIR}/monitor_seams_test.cpp)
target_link_libraries(monitor_seams_test PRIVATE monitor_win32 GTest::gtest_main)
