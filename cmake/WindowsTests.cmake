# The tests of a Windows build. x86_64 programs run under Wine, through the
# wrapper that CTest puts before each of them (CMAKE_CROSSCOMPILING_EMULATOR);
# an architecture without it (i686, whose Wine is not installed) builds and runs
# only the checks that read the DLLs' export tables.
set(TILVANE_WINDOWS_TESTS_RUN OFF)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    find_program(TILVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
    find_program(TILVANE_WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine)
endif()
if(TILVANE_WINE AND TILVANE_WINESERVER)
    set(TILVANE_WINDOWS_TESTS_RUN ON)
    set(TILVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
    set(TILVANE_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine/wine-run.in ${TILVANE_WINE_RUN}
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
                   @ONLY)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TILVANE_WINE_RUN})

    # The prefix is made before the first test and its wineserver stopped after
    # the last, so that none outlives the run.
    add_test(NAME wine_prefix COMMAND ${TILVANE_WINE_RUN} --boot)
    set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
    add_test(NAME wine_stop COMMAND ${TILVANE_WINE_RUN} --stop)
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

    # GoogleTest from Debian's sources, built for the target; its own warnings
    # are not this project's.
    add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest
                     EXCLUDE_FROM_ALL)
    target_compile_options(gtest PRIVATE -w)
    target_compile_options(gtest_main PRIVATE -w)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
endif()

# A test program run whole, as one test, under Wine.
function(add_windows_test TARGET)
    add_test(NAME ${TARGET} COMMAND ${TARGET} ${ARGN})
    set_tests_properties(${TARGET} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()

# Paths handed to the test programs: Wine's drive Z: is the Linux root.
set(TILVANE_TARGET_PATH_PREFIX "Z:")
