# Compiles through ccache where it is installed, so a clone in another folder, or the same
# folder after `make clean`, reuses what was compiled before. Paths under the tree are made
# relative (CCACHE_BASEDIR) and the working folder is left out of the hash, so two clones
# compile the same text. The cache is ccache's own, in the user's cache folder.
# KIV_CCACHE=OFF compiles without it.
option(KIV_CCACHE "Compile through ccache when it is installed" ON)
find_program(KIV_CCACHE_PROGRAM ccache)
if(KIV_CCACHE AND KIV_CCACHE_PROGRAM)
  get_filename_component(kiv_tree ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  set(kiv_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${kiv_tree} CCACHE_NOHASHDIR=1
                   ${KIV_CCACHE_PROGRAM})
  set(CMAKE_C_COMPILER_LAUNCHER ${kiv_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${kiv_launcher})
endif()
