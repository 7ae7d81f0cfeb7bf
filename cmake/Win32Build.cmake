# The cross build for Windows (mingw-w64), included by the top-level CMakeLists in place of the
# host build: the programs with their libraries and unit tests, the native backend and its
# tests. The emulator, its drawing and image libraries, benchmarks, fuzz targets and tools are
# host-only and left out. Tests run under Wine, one Xvfb display and one Wine prefix per CTest
# run (the fixture "wine"), one test at a time.
enable_language(RC)
# x86-64 only: the backend relies on the 64-bit layouts of the OS's records.
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "the Windows build is x86-64 only")
endif()

include(cmake/ProgramResources.cmake)
enable_testing()

# GoogleTest for Windows from Debian's source package.
set(VANTOR_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources (Debian: googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory("${VANTOR_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
# (Its CMakeLists names the GTest:: targets itself.)
foreach(lib gtest gtest_main)
  target_compile_options(${lib} PRIVATE -Wno-error)
endforeach()

# Wine: a fresh prefix in the build directory and a private Xvfb display for the run; every test
# goes through platform/win32/tests/wine-run.sh, which points Wine at both.
set(VANTOR_WINE_DIR "${CMAKE_BINARY_DIR}/wine")
set(VANTOR_WINE_RUN "${PROJECT_SOURCE_DIR}/platform/win32/tests/wine-run.sh")
set(CMAKE_CROSSCOMPILING_EMULATOR "${VANTOR_WINE_RUN};${VANTOR_WINE_DIR}")
add_test(NAME wine_setup
         COMMAND "${PROJECT_SOURCE_DIR}/platform/win32/tests/wine-session.sh" start
                 "${VANTOR_WINE_DIR}")
add_test(NAME wine_cleanup
         COMMAND "${PROJECT_SOURCE_DIR}/platform/win32/tests/wine-session.sh" stop
                 "${VANTOR_WINE_DIR}")
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wine)
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wine)

# One CTest test per test executable: a Wine start per test case would cost more than the
# tests themselves. Replaces GoogleTest's discovery for the directories below.
function(gtest_discover_tests target)
  add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine)
endfunction()

add_subdirectory(harness)
foreach(dir platform/classlib vantor vantor1 platform/win32)
  if(EXISTS "${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endforeach()
