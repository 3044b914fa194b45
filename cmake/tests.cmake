# The Qt-free tests: core, user.ini, morvane-cli.
find_package(GTest REQUIRED)
include(GoogleTest)

# One GoogleTest program of tests/NAME.cpp, linked with the given libraries.
function(morvane_gtest name)
  add_executable(${name} tests/${name}.cpp)
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

morvane_gtest(locator_test morvane_locator)
morvane_gtest(exact_cell_test morvane_locator)
target_compile_options(locator_test PRIVATE -ffp-contract=off)
morvane_gtest(home_file_test morvane_settings)
morvane_gtest(home_store_test morvane_settings)
morvane_gtest(cli_test morvane_cli_core)
morvane_gtest(adif_test morvane_cli_core)
morvane_gtest(edi_test morvane_cli_core)
morvane_gtest(contest_test morvane_contest)
morvane_gtest(batch_test morvane_batch)
morvane_gtest(rotator_test morvane_station)
morvane_gtest(session_test morvane_station)
find_package(Threads REQUIRED)
target_link_libraries(adif_test PRIVATE Threads::Threads)
add_test(NAME cli.end_to_end COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli_test.sh ${CMAKE_BINARY_DIR})

# The native answers the web edition's WebAssembly core is held to
# (web/test/agreement.mjs, run by scripts/test after scripts/web --build).
add_executable(web_cases tests/web_cases.cpp web/core/api.cpp)
target_link_libraries(web_cases PRIVATE morvane_locator)
target_compile_options(web_cases PRIVATE -ffp-contract=off)
