# The monitor's resources read back under Wine: this program links them in
# and loads them from its own image.
add_executable(resources_test ${CMAKE_CURRENT_LIST_DIR}/resources_test.cpp)
target_link_libraries(resources_test PRIVATE
  ardmon_resources monitor_resources_win32 GTest::gtest_main comctl32)
set_target_properties(resources_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_BIN_DIR})
