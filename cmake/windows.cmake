# The Windows build so far: the core, the log formats and contest
# adjudication (standard C++ all), with their GoogleTest programs, run by
# ctest through Wine (CMAKE_CROSSCOMPILING_EMULATOR). GoogleTest comes
# built for mingw-w64 from Debian's source by scripts/windows. The command
# line follows once its services (files, signals, sockets, the home
# locator's place) have their Windows halves.
if(MORVANE_TESTS)
  enable_testing()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  foreach(test locator_test exact_cell_test contest_test)
    add_executable(${test} tests/${test}.cpp)
    # Listed when ctest runs, not at build time: no Wine while building.
    gtest_discover_tests(${test} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
  endforeach()
  target_link_libraries(locator_test PRIVATE morvane_locator GTest::gtest_main)
  target_link_libraries(exact_cell_test PRIVATE morvane_locator GTest::gtest_main)
  target_link_libraries(contest_test PRIVATE morvane_contest GTest::gtest_main)
  target_compile_options(locator_test PRIVATE -ffp-contract=off)
endif()
