# cmake -DMANIFEST=<file> -DTARGET=<launcher> -DSTAMP=<file> -P CheckLauncherManifest.cmake
#
# Refuses a launcher manifest that does not keep the launcher unelevated: a
# 32-bit program without requestedExecutionLevel whose name holds "setup",
# "install" or "update" is elevated by Windows' installer detection, and an
# elevated launcher writing into folders its user can change would hand that
# user the administrator's rights.
file(READ "${MANIFEST}" manifest)
string(REGEX MATCH "<([A-Za-z0-9_]+:)?requestedExecutionLevel[^>]*level=[\"']asInvoker[\"']"
       as_invoker "${manifest}")
if(NOT as_invoker)
  message(FATAL_ERROR
    "add_launcher(${TARGET}): the manifest ${MANIFEST} does not declare "
    "<requestedExecutionLevel level=\"asInvoker\"/>. Without it Windows may "
    "run the launcher elevated (for a name holding setup, install or update). "
    "Use launcher/launcher.manifest or add that element to yours.")
endif()
file(TOUCH "${STAMP}")
