# skw_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>])
#
# Builds one GoogleTest executable and registers its tests with CTest. GUI tests get a main()
# that creates the QApplication (tests/support/QtTestMain.cpp) and run on the
# offscreen platform, so no display is needed; every test gets its own scratch HOME and runtime
# folder, so settings and published virtual ports never touch the user's own.
include(GoogleTest)

function(skw_add_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT SKW_BUILD_TESTS)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock)
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE skw_qt_test_main Qt6::Test)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()

  if(CMAKE_CROSSCOMPILING)
    # One run of the whole program under the emulator (wine): starting it once per test
    # would cost seconds each.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    return()
  endif()
  set(scratch ${CMAKE_BINARY_DIR}/test-scratch/${name})
  file(MAKE_DIRECTORY ${scratch}/home ${scratch}/runtime)
  set(env
      "HOME=${scratch}/home"
      "XDG_CONFIG_HOME=${scratch}/home/.config"
      "XDG_RUNTIME_DIR=${scratch}/runtime"
      "LANGUAGE=en"
      "QT_QPA_PLATFORM=offscreen")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
