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
# The program's relative relocations (some 26 000: vtables, tables of
# pointers) packed into a few kilobytes, so a start does not read a 650 KB
# table; a linker or C library without packed relocations links as before.
include(CheckLinkerFlag)
check_linker_flag(CXX "-Wl,-z,pack-relative-relocs" PRICETAGS_PACKED_RELOCATIONS)
if(PRICETAGS_PACKED_RELOCATIONS)
    target_link_options(pricetags_options INTERFACE -Wl,-z,pack-relative-relocs)
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

# Every CTest test stops after this many seconds: a hanging test fails on its
# own instead of running until the CI job's limit. The sanitizer build runs
# several times slower, hence the margin.
set(PRICETAGS_TEST_TIMEOUT 120 CACHE STRING "Seconds before CTest stops one test")

# pricetags_test_label(NAME): the label of a test program's tests, the
# program's layer ("forms" for forms_tests), so that `ctest -L gui` runs one
# layer.
function(pricetags_test_label NAME OUT)
    string(REGEX REPLACE "_tests$" "" LABEL ${NAME})
    set(${OUT} ${LABEL} PARENT_SCOPE)
endfunction()

# pricetags_tests(NAME DIR DEPS...): one GoogleTest executable of every
# *Test.cpp in DIR, each test registered with CTest with a timeout and the
# program's layer as its label.
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
    pricetags_test_label(${NAME} LABEL)
    gtest_discover_tests(${NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${LABEL}
                   TIMEOUT ${PRICETAGS_TEST_TIMEOUT})
endfunction()

# pricetags_fuzz(NAME SOURCE DEPS ... DATA dir...): a libFuzzer target. In the
# ordinary build it is linked to a replay driver, and CTest replays every
# file under the DATA folders (seeds and broken inputs) through it (label
# "fuzz"). In the fuzz build (PRICETAGS_FUZZ) it joins the pricetags_fuzz
# target, which builds every fuzz target and nothing else, and its seed
# folders are listed in build/fuzz/<NAME>.seeds for scripts/fuzz.sh.
function(pricetags_fuzz NAME SOURCE)
    cmake_parse_arguments(ARG "" "" "DEPS;DATA" ${ARGN})
    add_executable(${NAME} ${SOURCE})
    target_link_libraries(${NAME} PRIVATE pricetags_options ${ARG_DEPS})
    set(DIRS)
    foreach(D ${ARG_DATA})
        list(APPEND DIRS ${PROJECT_SOURCE_DIR}/${D})
    endforeach()
    if(PRICETAGS_FUZZ)
        target_compile_options(${NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
        if(NOT TARGET pricetags_fuzz)
            add_custom_target(pricetags_fuzz)
        endif()
        add_dependencies(pricetags_fuzz ${NAME})
        list(JOIN DIRS "\n" SEEDS)
        file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${NAME}.seeds "${SEEDS}\n")
    else()
        target_link_libraries(${NAME} PRIVATE fuzz_replay)
        add_test(NAME ${NAME}.replay COMMAND ${NAME} ${DIRS})
        set_tests_properties(${NAME}.replay PROPERTIES
            LABELS fuzz TIMEOUT ${PRICETAGS_TEST_TIMEOUT})
    endif()
endfunction()

# pricetags_bench(NAME DIR DEPS ...): one Google Benchmark program of every
# *Bench.cpp in DIR, with the peak-memory counters and cold runs of
# bench/support, its main (the program's heap settings) and
# PRICETAGS_BENCH_DATA, the bench/ folder of the sources.
function(pricetags_bench NAME DIR)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB SOURCES CONFIGURE_DEPENDS ${DIR}/*Bench.cpp)
    if(NOT SOURCES)
        return()
    endif()
    add_executable(${NAME} ${SOURCES} ${PROJECT_SOURCE_DIR}/bench/support/PeakMemory.cpp
        ${PROJECT_SOURCE_DIR}/bench/support/HeapCount.cpp
        ${PROJECT_SOURCE_DIR}/bench/support/ColdRun.cpp
        ${PROJECT_SOURCE_DIR}/bench/support/BenchMain.cpp)
    target_link_libraries(${NAME} PRIVATE pricetags_options ${ARG_DEPS} rtl
        benchmark::benchmark)
    target_compile_definitions(${NAME} PRIVATE
        PRICETAGS_BENCH_DATA="${PROJECT_SOURCE_DIR}/bench")
endfunction()
