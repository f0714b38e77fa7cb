# add_launcher(<target> OUTPUT_NAME <name> PAYLOAD_DIR <dir> [<ROLE> <file>]...
#              [SIGN_CERT <pem> SIGN_KEY <pem> [TIMESTAMP_URL <url>]])
#
# Builds a launcher executable that carries a payload as its resources, all
# under language 1033 with the ids and type names the launcher reads. Each
# role takes its file from PAYLOAD_DIR under the role's default name unless
# the role is given a file of its own:
#
#   RUNTIME      102 "RUNTIME"      runtime.zip
#   LDR          103 "LDR"          ldr.bin
#   SPLASH       104 "SPLASH"       splash.zip
#   XLS          105 "XLS"          workbook.xls
#   EXT          106 "EXT"          ext.bin
#   SPLASH_DATA  107 "SPLASH_DATA"  splash_data.bin
#   UPDATER      111 "UPDATER"      updater.bin
#   UPDATE_DATA  113 "UPDATE_DATA"  update_data.bin
#   CHM          115 "CHM"          chm.bin
#   XLAM         119 "XLAM"         loader.xlam
#   XLA          121 "XLA"          loader.xla
#   ICON         101 icon group     launcher.ico
#   BITMAP       109 bitmap         update.bmp (shown in dialog 108)
#   MANIFEST     1   manifest       launcher/launcher.manifest of this project
#
# A role given the value NONE is left out of the executable, but for the
# manifest: the build refuses a launcher whose manifest does not declare
# requestedExecutionLevel asInvoker (cmake/CheckLauncherManifest.cmake).
#
# Every launcher is checked by launcher-check once it is linked
# (cmake/CheckLauncherPayload.cmake): a payload that breaks what the
# launcher or its runtime module relies on fails the build and the
# executable is removed. CODE_PAGE <n> reads the help-file name in that ANSI
# code page (default 1252), for a vendor whose users run it: the help-file
# name the authoring tool wrote in it. ANSI_CODE_PAGE SYSTEM leaves out of
# the default manifest the element that makes the launcher's process code
# page UTF-8 (ANSI_CODE_PAGE UTF-8, the default), for a vendor whose runtime
# module, which runs in the launcher's process, cannot take UTF-8 text from
# the "A" functions. The tests of how
# a launcher meets a broken payload build theirs with ALLOW_BROKEN_PAYLOAD.
#
# With SIGN_CERT and SIGN_KEY (PEM files: the code-signing certificate, or
# it followed by its chain, and its private key) the executable is signed
# with an Authenticode signature over its SHA-256 digest, kept in the image's
# certificate table, and counter-signed by the RFC 3161 time-stamp authority
# at TIMESTAMP_URL when one is given (cmake/SignLauncher.cmake). Signing
# follows the check, so a broken payload is never signed.
include("${CMAKE_CURRENT_LIST_DIR}/SignLauncher.cmake")

set(LAUNCHER_RESOURCE_ROLES RUNTIME LDR SPLASH XLS EXT SPLASH_DATA UPDATER
    UPDATE_DATA CHM XLAM XLA ICON BITMAP MANIFEST)
set(LAUNCHER_DEFAULT_RUNTIME runtime.zip)
set(LAUNCHER_DEFAULT_LDR ldr.bin)
set(LAUNCHER_DEFAULT_SPLASH splash.zip)
set(LAUNCHER_DEFAULT_XLS workbook.xls)
set(LAUNCHER_DEFAULT_EXT ext.bin)
set(LAUNCHER_DEFAULT_SPLASH_DATA splash_data.bin)
set(LAUNCHER_DEFAULT_UPDATER updater.bin)
set(LAUNCHER_DEFAULT_UPDATE_DATA update_data.bin)
set(LAUNCHER_DEFAULT_CHM chm.bin)
set(LAUNCHER_DEFAULT_XLAM loader.xlam)
set(LAUNCHER_DEFAULT_XLA loader.xla)
set(LAUNCHER_DEFAULT_ICON launcher.ico)
set(LAUNCHER_DEFAULT_BITMAP update.bmp)
# Not taken from the payload: every launcher runs unelevated unless its
# vendor hands in a manifest of its own that keeps it so.
set(LAUNCHER_DEFAULT_MANIFEST "${CMAKE_CURRENT_LIST_DIR}/../launcher/launcher.manifest")
# The same manifest without its activeCodePage element: the process then
# keeps the system's ANSI code page.
file(READ "${LAUNCHER_DEFAULT_MANIFEST}" launcher_manifest_text)
string(REGEX REPLACE "  <!-- The process's ANSI code page is UTF-8.*</application>\n" ""
  launcher_manifest_text "${launcher_manifest_text}")
