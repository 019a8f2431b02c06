# What both MinGW-w64 toolchain files share. They set KERF_MINGW_TRIPLET and
# CMAKE_SYSTEM_PROCESSOR, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

# The posix threading model: the win32 one has no std::mutex, which
# GoogleTest needs.
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
# The release carries no symbols or debug sections (some come with the
# static C++ runtime); they would double the size of what users copy.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
