# Boost's header-only libraries (Boost.Geometry), from Debian's libboost-dev,
# as the interface target kerf_boost_headers. Natively they are in the
# compiler's own include path. A MinGW cross-compiler must not see
# /usr/include as a whole (the build machine's C library would stand in for
# its own), so it gets a folder of the build tree that holds nothing but a
# link to Boost's headers.
if(TARGET kerf_boost_headers)
  return()
endif()
find_path(KERF_BOOST_INCLUDE boost/geometry.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT KERF_BOOST_INCLUDE)
  message(FATAL_ERROR "boost/geometry.hpp not found: install libboost-dev (scripts/setup)")
endif()
add_library(kerf_boost_headers INTERFACE)
if(CMAKE_CROSSCOMPILING)
  set(kerf_boost_only ${CMAKE_BINARY_DIR}/boost-include)
  file(MAKE_DIRECTORY ${kerf_boost_only})
  file(CREATE_LINK ${KERF_BOOST_INCLUDE}/boost ${kerf_boost_only}/boost SYMBOLIC)
  target_include_directories(kerf_boost_headers SYSTEM INTERFACE ${kerf_boost_only})
endif()
# Boost 1.74's buffer still includes a header it has since deprecated.
target_compile_definitions(kerf_boost_headers INTERFACE BOOST_ALLOW_DEPRECATED_HEADERS)
