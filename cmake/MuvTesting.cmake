# muv_add_test(<name> SOURCES <files...> LIBS <libraries...>)
# Builds one GoogleTest executable and registers each of its tests with CTest.
function(muv_add_test name)
    if(NOT MUV_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} muv_test_support GTest::gtest GTest::gtest_main)
    # Widget tests run without a display.
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
