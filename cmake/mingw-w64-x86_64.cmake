# Cross-compiling for 64-bit Windows with MinGW-w64 (posix threading model).
# This build runs its tests under Wine, so it is the one we test the Windows
# code with; the shipped release is the 32-bit build (mingw-w64-i686.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KERF_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${KERF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KERF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${KERF_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KERF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the C and C++ runtimes and winpthread statically: the program must
# start from a folder that holds nothing but kerfline.exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest (and gtest_discover_tests) start every test program through Wine.
# The path comes from this file's own location so that any build folder works.
get_filename_component(KERF_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${KERF_WINE_RUN}")
