# Small helpers so that every folder is declared the same way.

set(TESSARO_WARNINGS -Wall -Wextra -Wpedantic -Werror)
# GCC 12 at -O3 (the Release build of `make bench`) reports overlaps inside
# std::string's own copies that cannot happen (its bug 105651).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND TESSARO_WARNINGS -Wno-restrict)
endif()

# tessaro_add_test(<folder> <target> SOURCES ... [DEPS ...] [TESTING <lib>])
# A GoogleTest program whose cases are registered as <folder>/<Suite>.<Case>,
# so that `ctest -R numeric/` runs one area. It links the shell-level test
# support tessaro_testing unless TESTING names another (the numeric tests
# take tessaro_testing_numeric and so never link the shell).
function(tessaro_add_test folder target)
  cmake_parse_arguments(ARG "" "TESTING" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_TESTING)
    set(ARG_TESTING tessaro_testing)
  endif()
  if(TESSARO_BUILD_FUZZ OR NOT TESSARO_BUILD_TESTS)
    return()  # the fuzzing tree builds no GoogleTest programs
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_compile_options(${target} PRIVATE ${TESSARO_WARNINGS})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} ${ARG_TESTING} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    TESSARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TESSARO_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  gtest_discover_tests(${target} TEST_PREFIX "${folder}/" DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tessaro_add_folder(<folder> SOURCES ... [TESTS ...] [DEPS ...] [TEST_DEPS ...]
#                   [TESTING <lib>])
# One folder = one library tessaro_<folder> made of SOURCES; the TESTS beside
# them form the folder's test program tessaro_<folder>_tests.
function(tessaro_add_folder folder)
  cmake_parse_arguments(ARG "" "TESTING" "SOURCES;TESTS;DEPS;TEST_DEPS" ${ARGN})
  add_library(tessaro_${folder} STATIC ${ARG_SOURCES})
  target_include_directories(tessaro_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(tessaro_${folder} PRIVATE ${TESSARO_WARNINGS})
  target_link_libraries(tessaro_${folder} PUBLIC ${ARG_DEPS})
  if(ARG_TESTS)
    tessaro_add_test(${folder} tessaro_${folder}_tests SOURCES ${ARG_TESTS}
      DEPS tessaro_${folder} ${ARG_TEST_DEPS} TESTING ${ARG_TESTING})
  endif()
endfunction()
