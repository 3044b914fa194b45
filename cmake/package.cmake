# Installation as a desktop application and the Debian package: both
# programs, their manual pages, the desktop entry, icons, metainfo, and the
# copyright and changelog a distribution asks for.
find_program(GZIP gzip REQUIRED)
set(MORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/morvane)

# Compressed at build time, without names or times inside (reproducible).
set(compressed)
foreach(pair "man/morvane.1;morvane.1.gz" "man/morvane-cli.1;morvane-cli.1.gz" "packaging/changelog;changelog.gz")
  list(GET pair 0 source)
  list(GET pair 1 output)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     COMMAND ${GZIP} -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/${source} > ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/${output})
endforeach()
add_custom_target(morvane_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/morvane.1.gz ${CMAKE_CURRENT_BINARY_DIR}/morvane-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz packaging/copyright DESTINATION ${MORVANE_DOC_DIR})
if(MORVANE_PYTHON)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-morvane COMPONENT python)
  install(FILES packaging/python3-morvane.lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
          RENAME python3-morvane COMPONENT python)
endif()
install(FILES packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME morvane)
# A contest's rules in one file each, for crosscheck --rules.
install(DIRECTORY contests/ DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane/contests FILES_MATCHING PATTERN "*.toml")
if(MORVANE_GUI)
  install(FILES resources/org.morvane.morvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES resources/org.morvane.morvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 22 24 32 48 64 128 256)
    install(FILES resources/icons/${size}x${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME org.morvane.morvane.png)
  endforeach()
  install(FILES resources/icons/scalable.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME org.morvane.morvane.svg)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Morvane developers <morvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "QRA locator calculator for radio amateurs")
set(CPACK_PACKAGE_DESCRIPTION
    "Morvane converts a position into its six-character QRA (Maidenhead)\n"
    "locator, a locator into the centre of its sub-square, and gives the\n"
    "azimuth and great-circle distance between two locators, in kilometres\n"
    "or miles. It remembers the user's own locator as the base.\n"
    "\n"
    "The package also holds morvane-cli, which gives the same answers in\n"
    "shells and scripts, for locators of 2 to 10 characters, and fills\n"
    "distances and bearings into ADIF logs.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Morvane developers <morvane@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://morvane.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debugging information, and the compiler's notes, stay out of the package.
option(MORVANE_STRIP_INSTALLED "Strip the installed programs" OFF)
if(MORVANE_STRIP_INSTALLED)
  foreach(program morvane morvane-cli)
    install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded --remove-section=.comment
                  --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\"
                  COMMAND_ERROR_IS_FATAL ANY)")
  endforeach()
endif()
# Two binary packages from one build: morvane (the programs) and, with the
# Python module, python3-morvane.
if(MORVANE_PYTHON)
  math(EXPR morvane_python_next "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified python)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME morvane)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-morvane)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  # CPack puts the summary before each package's description.
  set(CPACK_COMPONENT_UNSPECIFIED_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION
      "The Python module morvane gives the Morvane core's locator checks,\n"
      "cell centres, exact cells of positions, and azimuths and great-circle\n"
      "distances over whole numpy arrays and Dask DataFrames, for propagation\n"
      "studies over millions of spots.")
  string(REPLACE ";" "" CPACK_COMPONENT_PYTHON_DESCRIPTION "${CPACK_COMPONENT_PYTHON_DESCRIPTION}")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${morvane_python_next}), python3-numpy")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "python3-pandas, python3-dask, python3-distributed")
endif()
include(CPack)
