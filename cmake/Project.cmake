# Shared build settings for every target of the project.

add_library(pricetags_options INTERFACE)
target_compile_options(pricetags_options INTERFACE -Wall -Wextra)
target_include_directories(pricetags_options INTERFACE ${PROJECT_SOURCE_DIR})
if(PRICETAGS_FUZZ)
    # Every library is instrumented for coverage; only the fuzz targets link
    # libFuzzer's own main.
    target_compile_options(pricetags_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(pricetags_options INTERFACE -fsanitize=address,undefined)
endif()
if(PRICETAGS_SANITIZE)
    target_compile_options(pricetags_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(pricetags_options INTERFACE -fsanitize=address,undefined)
endif()

# pricetags_library(NAME DEPS ... PRIVATE_DEPS ...): a static library of every
# .cpp in the current folder.
function(pricetags_library NAME)
    cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
    file(GLOB SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT SOURCES)
        # A layer not written yet: an interface target keeps the graph whole.
        add_library(${NAME} INTERFACE)
        target_link_libraries(${NAME} INTERFACE pricetags_options ${ARG_DEPS})
        return()
    endif()
    add_library(${NAME} STATIC ${SOURCES})
    target_link_libraries(${NAME} PUBLIC pricetags_options ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# pricetags_tests(NAME DIR DEPS...): one GoogleTest executable of every
# *Test.cpp in DIR, each test registered with CTest.
# With OWN_MAIN the folder brings its own main() (the window tests start an
# application object first).
function(pricetags_tests NAME DIR)
    cmake_parse_arguments(ARG "OWN_MAIN" "" "DEPS" ${ARGN})
    file(GLOB SOURCES CONFIGURE_DEPENDS ${DIR}/*.cpp)
    if(NOT SOURCES)
        return()
    endif()
    add_executable(${NAME} ${SOURCES})
    target_link_libraries(${NAME} PRIVATE pricetags_options test_support ${ARG_DEPS}
        GTest::gtest GTest::gmock)
    if(NOT ARG_OWN_MAIN)
        target_link_libraries(${NAME} PRIVATE test_main)
    endif()
    target_compile_definitions(${NAME} PRIVATE
        PRICETAGS_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    gtest_discover_tests(${NAME} DISCOVERY_MODE PRE_TEST
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# pricetags_fuzz(NAME SOURCE DEPS ... DATA dir...): a libFuzzer target. In the
# ordinary build it is linked to a replay driver, and CTest replays every
# file under the DATA folders (seeds and broken inputs) through it.
function(pricetags_fuzz NAME SOURCE)
    cmake_parse_arguments(ARG "" "" "DEPS;DATA" ${ARGN})
    add_executable(${NAME} ${SOURCE})
    target_link_libraries(${NAME} PRIVATE pricetags_options ${ARG_DEPS})
    if(PRICETAGS_FUZZ)
        target_compile_options(${NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
    else()
        target_link_libraries(${NAME} PRIVATE fuzz_replay)
        set(DIRS)
        foreach(D ${ARG_DATA})
            list(APPEND DIRS ${PROJECT_SOURCE_DIR}/${D})
        endforeach()
        add_test(NAME ${NAME}.replay COMMAND ${NAME} ${DIRS})
    endif()
endfunction()

# pricetags_bench(NAME DIR DEPS ...): one Google Benchmark program of every
# *Bench.cpp in DIR.
function(pricetags_bench NAME DIR)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB SOURCES CONFIGURE_DEPENDS ${DIR}/*Bench.cpp)
    if(NOT SOURCES)
        return()
    endif()
    add_executable(${NAME} ${SOURCES})
    target_link_libraries(${NAME} PRIVATE pricetags_options ${ARG_DEPS}
        benchmark::benchmark benchmark::benchmark_main)
endfunction()
