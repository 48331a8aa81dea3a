# 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(J6_MINGW_TRIPLET x86_64-w64-mingw32)
set(J6_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
