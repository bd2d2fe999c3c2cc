# Helpers shared by every directory: one static library per directory, one test program per
# test directory, one program per benchmark directory.
include(GoogleTest)

# tv_library(<name> [DEPS <targets>...]): the *.cpp files of the current directory.
function(tv_library name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS})
endfunction()

# tv_tests(<name> [DEPS <targets>...]): a GoogleTest program of the current directory's *.cpp.
function(tv_tests name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${A_DEPS} tv_test_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES ENVIRONMENT "TV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

# tv_benchmark(<name> [DEPS <targets>...]): a Google Benchmark program of the directory's *.cpp.
function(tv_benchmark name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
endfunction()

# Adds every immediate subdirectory of the current one that has a CMakeLists.txt.
macro(tv_add_subdirectories)
  file(GLOB _tv_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  list(SORT _tv_lists)
  foreach(_tv_list ${_tv_lists})
    get_filename_component(_tv_dir ${_tv_list} DIRECTORY)
    add_subdirectory(${_tv_dir})
  endforeach()
endmacro()
