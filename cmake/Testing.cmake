# GoogleTest, and the helper that turns a test source list into one CTest
# entry. Natively it is the system's (Debian's libgtest-dev); a cross-build
# builds it from its sources (Debian's googletest) with this tree's compiler;
# both name it GTest::gtest.
if(CMAKE_CROSSCOMPILING)
  find_path(SONORIX_GOOGLETEST_SOURCES googletest/CMakeLists.txt PATHS /usr/src/googletest NO_CMAKE_FIND_ROOT_PATH
    REQUIRED)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${SONORIX_GOOGLETEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # Its speed does not matter; its build time does, since every test waits for it.
  target_compile_options(gtest PRIVATE -O0)
else()
  find_package(GTest REQUIRED)
endif()

# Every test translation unit starts with GoogleTest (and windows.h on
# Windows); they are parsed once, into one precompiled header all tests share.
file(WRITE ${CMAKE_BINARY_DIR}/test_pch.cpp "")
add_library(sonorix_test_pch STATIC ${CMAKE_BINARY_DIR}/test_pch.cpp)
target_link_libraries(sonorix_test_pch PRIVATE GTest::gtest)
target_precompile_headers(sonorix_test_pch PRIVATE <gtest/gtest.h>)
if(WIN32)
  target_precompile_headers(sonorix_test_pch PRIVATE <windows.h>)
endif()

if(WIN32)
  # Every Windows test runs under Wine in a private prefix inside this build
  # folder, with code page 932 (see tools/wine-run.in).
  set(SONORIX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/tools/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
    @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

if(WIN32)
  # One Wine session spans the whole run (see tools/wine-run.in).
  add_test(NAME wine_session_start COMMAND ${CMAKE_BINARY_DIR}/wine-run --session-start)
  add_test(NAME wine_session_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run --session-stop)
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()

# sonorix_test(<name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <seconds>])
# One executable, one CTest entry; GoogleTest prints the per-case results.
function(sonorix_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_precompile_headers(${name} REUSE_FROM sonorix_test_pch)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(WIN32)
    # Windows of two suites on one desktop take focus and activation from
    # each other, so the Windows suites run one at a time.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK desktop)
  endif()
endfunction()
