# Provides GTest::gtest and GTest::gtest_main for every build.
#
# Natively we use Debian's libgtest-dev. When cross-compiling for Windows
# there is no prebuilt library for the target, so googletest is built from
# the sources Debian ships in the googletest package.

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
  return()
endif()

set(KERF_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "googletest sources used when cross-compiling")
if(NOT EXISTS "${KERF_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR
    "googletest sources not found in ${KERF_GOOGLETEST_SOURCE_DIR}; "
    "install the googletest package (make setup)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
# MinGW builds of googletest use Windows' own threading primitives; asking
# for pthreads only drags winpthread in for nothing.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF)

# googletest brings its own warning flags; our stricter project-wide ones
# (-Wconversion, -Wshadow, -Wpedantic ...) would only bury real warnings in
# noise from code we do not own. The subdirectory inherits this directory's
# compile options when it is added, so drop the warning flags just for it.
get_directory_property(_kerf_saved_compile_options COMPILE_OPTIONS)
set(_kerf_gtest_compile_options ${_kerf_saved_compile_options})
list(FILTER _kerf_gtest_compile_options EXCLUDE REGEX "^-W")
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_kerf_gtest_compile_options}")

# SYSTEM: our tests include the gtest headers as system headers, so our own
# warning flags do not apply to them either.
add_subdirectory("${KERF_GOOGLETEST_SOURCE_DIR}"
                 "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL SYSTEM)

set_directory_properties(PROPERTIES COMPILE_OPTIONS "${_kerf_saved_compile_options}")
unset(_kerf_saved_compile_options)
unset(_kerf_gtest_compile_options)

if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
endif()
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
