# Shared by the Windows toolchain files, which set J6_MINGW_TRIPLET and
# J6_WINE_LOADER first. Everything is linked statically, so that the
# executables import nothing but system DLLs and run as they are under Wine
# or on a desktop.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${J6_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${J6_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${J6_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${J6_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${J6_WINE_LOADER})
