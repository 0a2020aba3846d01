# The Windows build: GoogleTest compiled from source with the same cross compiler, and every test
# executable run under Wine in a prefix of the build folder's own.
#
# Tests use the ordinary helpers: add_executable + gtest_discover_tests (or add_test). CMake runs
# them through CMAKE_CROSSCOMPILING_EMULATOR, which is the script made here; it creates the prefix
# on first use and sets WINEPREFIX, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES.
#
# A test that needs real windows (an X display) says so in its environment:
#     gtest_discover_tests(t PROPERTIES ENVIRONMENT PENWICK_WINE_DISPLAY=1 RUN_SERIAL TRUE)
# it then runs in a second prefix with the X11 driver, on an Xvfb server of its own, and one at
# a time: the Wine session of that prefix ends with each program.
# A test that needs something installed in the prefix first (a COM server registered with
# regsvr32, say) can call the script itself in a fixture:
#     add_test(NAME register_x COMMAND ${PENWICK_WINE} regsvr32 /s $<TARGET_FILE:x>)
#     set_tests_properties(register_x PROPERTIES FIXTURES_SETUP x)
# ${PENWICK_WINE} runs any Windows program, or one of Wine's own (regsvr32, reg), in the prefix.

set(PENWICK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build for Windows")
set(PENWICK_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the tests run in")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(PENWICK_WINE_ARCH win32)
else()
    set(PENWICK_WINE_ARCH win64)
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(PENWICK_WINE ${CMAKE_BINARY_DIR}/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PENWICK_WINE})
# Tests are listed when CTest runs, not after each link: building needs no Wine at all, and a
# machine that cannot run the program still builds it.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# A statically linked runtime: penwick.exe and the tests need no DLL beside them.
add_link_options(-static -static-libgcc -static-libstdc++)

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${PENWICK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(target gtest gtest_main)
    if(NOT TARGET GTest::${target})
        add_library(GTest::${target} ALIAS ${target})
    endif()
    # Warnings are for our code; GoogleTest's are not ours to mend.
    target_compile_options(${target} PRIVATE -w)
endforeach()
