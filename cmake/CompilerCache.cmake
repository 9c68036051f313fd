# Compiles through ccache where it is installed, with its cache beside the
# Windows programs' libraries (scripts/lib/libraries.sh root). Paths are
# hashed relative to the source folder, so a fresh clone of the same code on
# this machine finds every object its predecessor compiled: only what changed
# is compiled again. MELLIFON_COMPILER_CACHE=OFF compiles everything afresh.
option(MELLIFON_COMPILER_CACHE "Compile through ccache when it is installed" ON)
find_program(MELLIFON_CCACHE ccache)
if(NOT MELLIFON_COMPILER_CACHE OR NOT MELLIFON_CCACHE)
  return()
endif()
execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/libraries.sh" root
                OUTPUT_VARIABLE _cache_root OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _status)
if(NOT _status EQUAL 0)
  return()
endif()
# Five trees of some three hundred objects each, with room for a few versions.
set(_launcher ${CMAKE_COMMAND} -E env "CCACHE_DIR=${_cache_root}/ccache" "CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}"
    CCACHE_NOHASHDIR=1 CCACHE_MAXSIZE=4G ${MELLIFON_CCACHE})
set(CMAKE_C_COMPILER_LAUNCHER ${_launcher})
set(CMAKE_CXX_COMPILER_LAUNCHER ${_launcher})
