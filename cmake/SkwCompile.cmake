# Warnings as errors and the optional sanitizers, applied to every target of ours.
add_compile_options(-Wall -Wextra -Werror)

# ccache, when present, makes rebuilds and the several presets of one checkout cheap. Paths under
# the source folder are hashed relative to it and the build folder is left out of the hash, so a
# fresh clone in another folder (as CI makes) reuses what an earlier clone compiled.
find_program(SKW_CCACHE ccache)
if(SKW_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(CMAKE_CXX_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true
      ${SKW_CCACHE})
endif()

if(SKW_SANITIZE)
  if(SKW_SANITIZE STREQUAL "thread")
    set(_skw_san_flags -fsanitize=thread)
    # asio's fenced blocks use atomic_thread_fence, which GCC warns about under TSan.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      add_compile_options(-Wno-tsan)
    endif()
  else()
    set(_skw_san_flags -fsanitize=${SKW_SANITIZE} -fno-sanitize-recover=all)
  endif()
  add_compile_options(${_skw_san_flags} -fno-omit-frame-pointer -g)
  add_link_options(${_skw_san_flags})
endif()
