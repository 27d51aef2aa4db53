# Small helpers so that every folder is declared the same way.

set(TESSARO_WARNINGS -Wall -Wextra -Wpedantic -Werror)

# tessaro_add_test(<folder> <target> SOURCES ... [DEPS ...])
# A GoogleTest program whose cases are registered as <folder>/<Suite>.<Case>,
# so that `ctest -R numeric/` runs one area.
function(tessaro_add_test folder target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_compile_options(${target} PRIVATE ${TESSARO_WARNINGS})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    TESSARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TESSARO_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  gtest_discover_tests(${target} TEST_PREFIX "${folder}/" DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# tessaro_add_folder(<folder> [DEPS ...] [TEST_DEPS ...])
# One folder = one library tessaro_<folder>, made of its *.cpp files; the
# *_test.cpp files beside them form the folder's test program.
function(tessaro_add_folder folder)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(lib_sources ${all_sources})
  list(FILTER lib_sources EXCLUDE REGEX "_test\\.cpp$")
  set(test_sources ${all_sources})
  list(FILTER test_sources INCLUDE REGEX "_test\\.cpp$")
  if(lib_sources)
    add_library(tessaro_${folder} STATIC ${lib_sources})
    target_include_directories(tessaro_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_compile_options(tessaro_${folder} PRIVATE ${TESSARO_WARNINGS})
    target_link_libraries(tessaro_${folder} PUBLIC ${ARG_DEPS})
  else()  # a folder of headers only
    add_library(tessaro_${folder} INTERFACE)
    target_include_directories(tessaro_${folder} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(tessaro_${folder} INTERFACE ${ARG_DEPS})
  endif()
  if(test_sources)
    tessaro_add_test(${folder} tessaro_${folder}_tests SOURCES ${test_sources}
      DEPS tessaro_${folder} ${ARG_TEST_DEPS})
  endif()
endfunction()
