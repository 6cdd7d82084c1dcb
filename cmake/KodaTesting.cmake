# koda_add_test(<name> LABEL <unit|serial|e2e|bench> SOURCES <files...> LIBS <targets...>
#               [TIMEOUT <s>] [WRAPPER <script>])
# Builds one Qt Test executable and registers it with CTest under its label; a wrapper
# script, when given, runs it (e.g. on an X server with a window manager).
function(koda_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT;WRAPPER" "SOURCES;LIBS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    if(T_WRAPPER)
        add_test(NAME ${name} COMMAND ${T_WRAPPER} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set_tests_properties(${name} PROPERTIES
        LABELS "${T_LABEL}"
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KODA_TEST_OUTPUT=${CMAKE_BINARY_DIR}/test-output;KODA_SOURCE_DIR=${CMAKE_SOURCE_DIR};KODA_SIM=$<TARGET_FILE:koda-sim>")
endfunction()

# koda_add_fuzzer(<name> SOURCES <files...> LIBS <targets...> CORPUS <dir>)
# The sources define LLVMFuzzerTestOneInput and must include the code under test (not
# only link it). Every build runs the committed seed corpus through it as a unit test;
# with KODA_FUZZ=ON (clang) it is also built as a libFuzzer binary named <name>-fuzzer.
function(koda_add_fuzzer name)
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name}-seeds ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/seedrunner.cpp)
    target_include_directories(${name}-seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name}-seeds PRIVATE ${F_LIBS})
    add_test(NAME ${name}-seeds COMMAND ${name}-seeds ${F_CORPUS})
    set_tests_properties(${name}-seeds PROPERTIES LABELS "unit" TIMEOUT 300)
    if(KODA_SANITIZE MATCHES "undefined")
        # An undefined-behaviour report in a seed fails the replay, whoever runs CTest.
        set_tests_properties(${name}-seeds PROPERTIES
            ENVIRONMENT "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
    endif()
    if(KODA_FUZZ)
        # The sources are compiled into the target, so the code under test carries the
        # coverage instrumentation; a library linked in would be invisible to libFuzzer.
        add_executable(${name}-fuzzer ${F_SOURCES})
        target_include_directories(${name}-fuzzer PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        target_compile_options(${name}-fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${name}-fuzzer PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_libraries(${name}-fuzzer PRIVATE ${F_LIBS})
    endif()
endfunction()
