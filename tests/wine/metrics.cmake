# The service's metrics file: written by the installed service on the demo
# machine (metrics_test), then read by real collectors (metrics_scrape: the
# exposition checker, the node exporter's textfile collector and a
# Prometheus server on loopback, against ArdmonProbe --json).
set(ARDMON_METRICS_FOLDER ${CMAKE_BINARY_DIR}/metrics)
add_executable(metrics_test ${CMAKE_CURRENT_LIST_DIR}/metrics_test.cpp)
target_link_libraries(metrics_test PRIVATE monitor_win32 service_metrics_writer disklib_sim_stack
  GTest::gtest_main advapi32)
target_compile_definitions(metrics_test PRIVATE ARDMON_METRICS_FOLDER="${ARDMON_METRICS_FOLDER}")
add_dependencies(metrics_test ArdmonSvc ArdmonLibSim ArdmonProbe)
set_target_properties(metrics_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})

add_test(NAME wine.metrics_scrape COMMAND ${ARDMON_PYTHON3}
  ${CMAKE_CURRENT_LIST_DIR}/metrics_scrape.py ${ARDMON_SIM_DIR} ${ARDMON_METRICS_FOLDER}-scrape)
set_tests_properties(wine.metrics_scrape PROPERTIES
  FIXTURES_REQUIRED "wine_prefix;wine_service" LABELS wine TIMEOUT 180
  ENVIRONMENT ${ARDMON_WINE_ENV})
