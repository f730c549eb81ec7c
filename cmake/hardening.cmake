# Hardening: the fuzz targets, and the tests of failing storage, a hostile
# console, interruption and bad input.
#
# Every POSIX build turns each fuzz target into a plain test that replays its
# committed corpus; the fuzz preset (clang) builds them as libFuzzer programs.

# The sanitize test preset sends every sanitizer report here (the sanitizers do
# not create the directory themselves).
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/sanitizer-reports)
endif()

option(HEADTRIM_FUZZ "Build the fuzz targets as libFuzzer programs (clang)" OFF)
set(HEADTRIM_FUZZ_TARGETS command_tail fields wildcard codec format_number)

if(NOT WIN32 AND (HEADTRIM_FUZZ OR BUILD_TESTING))
    enable_testing()
    foreach(target IN LISTS HEADTRIM_FUZZ_TARGETS)
        set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
        if(HEADTRIM_FUZZ)
            add_executable(fuzz_${target} fuzz/${target}_fuzz.cpp)
            target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
            # -runs=0: execute every corpus input once, then stop.
            add_test(NAME fuzz_corpus.${target} COMMAND fuzz_${target} -runs=0 ${corpus})
        else()
            add_executable(fuzz_${target} fuzz/${target}_fuzz.cpp fuzz/replay_main.cpp)
            add_test(NAME fuzz_corpus.${target} COMMAND fuzz_${target} ${corpus})
        endif()
        target_link_libraries(fuzz_${target} PRIVATE headtrim_core)
    endforeach()
endif()

if(BUILD_TESTING)
    if(NOT CMAKE_CROSSCOMPILING)
        find_package(GTest REQUIRED)
    endif()
    include(GoogleTest)

    # A program of its own: it replaces the global operator new.
    add_executable(alloc_failure_tests tests/hardening/alloc_failure_test.cpp
                                       tests/hardening/failing_new.cpp)
    if(NOT WIN32)
        target_sources(alloc_failure_tests PRIVATE tests/hardening/alloc_failure_posix_test.cpp)
    endif()
    target_include_directories(alloc_failure_tests PRIVATE tests)
    target_link_libraries(alloc_failure_tests PRIVATE headtrim_core test_support GTest::gtest_main)
    gtest_discover_tests(alloc_failure_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 600)

    # Runs of the built program under hostile conditions and with bad input.
    add_executable(hardening_tests tests/hardening/bad_input_test.cpp)
    if(WIN32)
        target_sources(hardening_tests PRIVATE tests/hardening/bad_input_windows_test.cpp)
    else()
        target_sources(hardening_tests PRIVATE tests/hardening/spawn_posix.cpp
                                               tests/hardening/hostile_console_posix_test.cpp
                                               tests/hardening/bad_input_posix_test.cpp)
        target_compile_definitions(hardening_tests PRIVATE HEADTRIM_PATH="$<TARGET_FILE:headtrim>")
    endif()
    target_include_directories(hardening_tests PRIVATE tests)
    target_link_libraries(hardening_tests PRIVATE headtrim_core test_support GTest::gtest_main)
    add_dependencies(hardening_tests headtrim)
    gtest_discover_tests(hardening_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 600)
endif()
