# Cross-compiles for 32-bit Windows (x86) with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_triple i686-w64-mingw32)
set(_tarrow_arch x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
