# GoogleTest: Debian's prebuilt library natively; for Windows there is no prebuilt one, so it is
# built from the sources that Debian's googletest package installs.
set(DBT_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(WIN32)
  if(NOT EXISTS ${DBT_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${DBT_GTEST_SOURCE_DIR}: install googletest "
                        "(scripts/install-deps.sh) or set DBT_GTEST_SOURCE_DIR")
  endif()
  # The win32 thread model's C++ library lacks the std::mutex that GoogleTest's Notification
  # wants; our own GoogleTest customisation header supplies that class without it. -iquote puts
  # it before the installed header, for GoogleTest and every test alike.
  add_compile_options(-iquote ${PROJECT_SOURCE_DIR}/tests/support/gtest_win32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${DBT_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(DBT_GTEST_LIBS gtest gmock)
else()
  find_package(GTest REQUIRED)
  set(DBT_GTEST_LIBS GTest::gtest GTest::gmock)
endif()

# One test executable per unit group. Natively every TEST is its own CTest test; under Wine the
# executable is one CTest test, since starting a Windows process per test case costs seconds.
#   dbt_gtest(NAME name SOURCES a.cpp ... LIBS lib ... [LABELS l ...])
function(dbt_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_main.cpp)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${DBT_GTEST_LIBS} dbt_test_support)
  dbt_warnings(${T_NAME})
  if(WIN32)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    # Wine takes the code pages and the encoding of file names from the locale: not the one the
    # test happens to inherit (with none, a folder named with an umlaut cannot even be made),
    # but ANSI 1252 and OEM 437 with UTF-8 names. A test that needs other code pages sets its own.
    set_tests_properties(${T_NAME} PROPERTIES LABELS "wine;${T_LABELS}" TIMEOUT 600
                         ENVIRONMENT "LC_ALL=C.UTF-8")
  else()
    include(GoogleTest)
    gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "native;${T_LABELS}"
                         TIMEOUT 600)
  endif()
endfunction()
