# What the sanitizers read in a sanitized build (MUV_SANITIZE): the leaks that are the system libraries'
# own are suppressed in lsan.supp, and a report says where it comes from.
set(MUV_SANITIZER_ENVIRONMENT "")
if(MUV_SANITIZE)
    set(MUV_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
        "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1")
endif()

# muv_add_test(<name> SOURCES <files...> LIBS <libraries...> [PROPERTIES <name> <value>...])
# Builds one GoogleTest executable and registers each of its tests with CTest, with the test
# properties given (single values). Widget tests run without a display.
function(muv_add_test name)
    if(NOT MUV_BUILD_TESTS)
        return()
    endif()
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} muv_test_support GTest::gtest GTest::gtest_main)
    # Each test process has its own empty configuration and data folders.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/test_support/fresh_config_home.cpp)
    target_compile_definitions(${name} PRIVATE MUV_OFFLINE_SERVERS="${PROJECT_SOURCE_DIR}/test_support/offline_servers.ini")
    if(MUV_SANITIZE)
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/keep_libraries_loaded.cpp)
        target_link_options(${name} PRIVATE LINKER:--export-dynamic-symbol=dlclose)
    endif()
    set(properties "")
    if(ARG_PROPERTIES)
        set(properties PROPERTIES ${ARG_PROPERTIES})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS ${properties})
    # gtest_discover_tests hands a property on as a single value, so the environment (a list of
    # variables) is given to the discovered tests by a script that CTest reads after the discovery's.
    set(environment "QT_QPA_PLATFORM=offscreen" ${MUV_SANITIZER_ENVIRONMENT})
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
    file(WRITE "${script}"
         "if(${name}_TESTS)\n"
         "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${environment}]==])\n"
         "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
endfunction()

# muv_sanitizer_environment(<tests...>)
# Gives tests registered with add_test the sanitizers' settings (nothing in an ordinary build).
function(muv_sanitizer_environment)
    if(MUV_SANITIZER_ENVIRONMENT)
        set_tests_properties(${ARGN} PROPERTIES ENVIRONMENT "${MUV_SANITIZER_ENVIRONMENT}")
    endif()
endfunction()
