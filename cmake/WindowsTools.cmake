# The vendor's tools for the vendor's Windows machines: the same sources as
# the build machine's (cmake/AddLauncher.cmake), cross-built with this
# tree's toolchain as Windows console programs over the simulated Windows,
# statically linked (the toolchain links everything statically), so that
# each runs from its .exe alone. Built with the rest (`all`), into
# build/<preset>/launcher-tools-windows/, as its own tree configured with
# LAUNCHER_TOOLS_ONLY; one job, as the cross build keeps the other core.
#
#   LAUNCHER_CHECK_WINDOWS_PROGRAM   launcher-check.exe
#   LAUNCHER_PACK_WINDOWS_PROGRAM    launcher-pack.exe
include(ExternalProject)
set(LAUNCHER_TOOLS_WINDOWS_DIR "${CMAKE_BINARY_DIR}/launcher-tools-windows")
set(LAUNCHER_CHECK_WINDOWS_PROGRAM
  "${LAUNCHER_TOOLS_WINDOWS_DIR}/tools/launcher_check/launcher-check.exe")
set(LAUNCHER_PACK_WINDOWS_PROGRAM
  "${LAUNCHER_TOOLS_WINDOWS_DIR}/tools/launcher_pack/launcher-pack.exe")
ExternalProject_Add(launcher_tools_windows
  SOURCE_DIR "${PROJECT_SOURCE_DIR}"
  BINARY_DIR "${LAUNCHER_TOOLS_WINDOWS_DIR}"
  CMAKE_ARGS "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}"
             -DCMAKE_BUILD_TYPE=Release -DLAUNCHER_TOOLS_ONLY=ON
  BUILD_COMMAND ${CMAKE_COMMAND} --build "${LAUNCHER_TOOLS_WINDOWS_DIR}" -j 1
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS "${LAUNCHER_CHECK_WINDOWS_PROGRAM}" "${LAUNCHER_PACK_WINDOWS_PROGRAM}"
  INSTALL_COMMAND "")
