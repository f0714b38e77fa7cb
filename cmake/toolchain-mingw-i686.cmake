# The shipped build: a 32-bit Windows executable made with mingw-w64.
set(LAUNCHER_MINGW_TRIPLE i686-w64-mingw32)
set(LAUNCHER_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
