# Cross-compiling for 32-bit Windows with MinGW-w64. This is the release
# build. Its programs are compiled and linked here but never run: the 64-bit
# build (mingw-w64-x86_64.cmake) is the one tested under Wine.
set(KERF_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# No CMAKE_CROSSCOMPILING_EMULATOR: this machine cannot run 32-bit code.