set(LAUNCHER_SYSTEM_CODE_PAGE_MANIFEST "${CMAKE_BINARY_DIR}/launcher-system-code-page.manifest")
file(CONFIGURE OUTPUT "${LAUNCHER_SYSTEM_CODE_PAGE_MANIFEST}" CONTENT "${launcher_manifest_text}" @ONLY)

set(LAUNCHER_RESOURCE_LINE_RUNTIME "102 RUNTIME")
set(LAUNCHER_RESOURCE_LINE_LDR "103 LDR")
set(LAUNCHER_RESOURCE_LINE_SPLASH "104 SPLASH")
set(LAUNCHER_RESOURCE_LINE_XLS "105 XLS")
set(LAUNCHER_RESOURCE_LINE_EXT "106 EXT")
set(LAUNCHER_RESOURCE_LINE_SPLASH_DATA "107 SPLASH_DATA")
set(LAUNCHER_RESOURCE_LINE_UPDATER "111 UPDATER")
set(LAUNCHER_RESOURCE_LINE_UPDATE_DATA "113 UPDATE_DATA")
set(LAUNCHER_RESOURCE_LINE_CHM "115 CHM")
set(LAUNCHER_RESOURCE_LINE_XLAM "119 XLAM")
set(LAUNCHER_RESOURCE_LINE_XLA "121 XLA")
set(LAUNCHER_RESOURCE_LINE_ICON "101 ICON")
set(LAUNCHER_RESOURCE_LINE_BITMAP "109 BITMAP")
set(LAUNCHER_RESOURCE_LINE_MANIFEST "1 24")

# launcher-check runs on the build machine, so a cross build makes its own
# host build of it from these sources, as the host preset builds them: always
# current, and no other build tree has to come first. One job, so that it and
# the cross build together keep to the jobs asked for. A tree may be handed
# a launcher-check built already (LAUNCHER_CHECK), as the reproducibility
# test hands its two builds the one of the tree it runs in.
set(LAUNCHER_CHECK "" CACHE FILEPATH
  "A launcher-check already built for this machine; empty: built in this tree")
if(LAUNCHER_CHECK)
  set(LAUNCHER_CHECK_PROGRAM "${LAUNCHER_CHECK}")
  add_custom_target(launcher_check_host)
else()
  include(ExternalProject)
  set(LAUNCHER_CHECK_HOST_DIR "${CMAKE_BINARY_DIR}/launcher-check-host")
  set(LAUNCHER_CHECK_PROGRAM "${LAUNCHER_CHECK_HOST_DIR}/tools/launcher_check/launcher-check")
  ExternalProject_Add(launcher_check_host
    SOURCE_DIR "${PROJECT_SOURCE_DIR}"
    BINARY_DIR "${LAUNCHER_CHECK_HOST_DIR}"
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAUNCHER_TOOLS_ONLY=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build "${LAUNCHER_CHECK_HOST_DIR}" --target launcher-check -j 1
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS "${LAUNCHER_CHECK_PROGRAM}"
    INSTALL_COMMAND "")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LAUNCHER_IMAGE_FORMAT PE32)
else()
  set(LAUNCHER_IMAGE_FORMAT PE32+)
endif()

