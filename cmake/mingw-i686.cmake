# 32-bit Windows: the main Windows artifact, since only a 32-bit process can
# load a 32-bit MAPI32.DLL and the host's 32-bit transfer library.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(J6_MINGW_TRIPLET i686-w64-mingw32)
set(J6_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
