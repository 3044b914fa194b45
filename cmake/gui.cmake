# The Qt program and its window tests.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
qt_standard_project_setup()

add_library(morvane_ui STATIC
  ui/controls.cpp
  ui/readable_colour.cpp
  ui/tab_control.cpp
  ui/message_seam.cpp
  ui/number_text.cpp
  ui/frmMain.cpp
  ui/geo_page.cpp
  ui/locator_page.cpp
  ui/azimuth_page.cpp
  ui/home_locator.cpp
  ui/frmSplash.cpp
  ui/frmAbout.cpp
  app/help_menu.cpp
  app/module1.cpp)
set_target_properties(morvane_ui PROPERTIES AUTOMOC ON)
target_include_directories(morvane_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(morvane_ui PUBLIC morvane_locator morvane_settings Qt6::Widgets)
qt_add_resources(morvane_ui morvane_resources
  PREFIX /morvane
  BASE resources
  FILES resources/logo.gif resources/morvane.ico)

qt_add_executable(morvane app/main.cpp)
target_compile_definitions(morvane PRIVATE MORVANE_VERSION="${PROJECT_VERSION}")
target_link_libraries(morvane PRIVATE morvane_ui)

if(MORVANE_TESTS)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  # Window tests: one Qt Test program per file, run on the offscreen platform.
  set(MORVANE_UI_TESTS controls_test home_locator_test startup_test accessibility_test
                       geo_page_test locator_page_test azimuth_page_test readability_test)
  foreach(name IN LISTS MORVANE_UI_TESTS)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/ui/${name}.cpp)
      qt_add_executable(${name} tests/ui/${name}.cpp)
      set_target_properties(${name} PROPERTIES AUTOMOC ON)
      target_link_libraries(${name} PRIVATE morvane_ui Qt6::Test)
      add_test(NAME ui.${name} COMMAND ${name})
      set_tests_properties(ui.${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
  endforeach()
  # morvane-cli at the station: Qt-made datagrams, the real rotctld.
  find_package(Qt6 REQUIRED COMPONENTS Network)
  qt_add_executable(station_test tests/station_test.cpp)
  set_target_properties(station_test PROPERTIES AUTOMOC ON)
  target_link_libraries(station_test PRIVATE Qt6::Network Qt6::Gui Qt6::Test)
  add_test(NAME station.end_to_end COMMAND station_test)
  set_tests_properties(station.end_to_end PROPERTIES ENVIRONMENT "MORVANE_CLI=$<TARGET_FILE:morvane-cli>" TIMEOUT 300)
  # The colours as GNOME's theme really paints them, light and dark, in an
  # X server of the test's own.
  foreach(theme Adwaita Adwaita:dark)
    add_test(NAME ui.painted_theme.${theme}
             COMMAND xvfb-run -a env QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=${theme}
                     $<TARGET_FILE:readability_test> paintedBackgroundsReadWithAMargin)
  endforeach()
endif()

# Renders the windows for the README (run by hand).
qt_add_executable(morvane_screenshots docs/screenshots.cpp)
target_link_libraries(morvane_screenshots PRIVATE morvane_ui)

# A huge paste into every box (run by hand).
qt_add_executable(paste_bench bench/paste/paste_bench.cpp)
target_link_libraries(paste_bench PRIVATE morvane_ui)

# Start-up benchmark (run by hand: bench/startup/run).
find_package(X11)
if(X11_FOUND)
  qt_add_executable(floor_window bench/startup/floor_window.cpp)
  target_link_libraries(floor_window PRIVATE Qt6::Widgets)
  add_executable(startup_measure bench/startup/measure.cpp)
  target_link_libraries(startup_measure PRIVATE X11::X11)
endif()

install(TARGETS morvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(MORVANE_TESTS)
  # The installed program, used by a user who cannot write where it is
  # installed, keeps the home locator in that user's configuration directory.
  find_program(MORVANE_XDOTOOL xdotool)
  find_program(MORVANE_XVFB Xvfb)
  find_program(MORVANE_RUNUSER runuser)
  if(MORVANE_XDOTOOL AND MORVANE_XVFB AND MORVANE_RUNUSER)
    add_test(NAME install.saves_home_locator_as_user
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tests/install_test.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(install.saves_home_locator_as_user PROPERTIES RUN_SERIAL ON TIMEOUT 300)
  endif()
endif()
