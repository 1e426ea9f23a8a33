# Windows test programs of the real ArdmonLib.dll and its device stack. They
# sit beside the DLL so the library test loads the very file that ships.
add_executable(real_lib_test ${CMAKE_CURRENT_LIST_DIR}/real_lib_test.cpp)
# The stack sets up devices for the filter test; the DLL is loaded at run time.
target_link_libraries(real_lib_test PRIVATE disklib_win32_stack GTest::gtest_main)
add_dependencies(real_lib_test ArdmonLib)

add_executable(win32_stack_test ${CMAKE_CURRENT_LIST_DIR}/win32_stack_test.cpp)
target_link_libraries(win32_stack_test PRIVATE disklib_win32_stack GTest::gtest_main)

set_target_properties(real_lib_test win32_stack_test PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${ARDMON_BIN_DIR})
