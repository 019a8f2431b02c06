# Cross-compiling for 64-bit Windows with MinGW-w64. This build runs its
# tests under Wine, so it is the one we test the Windows code with; the
# shipped release is the 32-bit build (mingw-w64-i686.cmake).
set(KERF_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# CTest (and gtest_discover_tests) start every test program through Wine.
# The path comes from this file's own location so that any build folder works.
get_filename_component(KERF_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${KERF_WINE_RUN}")
