# import morvane: the binding (pybind11) over morvane_batch, built into
# build/python/morvane/ beside its Python files, for Debian's interpreter
# (/usr/bin/python3, which has numpy, pandas and Dask) unless told another.
if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
find_package(pybind11 CONFIG QUIET)
set(morvane_python_default OFF)
# Not under the sanitizers: the interpreter that would load it is not built with them.
if(Python3_FOUND AND pybind11_FOUND AND NOT MORVANE_SANITIZE)
  set(morvane_python_default ON)
endif()
option(MORVANE_PYTHON "Build the Python module (pybind11)" ${morvane_python_default})
if(NOT MORVANE_PYTHON)
  message(STATUS "pybind11 or Python 3 not found (python3-pybind11): the Python module is not built")
  return()
endif()

set(morvane_python_dir ${CMAKE_BINARY_DIR}/python/morvane)
pybind11_add_module(morvane_python python/module.cpp)
target_link_libraries(morvane_python PRIVATE morvane_batch)
target_compile_definitions(morvane_python PRIVATE MORVANE_VERSION="${PROJECT_VERSION}")
set_target_properties(morvane_python PROPERTIES OUTPUT_NAME _core LIBRARY_OUTPUT_DIRECTORY ${morvane_python_dir})
foreach(file __init__.py dask.py __init__.pyi dask.pyi py.typed)
  configure_file(python/morvane/${file} ${morvane_python_dir}/${file} COPYONLY)
endforeach()
# The sources of the Python files are watched: a changed one is copied again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS python/morvane/__init__.py python/morvane/dask.py
             python/morvane/__init__.pyi python/morvane/dask.pyi)

# Installed beside Debian's own modules: /usr/lib/python3/dist-packages/morvane.
set(MORVANE_PYTHON_INSTALL_DIR lib/python3/dist-packages/morvane CACHE STRING "Where the morvane module is installed")
install(TARGETS morvane_python LIBRARY DESTINATION ${MORVANE_PYTHON_INSTALL_DIR} COMPONENT python)
if(MORVANE_STRIP_INSTALLED)  # as the programs are, for the package
  install(CODE "execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MORVANE_PYTHON_INSTALL_DIR}/$<TARGET_FILE_NAME:morvane_python>\"
                COMMAND_ERROR_IS_FATAL ANY)" COMPONENT python)
endif()
install(FILES python/morvane/__init__.py python/morvane/dask.py python/morvane/__init__.pyi python/morvane/dask.pyi
              python/morvane/py.typed DESTINATION ${MORVANE_PYTHON_INSTALL_DIR}
        COMPONENT python)
# The distribution's metadata beside it, so that pip and importlib.metadata
# know the installed version; and the worked example with the documents.
configure_file(packaging/python-METADATA.in ${CMAKE_BINARY_DIR}/python-dist-info/METADATA @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/python-dist-info/INSTALLER "dpkg\n")
install(FILES ${CMAKE_BINARY_DIR}/python-dist-info/METADATA ${CMAKE_BINARY_DIR}/python-dist-info/INSTALLER
        DESTINATION ${MORVANE_PYTHON_INSTALL_DIR}/../morvane-${PROJECT_VERSION}.dist-info COMPONENT python)
install(FILES examples/wspr.py DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-morvane/examples COMPONENT python)

if(MORVANE_TESTS)
  add_test(NAME python.module
           COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_SOURCE_DIR}/tests/python)
  set_tests_properties(python.module PROPERTIES ENVIRONMENT "PYTHONPATH=${CMAKE_BINARY_DIR}/python;MORVANE_CLI=$<TARGET_FILE:morvane-cli>"
                       TIMEOUT 600)
endif()
