# add_launcher(<target> [OUTPUT_NAME <name>] PAYLOAD_DIR <dir> [ARCH x86|x64]
#              [<ROLE> <file>|NONE]... [CODE_PAGE <n>] [ANSI_CODE_PAGE UTF-8|SYSTEM]
#              [SIGN_CERT <pem> SIGN_KEY <pem> [TIMESTAMP_URL <url>]]
#              [ALLOW_BROKEN_PAYLOAD])
#
# Makes a launcher the way a vendor without a compiler makes one: launcher-pack
# writes the payload into a copy of the launcher stub of the edition ARCH
# names (x86, the default, for 32-bit Excel; x64 for 64-bit Excel), checks it
# with launcher-check's rules and signs it. Each role (launcher-pack's usage
# lists them: RUNTIME, LDR, SPLASH, XLS, EXT, SPLASH_DATA, UPDATER,
# UPDATE_DATA, CHM, XLAM, XLA, ICON, BITMAP, MANIFEST) takes its file from
# PAYLOAD_DIR under its default name unless given a file of its own; NONE
# leaves it out. The manifest is the stub's unless MANIFEST names one, which
# must keep the launcher unelevated (requestedExecutionLevel asInvoker).
#
# The launcher is <OUTPUT_NAME or target>.exe in the current binary folder,
# its path the target's LAUNCHER_FILE property. A payload that breaks what
# the launcher or its runtime module relies on fails the build and leaves no
# launcher. CODE_PAGE <n> reads the help-file name in that ANSI code page
# (default 1252), for a vendor whose users run it. ANSI_CODE_PAGE SYSTEM
# takes out of the manifest the element that makes the launcher's process
# code page UTF-8, for a vendor whose runtime module, which runs in the
# launcher's process, cannot take UTF-8 text from the "A" functions. The
# tests of how a launcher meets a broken payload make theirs with
# ALLOW_BROKEN_PAYLOAD, which skips the check.
#
# With SIGN_CERT and SIGN_KEY (PEM files: the code-signing certificate, or
# it followed by its chain, and its private key) the launcher is signed with
# osslsigncode: an Authenticode signature over its SHA-256 digest,
# counter-signed by the RFC 3161 time-stamp authority at TIMESTAMP_URL when
# one is given. Signing follows the check, so a broken payload is never
# signed, and a failed signing leaves no launcher.
#
# The stub of the tree's own edition is built here (target LauncherStub);
# the other edition's is the prebuilt one LAUNCHER_STUB_X86 or
# LAUNCHER_STUB_X64 names, as a vendor has it.

# launcher-check and launcher-pack run on the build machine, so a cross
# build makes its own host build of them from these sources, as the host
# preset builds them: always current, and no other build tree has to come
# first. One job, so that it and the cross build together keep to the jobs
# asked for. A tree may be handed both built already (LAUNCHER_CHECK and
# LAUNCHER_PACK), as the reproducibility test hands its two builds those of
# the tree it runs in.
set(LAUNCHER_CHECK "" CACHE FILEPATH
  "A launcher-check already built for this machine; empty: built in this tree")
set(LAUNCHER_PACK "" CACHE FILEPATH
  "A launcher-pack already built for this machine; empty: built in this tree")
if(LAUNCHER_CHECK AND LAUNCHER_PACK)
  set(LAUNCHER_CHECK_PROGRAM "${LAUNCHER_CHECK}")
  set(LAUNCHER_PACK_PROGRAM "${LAUNCHER_PACK}")
  add_custom_target(launcher_check_host)
else()
  include(ExternalProject)
  set(LAUNCHER_CHECK_HOST_DIR "${CMAKE_BINARY_DIR}/launcher-check-host")
  set(LAUNCHER_CHECK_PROGRAM "${LAUNCHER_CHECK_HOST_DIR}/tools/launcher_check/launcher-check")
  set(LAUNCHER_PACK_PROGRAM "${LAUNCHER_CHECK_HOST_DIR}/tools/launcher_pack/launcher-pack")
  ExternalProject_Add(launcher_check_host
    SOURCE_DIR "${PROJECT_SOURCE_DIR}"
    BINARY_DIR "${LAUNCHER_CHECK_HOST_DIR}"
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAUNCHER_TOOLS_ONLY=ON
    BUILD_COMMAND ${CMAKE_COMMAND} --build "${LAUNCHER_CHECK_HOST_DIR}" --target launcher-check launcher-pack -j 1
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS "${LAUNCHER_CHECK_PROGRAM}" "${LAUNCHER_PACK_PROGRAM}"
    INSTALL_COMMAND "")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(LAUNCHER_IMAGE_FORMAT PE32)
  set(LAUNCHER_NATIVE_ARCH x86)
else()
  set(LAUNCHER_IMAGE_FORMAT PE32+)
  set(LAUNCHER_NATIVE_ARCH x64)
endif()

# The stub: the launcher with only its own resources, its manifest and the
# update dialog.
set(LAUNCHER_STUB_MANIFEST "${CMAKE_CURRENT_LIST_DIR}/../launcher/launcher.manifest")
configure_file("${CMAKE_CURRENT_LIST_DIR}/../launcher/stub.rc.in" "${CMAKE_BINARY_DIR}/launcher-stub.rc" @ONLY)
set_source_files_properties("${CMAKE_BINARY_DIR}/launcher-stub.rc" PROPERTIES
  OBJECT_DEPENDS "${LAUNCHER_STUB_MANIFEST}")
