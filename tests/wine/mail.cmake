# Alert mail against real servers on loopback: the servers and the test CA
# come up before the mail tests and go after them.
set(ARDMON_MAIL_SERVERS ${CMAKE_BINARY_DIR}/mail-servers)
add_test(NAME wine.mail_servers.up
  COMMAND ${PROJECT_SOURCE_DIR}/tools/mail-servers start ${ARDMON_MAIL_SERVERS})
add_test(NAME wine.mail_servers.down
  COMMAND ${PROJECT_SOURCE_DIR}/tools/mail-servers stop ${ARDMON_MAIL_SERVERS})
set_tests_properties(wine.mail_servers.up PROPERTIES FIXTURES_SETUP mail_servers)
set_tests_properties(wine.mail_servers.down PROPERTIES FIXTURES_CLEANUP mail_servers)
set_tests_properties(wine.mail_servers.up wine.mail_servers.down PROPERTIES
  LABELS wine TIMEOUT 120)

add_executable(mail_delivery_test ${CMAKE_CURRENT_LIST_DIR}/mail_delivery_test.cpp)
target_link_libraries(mail_delivery_test PRIVATE monitor_win32 GTest::gtest_main)
target_include_directories(mail_delivery_test PRIVATE ${ARDMON_THIRD_PARTY_INCLUDE})

# A test that talks to the mail servers.
function(ardmon_mail_test name)
  set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED mail_servers)
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ARDMON_MAIL_SERVERS=${ARDMON_MAIL_SERVERS})
endfunction()

# The Mail page and the alert mail of the real Ardmon.exe.
ardmon_monitor_gui_test(monitor_mail_test)
target_include_directories(monitor_mail_test PRIVATE ${ARDMON_THIRD_PARTY_INCLUDE})

# For the demo: the test CA trusted in its prefix.
add_executable(trust_test_ca ${CMAKE_CURRENT_LIST_DIR}/trust_test_ca.cpp)
target_link_libraries(trust_test_ca PRIVATE crypt32)
target_include_directories(trust_test_ca PRIVATE ${ARDMON_THIRD_PARTY_INCLUDE})