function(add_launcher target)
  cmake_parse_arguments(PARSE_ARGV 1 L "ALLOW_BROKEN_PAYLOAD"
    "OUTPUT_NAME;PAYLOAD_DIR;CODE_PAGE;ANSI_CODE_PAGE;SIGN_CERT;SIGN_KEY;TIMESTAMP_URL;${LAUNCHER_RESOURCE_ROLES}" "")
  if("${L_ANSI_CODE_PAGE}" STREQUAL "SYSTEM")
    set(default_manifest "${LAUNCHER_SYSTEM_CODE_PAGE_MANIFEST}")
  elseif("${L_ANSI_CODE_PAGE}" STREQUAL "" OR "${L_ANSI_CODE_PAGE}" STREQUAL "UTF-8")
    set(default_manifest "${LAUNCHER_DEFAULT_MANIFEST}")
  else()
    message(FATAL_ERROR "add_launcher(${target}): ANSI_CODE_PAGE is UTF-8 or SYSTEM, "
      "not ${L_ANSI_CODE_PAGE}")
  endif()
  set(resource_lines "")
  set(payload_files "")
  foreach(role IN LISTS LAUNCHER_RESOURCE_ROLES)
    set(file "${L_${role}}")
    if(file STREQUAL "NONE" AND role STREQUAL "MANIFEST")
      message(FATAL_ERROR "add_launcher(${target}): a launcher needs a manifest "
        "that declares requestedExecutionLevel asInvoker; MANIFEST NONE would "
        "let Windows run it elevated.")
    elseif(file STREQUAL "NONE")
      continue()
    elseif(file STREQUAL "" AND role STREQUAL "MANIFEST")
      set(file "${default_manifest}")
    elseif(file STREQUAL "")
      set(file "${L_PAYLOAD_DIR}/${LAUNCHER_DEFAULT_${role}}")
    endif()
    if(role STREQUAL "MANIFEST")
      set(manifest "${file}")
    endif()
    string(APPEND resource_lines "${LAUNCHER_RESOURCE_LINE_${role}} \"${file}\"\n")
    list(APPEND payload_files "${file}")
  endforeach()

  set(rc_file "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  configure_file("${PROJECT_SOURCE_DIR}/launcher/launcher.rc.in" "${rc_file}" @ONLY)

  # The manifest may be made at build time, so it is checked then, before
  # the resources are compiled.
  set(manifest_checked "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest-checked")
  set(check_script "${PROJECT_SOURCE_DIR}/cmake/CheckLauncherManifest.cmake")
  add_custom_command(
    OUTPUT "${manifest_checked}"
    COMMAND ${CMAKE_COMMAND} "-DMANIFEST=${manifest}" "-DTARGET=${target}"
            "-DSTAMP=${manifest_checked}" -P "${check_script}"
    DEPENDS "${manifest}" "${check_script}"
    COMMENT "Checking that ${target} runs unelevated")
  set_source_files_properties("${rc_file}" PROPERTIES
    OBJECT_DEPENDS "${payload_files};${manifest_checked}")

  add_executable(${target} WIN32 "${PROJECT_SOURCE_DIR}/launcher/win_main.cpp" "${rc_file}")
  target_link_libraries(${target} PRIVATE launcher_logic)
  if(L_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${L_OUTPUT_NAME}")
  endif()
  if(NOT L_ALLOW_BROKEN_PAYLOAD)
    add_dependencies(${target} launcher_check_host)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} "-DCHECKER=${LAUNCHER_CHECK_PROGRAM}"
              "-DLAUNCHER=$<TARGET_FILE:${target}>" "-DTARGET=${target}"
              "-DFORMAT=${LAUNCHER_IMAGE_FORMAT}" "-DCODE_PAGE=${L_CODE_PAGE}"
              -P "${PROJECT_SOURCE_DIR}/cmake/CheckLauncherPayload.cmake"
      COMMENT "Checking the payload of ${target}"
      VERBATIM)
  endif()
  if(L_SIGN_CERT OR L_SIGN_KEY)
    sign_launcher(${target} CERT "${L_SIGN_CERT}" KEY "${L_SIGN_KEY}"
      TIMESTAMP_URL "${L_TIMESTAMP_URL}")
  elseif(L_TIMESTAMP_URL)
    message(FATAL_ERROR "add_launcher(${target}): TIMESTAMP_URL needs SIGN_CERT and SIGN_KEY")
  endif()
endfunction()

# The time every runtime archive gives its module (seconds since 1970, UTC):
# the build's SOURCE_DATE_EPOCH when it is configured with one, else a fixed
# moment, never the time of the build.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(launcher_archive_time_default "$ENV{SOURCE_DATE_EPOCH}")
else()
  set(launcher_archive_time_default 1768469400) # 2026-01-15 09:30:00 UTC
endif()
set(LAUNCHER_ARCHIVE_TIME "${launcher_archive_time_default}" CACHE STRING
  "Modification time of the module in every runtime archive, in seconds since 1970")

# add_runtime_archive(<target> MODULE <dll target> OUTPUT <zip file>)
#
# Zips a built runtime module as the authoring tool does for the RUNTIME
# resource: one deflated entry, SheltraRuntime.dll, made by Info-ZIP. Info-ZIP
# keeps the file's times (as local DOS time and as UTC) and its mode, so the
# staged copy is given LAUNCHER_ARCHIVE_TIME and a fixed mode, and zip runs
# in UTC: the archive is the same whenever and under whatever umask it is made.
function(add_runtime_archive target)
  cmake_parse_arguments(PARSE_ARGV 1 A "" "MODULE;OUTPUT" "")
  get_filename_component(folder "${A_OUTPUT}" DIRECTORY)
  set(staged "${CMAKE_CURRENT_BINARY_DIR}/${target}/SheltraRuntime.dll")
  add_custom_command(
    OUTPUT "${A_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/${target}" "${folder}"
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${A_MODULE}> "${staged}"
    COMMAND chmod 0755 "${staged}"
    COMMAND touch -d "@${LAUNCHER_ARCHIVE_TIME}" "${staged}"
    COMMAND ${CMAKE_COMMAND} -E rm -f "${A_OUTPUT}"
    COMMAND ${CMAKE_COMMAND} -E env TZ=UTC zip -q -j -9 "${A_OUTPUT}" "${staged}"
    DEPENDS ${A_MODULE}
    COMMENT "Zipping ${A_MODULE} as a runtime archive")
  add_custom_target(${target} DEPENDS "${A_OUTPUT}")
endfunction()
