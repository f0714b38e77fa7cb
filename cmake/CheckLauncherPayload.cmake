# cmake -DCHECKER=<launcher-check> -DLAUNCHER=<exe> -DTARGET=<launcher>
#       -DFORMAT=<PE32|PE32+> [-DCODE_PAGE=<n>] -P CheckLauncherPayload.cmake
#
# Runs launcher-check on a launcher just linked. A payload that breaks the
# contract fails the build with the checker's report, and the executable is
# removed, so that no broken launcher is left to ship and the next build
# checks it again. Warnings are shown and do not fail.
set(arguments --format "${FORMAT}")
if(CODE_PAGE)
  list(APPEND arguments --code-page "${CODE_PAGE}")
endif()
execute_process(COMMAND "${CHECKER}" ${arguments} "${LAUNCHER}"
  OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE result)
if(NOT result STREQUAL "0")
  file(REMOVE "${LAUNCHER}")
  message("${report}")
  message(FATAL_ERROR "add_launcher(${TARGET}): launcher-check found a payload "
    "that breaks what the launcher or its runtime module relies on (the lines "
    "marked error above); ${LAUNCHER} was removed.")
endif()
string(REGEX MATCHALL "[^\n]*  warning  [^\n]*" warnings "${report}")
foreach(warning IN LISTS warnings)
  message("add_launcher(${TARGET}): ${warning}")
endforeach()
