# The Qt-free tests: core, user.ini, morvane-cli.
find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(locator_test tests/locator_test.cpp)
target_link_libraries(locator_test PRIVATE morvane_locator GTest::gtest_main)
target_compile_options(locator_test PRIVATE -ffp-contract=off)
gtest_discover_tests(locator_test DISCOVERY_TIMEOUT 60)

add_executable(home_file_test tests/home_file_test.cpp)
target_link_libraries(home_file_test PRIVATE morvane_settings GTest::gtest_main)
gtest_discover_tests(home_file_test DISCOVERY_TIMEOUT 60)

add_executable(home_store_test tests/home_store_test.cpp)
target_link_libraries(home_store_test PRIVATE morvane_settings GTest::gtest_main)
gtest_discover_tests(home_store_test DISCOVERY_TIMEOUT 60)

add_executable(cli_test tests/cli_test.cpp)
target_link_libraries(cli_test PRIVATE morvane_cli_core GTest::gtest_main)
gtest_discover_tests(cli_test DISCOVERY_TIMEOUT 60)

add_executable(adif_test tests/adif_test.cpp)
target_link_libraries(adif_test PRIVATE morvane_cli_core GTest::gtest_main)
gtest_discover_tests(adif_test DISCOVERY_TIMEOUT 60)
add_test(NAME cli.end_to_end COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/cli_test.sh ${CMAKE_BINARY_DIR})

