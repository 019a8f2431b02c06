# Cross-compiling for 32-bit Windows with MinGW-w64 (posix threading model).
# This is the release build. Its programs are compiled and linked here but
# never run: the 64-bit build (mingw-w64-x86_64.cmake) is the one tested
# under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KERF_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${KERF_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KERF_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${KERF_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KERF_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtimes: the release is a single kerfline.exe with no DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# No CMAKE_CROSSCOMPILING_EMULATOR: this machine cannot run 32-bit code.
