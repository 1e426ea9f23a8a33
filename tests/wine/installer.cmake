# The installer, in a Wine prefix of its own at 144 DPI so that the other
# tests' prefix stays as they expect it: installed silently, upgraded,
# uninstalled silently, then installed again and uninstalled through its
# pages; one ctest test each, in that order. The program sits beside the
# simulated library, which it lends the installed service.
add_executable(installer_test ${CMAKE_CURRENT_LIST_DIR}/installer_test.cpp)
target_link_libraries(installer_test PRIVATE
  ardmon_resources monitor_resources_win32 disklib_win32_stack disklib_sim_stack
  GTest::gtest_main advapi32 comctl32 ole32 shell32 user32 uuid version)
target_compile_definitions(installer_test PRIVATE
  ARDMON_INSTALLER="${ARDMON_INSTALLER}" ARDMON_STAGE_DIR="${ARDMON_STAGE_DIR}"
  ARDMON_VERSION="${PROJECT_VERSION}" ARDMON_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ARDMON_VERSION_MINOR=${PROJECT_VERSION_MINOR} ARDMON_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  ARDMON_SCREENSHOT_DIR="${CMAKE_BINARY_DIR}/screenshots")
add_dependencies(installer_test dist ArdmonLibSim)
set_target_properties(installer_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARDMON_SIM_DIR})

set(installer_env ARDMON_WINE_ROOT=${CMAKE_BINARY_DIR}/wine-installer ARDMON_WINE_DPI=144)
add_test(NAME wine.installer.prefix.up COMMAND ${PROJECT_SOURCE_DIR}/tools/wine/prefix up)
add_test(NAME wine.installer.prefix.down COMMAND ${PROJECT_SOURCE_DIR}/tools/wine/prefix down)
set_tests_properties(wine.installer.prefix.up PROPERTIES FIXTURES_SETUP installer_prefix)
set_tests_properties(wine.installer.prefix.down PROPERTIES FIXTURES_CLEANUP installer_prefix)

# One ctest test per suite of the program.
function(ardmon_installer_test name suite)
  add_test(NAME wine.installer.${name} COMMAND installer_test --gtest_filter=${suite}.*)
  set_tests_properties(wine.installer.${name} PROPERTIES TIMEOUT 300 LABELS wine
    ENVIRONMENT "${installer_env}" FIXTURES_REQUIRED installer_prefix)
endfunction()
ardmon_installer_test(refused RefusedFolders)
ardmon_installer_test(install Install)
ardmon_installer_test(upgrade Upgrade)
ardmon_installer_test(upgrade_hang UpgradeWhileTheServiceHangs)
ardmon_installer_test(uninstall Uninstall)
ardmon_installer_test(uninstall_with_pages UninstallWithPages)
# The refused folders come first, before anything is installed. The
# installation is the fixture the upgrades work on; the silent
# uninstallation ends it, and the one through the pages comes after.
set_tests_properties(wine.installer.install PROPERTIES FIXTURES_SETUP installer_installed
  DEPENDS wine.installer.refused)
set_tests_properties(wine.installer.upgrade PROPERTIES
  FIXTURES_REQUIRED "installer_prefix;installer_installed")
set_tests_properties(wine.installer.upgrade_hang PROPERTIES
  FIXTURES_REQUIRED "installer_prefix;installer_installed" DEPENDS wine.installer.upgrade)
set_tests_properties(wine.installer.uninstall PROPERTIES FIXTURES_CLEANUP installer_installed)
set_tests_properties(wine.installer.uninstall_with_pages PROPERTIES
  DEPENDS wine.installer.uninstall)

set_tests_properties(wine.installer.prefix.up wine.installer.prefix.down PROPERTIES
  LABELS wine ENVIRONMENT "${installer_env}" TIMEOUT 120)
