set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LAUNCHER_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${LAUNCHER_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${LAUNCHER_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LAUNCHER_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything static: the executable must need no DLL beyond Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Cross-built test programs run under Wine by themselves, through the Wine
# loader of their own word size (not Debian's "wine" wrapper, which always
# tries the 32-bit loader first).
set(CMAKE_CROSSCOMPILING_EMULATOR ${LAUNCHER_WINE_LOADER})
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
