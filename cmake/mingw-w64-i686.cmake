# Cross build for 32-bit Windows (PCs with a built-in LPT port often run it).
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
