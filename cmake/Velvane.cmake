# Shared build helpers: GoogleTest for both targets and one CTest entry per test program.

if(WIN32)
  # Debian ships GoogleTest's sources; build them with the cross compiler.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()

# velvane_add_test(NAME SOURCES src... [LIBS lib...] [LABELS label...])
# Builds one test program and registers it with CTest (under Wine when cross-building).
function(velvane_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# velvane_expose_folder(TARGET FOLDER [PRIVATE])
# Makes FOLDER (relative to the source root) includable as "FOLDER/header.h" for TARGET and,
# unless PRIVATE, for whatever links TARGET. Each layer sees only the folders it links, so an
# upward include fails at compile time.
function(velvane_expose_folder target folder)
  set(scope PUBLIC)
  if(ARGV2)
    set(scope ${ARGV2})
  endif()
  get_target_property(kind ${target} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    set(scope INTERFACE)
  endif()
  set(view ${CMAKE_BINARY_DIR}/include-views/${target})
  get_filename_component(parent ${view}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${view}/${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${view})
endfunction()
