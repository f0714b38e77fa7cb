# The same sources as a 64-bit Windows executable. Used for the Wine tests on
# machines whose kernel cannot run 32-bit code (ia32 emulation disabled).
set(LAUNCHER_MINGW_TRIPLE x86_64-w64-mingw32)
set(LAUNCHER_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
