# ks_library(name dir DEPS ...): one library per source folder, made of the
# folder's own .cpp files (not those of subfolders).
function(ks_library name dir)
  cmake_parse_arguments(KS "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${KS_DEPS})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${KS_DEPS})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
  endif()
endfunction()

# The test programs share one precompiled header (GoogleTest, GoogleMock and
# the standard headers most tests use): parsing them is a large part of every
# test file's compile time.  It is built once per build folder with the test
# programs' flags; -Winvalid-pch (added by CMake) reports a test file that
# cannot use it.
function(ks_test_pch)
  set(source ${CMAKE_BINARY_DIR}/generated/test_pch.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// Builds the test programs' precompiled header.\n")
  add_library(ks_test_pch OBJECT ${source})
  target_link_libraries(ks_test_pch PRIVATE GTest::gmock)
  target_compile_options(ks_test_pch PRIVATE -O0)
  target_precompile_headers(ks_test_pch PRIVATE
    <gtest/gtest.h> <gmock/gmock.h>
    <algorithm> <atomic> <chrono> <cmath> <cstdint> <cstring> <filesystem> <fstream>
    <functional> <map> <memory> <mutex> <sstream> <string> <thread> <vector>)
endfunction()

# ks_test_flags(name): what every test program's own code compiles with.
function(ks_test_flags name)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # Test code itself needs no optimisation; the code under test keeps the
  # flavour's flags.  This halves the build time of the tests.
  target_compile_options(${name} PRIVATE -O0)
  if(NOT TARGET ks_test_pch)
    ks_test_pch()
  endif()
  target_precompile_headers(${name} REUSE_FROM ks_test_pch)
endfunction()

# ks_test(name dir DEPS ...): one GoogleTest program per test folder; every
# TEST becomes its own ctest entry.
function(ks_test name dir)
  cmake_parse_arguments(KS "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${KS_DEPS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE KS_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  ks_test_flags(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES TIMEOUT 120)
endfunction()

# ks_support(name PATTERN globs... DEPS ...): a library of shared test doubles from
# tests/support/<glob>.cpp (an interface library while there are none).
function(ks_support name)
  cmake_parse_arguments(KS "" "" "PATTERN;DEPS" ${ARGN})
  set(sources)
  foreach(pattern ${KS_PATTERN})
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/${pattern})
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${KS_DEPS} GTest::gmock)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${KS_DEPS})
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/tests)
  endif()
endfunction()
