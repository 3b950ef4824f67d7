# Third-party code comes from Debian only.
#  - Linux: the -dev packages (libpugixml-dev, libgtest-dev, libstb-dev).
#  - Windows (MinGW): pugixml and GoogleTest are compiled here from Debian's
#    source packages; scripts/fetch-win-sources unpacks pugixml into the
#    ignored third_party/ folder, GoogleTest comes from /usr/src/googletest.

set(KB_STB_INCLUDE_DIR /usr/include/stb CACHE PATH "stb headers (libstb-dev)")

if(NOT WIN32)
  find_package(pugixml REQUIRED)
  if(NOT TARGET pugixml::pugixml)
    add_library(pugixml::pugixml ALIAS pugixml)
  endif()
  if(KB_BUILD_TESTS)
    find_package(GTest REQUIRED)
  endif()
  find_package(Threads REQUIRED)
else()
  set(KB_THIRD_PARTY_DIR "${CMAKE_SOURCE_DIR}/third_party")
  set(KB_PUGIXML_SRC "${KB_THIRD_PARTY_DIR}/pugixml")
  if(NOT EXISTS "${KB_PUGIXML_SRC}/src/pugixml.cpp")
    message(STATUS "Fetching Debian's pugixml source package")
    execute_process(
      COMMAND "${CMAKE_SOURCE_DIR}/scripts/fetch-win-sources" "${KB_THIRD_PARTY_DIR}"
      RESULT_VARIABLE fetchResult)
    if(NOT fetchResult EQUAL 0 OR NOT EXISTS "${KB_PUGIXML_SRC}/src/pugixml.cpp")
      message(FATAL_ERROR "Could not fetch pugixml's Debian source package (scripts/fetch-win-sources)")
    endif()
  endif()
  add_library(pugixml_static STATIC "${KB_PUGIXML_SRC}/src/pugixml.cpp")
  target_include_directories(pugixml_static SYSTEM PUBLIC "${KB_PUGIXML_SRC}/src")
  target_compile_options(pugixml_static PRIVATE -w)
  add_library(pugixml::pugixml ALIAS pugixml_static)

  if(KB_BUILD_TESTS)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    # GoogleTest 1.12 defines the GTest:: aliases itself; older ones do not.
    foreach(t gtest gtest_main gmock)
      if(NOT TARGET GTest::${t})
        add_library(GTest::${t} ALIAS ${t})
      endif()
    endforeach()
  endif()
endif()
