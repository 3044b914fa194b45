# The Windows build, cross-built with mingw-w64 by scripts/windows: the
# command line and its tests, run by ctest through Wine
# (CMAKE_CROSSCOMPILING_EMULATOR). GoogleTest, GeographicLib and libarchive
# come built for mingw-w64 from Debian's source, and toml++'s headers, in
# MORVANE_WINDOWS_DEPS.
include_directories(SYSTEM ${MORVANE_WINDOWS_DEPS}/include)
add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
# 64-bit file offsets in the C runtime too.
add_compile_definitions(_FILE_OFFSET_BITS=64)
set(MORVANE_BENCHMARKS OFF)

# Called once the command line's targets are defined.
macro(morvane_windows_program)
  # libarchive built static, with zlib for zip and gzip.
  target_compile_definitions(morvane_intake PRIVATE LIBARCHIVE_STATIC)
  target_link_libraries(morvane_intake PRIVATE z bcrypt)
  # The manifest: UTF-8 as the code page (file names, arguments), long
  # paths, and no virtualised folders.
  target_sources(morvane-cli PRIVATE packaging/windows/morvane-cli.rc)
  set_source_files_properties(packaging/windows/morvane-cli.rc PROPERTIES
    OBJECT_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/morvane-cli.manifest)

  if(MORVANE_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    # Not here: home_store_test and adif_test stage Linux faults (file size limits, a
    # full file system in a mount namespace), and rotator_test's stand-in
    # for rotctld is a POSIX server. tests/windows_test.sh takes their
    # place: the program's files on Windows, and rotate against rotctld.
    foreach(test locator_test exact_cell_test contest_test home_file_test cli_test edi_test session_test)
      add_executable(${test} tests/${test}.cpp)
      # Listed when ctest runs, not at build time: no Wine while building.
      gtest_discover_tests(${test} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
    endforeach()
    target_link_libraries(locator_test PRIVATE morvane_locator GTest::gtest_main)
    target_link_libraries(exact_cell_test PRIVATE morvane_locator GTest::gtest_main)
    target_link_libraries(contest_test PRIVATE morvane_contest GTest::gtest_main)
    target_link_libraries(home_file_test PRIVATE morvane_settings GTest::gtest_main)
    foreach(test cli_test edi_test)
      target_link_libraries(${test} PRIVATE morvane_cli_core GTest::gtest_main)
    endforeach()
    target_link_libraries(session_test PRIVATE morvane_station GTest::gtest_main)
    target_compile_options(locator_test PRIVATE -ffp-contract=off)
    add_executable(windows_platform_test tests/windows/platform_test.cpp)
    target_link_libraries(windows_platform_test PRIVATE morvane_files morvane_platform GTest::gtest_main)
    gtest_discover_tests(windows_platform_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)
    # For tests/windows_test.sh: a log held open as another program would.
    add_executable(hold_open tests/windows/hold_open.cpp)
    target_link_options(hold_open PRIVATE -municode)
  endif()
endmacro()
