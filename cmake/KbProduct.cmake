# The product's identity: one version number (project(VERSION)), the build
# date and the third-party notices, for the About box, the executable's
# VERSIONINFO and the package names (scripts/package reads KB_VERSION from
# the build's cache).
#
# The build date is the date of the last commit (or SOURCE_DATE_EPOCH when
# set), not the clock's: the same sources give the same executable, which
# keeps the packages reproducible.
set(KB_VERSION "${PROJECT_VERSION}" CACHE INTERNAL "product version")
set(KB_VERSION_COMMA "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")

if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  find_program(KB_GIT git)
  if(KB_GIT AND EXISTS "${CMAKE_SOURCE_DIR}/.git")
    execute_process(COMMAND "${KB_GIT}" -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE kbCommitTime OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                    RESULT_VARIABLE kbGitResult)
    if(kbGitResult EQUAL 0 AND kbCommitTime MATCHES "^[0-9]+$")
      set(ENV{SOURCE_DATE_EPOCH} "${kbCommitTime}")
    endif()
  endif()
endif()
# string(TIMESTAMP) takes SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP KB_BUILD_DATE "%Y-%m-%d" UTC)
set(KB_BUILD_DATE "${KB_BUILD_DATE}" CACHE INTERNAL "build date")

# The program's own licence (LICENSE.txt; shipped as LICENSES/kbconfig.txt).
set(KB_LICENCE "MIT")

# Third-party code in the executable of this target, and what its package
# ships of others' work, "name|licence" each. The keyboard pictures are drawn
# at build time with DejaVu Sans, so their key legends are that font's glyphs.
set(KB_NOTICES
  "pugixml|MIT"
  "stb_image, stb_image_write|MIT or public domain"
  "DejaVu Sans (key legends in the keyboard pictures)|Bitstream Vera licence, DejaVu changes in the public domain")
if(WIN32)
  list(APPEND KB_NOTICES
    "GCC runtime (libstdc++, libgcc)|GPL-3.0 with the GCC Runtime Library Exception"
    "MinGW-w64 runtime and winpthreads|ZPL-2.1, MIT and public domain")
else()
  list(APPEND KB_NOTICES
    "Xlib, Xext|MIT/X11"
    "Fontconfig|MIT-style (fontconfig licence)")
endif()
