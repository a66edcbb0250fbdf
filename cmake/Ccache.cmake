# Use ccache when present. Precompiled headers need the sloppiness settings below,
# passed through the environment so that no user configuration is required. Paths are made
# relative to the source tree and the working folder is left out of the hash, so a fresh clone
# anywhere reuses the cache.
find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(_marvo_launcher ${CMAKE_COMMAND} -E env
      CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
      CCACHE_BASEDIR=${CMAKE_SOURCE_DIR}
      CCACHE_NOHASHDIR=true
      ${CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${_marvo_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${_marvo_launcher})
endif()