add_executable(LauncherStub WIN32 "${CMAKE_CURRENT_LIST_DIR}/../launcher/win_main.cpp"
  "${CMAKE_BINARY_DIR}/launcher-stub.rc")
target_link_libraries(LauncherStub PRIVATE launcher_logic)
set_target_properties(LauncherStub PROPERTIES OUTPUT_NAME LauncherStub-${LAUNCHER_NATIVE_ARCH}
  RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")
foreach(arch IN ITEMS x86 x64)
  string(TOUPPER "${arch}" upper)
  set(LAUNCHER_STUB_${upper} "" CACHE FILEPATH "A prebuilt ${arch} launcher stub, for ARCH ${arch} in a tree of the other edition")
endforeach()

set(LAUNCHER_ROLES RUNTIME LDR SPLASH XLS EXT SPLASH_DATA UPDATER UPDATE_DATA CHM XLAM XLA ICON BITMAP MANIFEST)

function(add_launcher target)
  cmake_parse_arguments(PARSE_ARGV 1 L "ALLOW_BROKEN_PAYLOAD"
    "OUTPUT_NAME;PAYLOAD_DIR;ARCH;CODE_PAGE;ANSI_CODE_PAGE;SIGN_CERT;SIGN_KEY;TIMESTAMP_URL;${LAUNCHER_ROLES}" "")
  if(NOT L_ARCH)
    set(L_ARCH x86)
  endif()
  string(TOUPPER "${L_ARCH}" arch)
  if(L_ARCH STREQUAL LAUNCHER_NATIVE_ARCH)
    set(stub "$<TARGET_FILE:LauncherStub>")
    set(stub_target LauncherStub)
  elseif(L_ARCH MATCHES "^x(86|64)$" AND LAUNCHER_STUB_${arch})
    set(stub "${LAUNCHER_STUB_${arch}}")
    set(stub_target "")
  elseif(L_ARCH MATCHES "^x(86|64)$")
    message(FATAL_ERROR "add_launcher(${target}): ARCH ${L_ARCH} in a tree that builds the "
      "${LAUNCHER_NATIVE_ARCH} stub needs a prebuilt ${L_ARCH} stub: set LAUNCHER_STUB_${arch}")
  else()
    message(FATAL_ERROR "add_launcher(${target}): ARCH is x86 or x64, not ${L_ARCH}")
  endif()
  set(name "${target}")
  if(L_OUTPUT_NAME)
    set(name "${L_OUTPUT_NAME}")
  endif()
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${name}.exe")

  set(arguments --stub "${stub}" --payload "${L_PAYLOAD_DIR}" --output "${output}")
  foreach(role IN LISTS LAUNCHER_ROLES)
    if(DEFINED L_${role})
      string(TOLOWER "${role}" option)
      string(REPLACE "_" "-" option "${option}")
      list(APPEND arguments "--${option}" "${L_${role}}")
    endif()
  endforeach()
  if(L_ANSI_CODE_PAGE STREQUAL "SYSTEM")
    list(APPEND arguments --ansi-code-page system)
  elseif(L_ANSI_CODE_PAGE AND NOT L_ANSI_CODE_PAGE STREQUAL "UTF-8")
    message(FATAL_ERROR "add_launcher(${target}): ANSI_CODE_PAGE is UTF-8 or SYSTEM, not ${L_ANSI_CODE_PAGE}")
  endif()
  if(L_CODE_PAGE)
    list(APPEND arguments --code-page "${L_CODE_PAGE}")
  endif()
  if(L_ALLOW_BROKEN_PAYLOAD)
    list(APPEND arguments --unchecked)
  endif()
  set(signing_inputs "")
  if(L_SIGN_CERT AND L_SIGN_KEY)
    find_program(OSSLSIGNCODE osslsigncode REQUIRED)
    list(APPEND arguments --sign-cert "${L_SIGN_CERT}" --sign-key "${L_SIGN_KEY}" --signer "${OSSLSIGNCODE}")
    if(L_TIMESTAMP_URL)
      list(APPEND arguments --timestamp-url "${L_TIMESTAMP_URL}")
    endif()
    set(signing_inputs "${L_SIGN_CERT}" "${L_SIGN_KEY}")
  elseif(L_SIGN_CERT OR L_SIGN_KEY)
    message(FATAL_ERROR "add_launcher(${target}): signing needs both SIGN_CERT and SIGN_KEY")
  elseif(L_TIMESTAMP_URL)
    message(FATAL_ERROR "add_launcher(${target}): TIMESTAMP_URL needs SIGN_CERT and SIGN_KEY")
  endif()

  # The payload's files are known once launcher-pack has read them: it names
  # them in the depfile.
  set(depfile "${CMAKE_CURRENT_BINARY_DIR}/${target}.launcher.d")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND "${LAUNCHER_PACK_PROGRAM}" ${arguments} --depfile "${depfile}"
    DEPENDS ${stub_target} "${LAUNCHER_PACK_PROGRAM}" launcher_check_host ${signing_inputs}
    DEPFILE "${depfile}"
    COMMENT "Packing ${name}.exe (${L_ARCH})"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${output}")
  set_target_properties(${target} PROPERTIES LAUNCHER_FILE "${output}")
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
