# Cross-compiles for 64-bit Windows (x64) with mingw-w64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(_triple x86_64-w64-mingw32)
set(_tarrow_arch x64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
