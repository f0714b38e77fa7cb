# Launchers for the Wine cases of the splash, the help file and the Excel
# launch: each carries the sample payload with one role replaced by a file
# that make_case_payloads.py writes.
set(CASE_PAYLOAD_DIR "${CMAKE_CURRENT_BINARY_DIR}/case_payload")
execute_process(
  COMMAND ${Python3_EXECUTABLE} -B -c "import make_case_payloads; print(';'.join(make_case_payloads.FILES))"
  WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
  OUTPUT_VARIABLE case_payload_files OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/make_case_payloads.py)
list(TRANSFORM case_payload_files PREPEND "${CASE_PAYLOAD_DIR}/"
     OUTPUT_VARIABLE case_payload_outputs)
add_custom_command(
  OUTPUT ${case_payload_outputs}
  COMMAND ${Python3_EXECUTABLE} "${CMAKE_CURRENT_SOURCE_DIR}/make_case_payloads.py" "${CASE_PAYLOAD_DIR}"
  DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/make_case_payloads.py"
  COMMENT "Making the Wine cases' payload variants")
add_custom_target(case_payload DEPENDS ${case_payload_outputs})

# Further arguments go to add_launcher(): the cases of a broken payload
# allow it, since they show what the launcher makes of one.
function(add_case_launcher target role file)
  add_launcher(${target} ARCH ${LAUNCHER_NATIVE_ARCH} PAYLOAD_DIR "${SAMPLE_PAYLOAD_DIR}" ${role} "${file}" ${ARGN})
  add_dependencies(${target} sample_payload case_payload)
endfunction()

add_case_launcher(LauncherWithoutSplashData SPLASH_DATA NONE)
add_case_launcher(LauncherWithPlaceholderSplash SPLASH "${CASE_PAYLOAD_DIR}/splash_placeholder.bin")
add_case_launcher(LauncherWithShortSplashData SPLASH_DATA "${CASE_PAYLOAD_DIR}/splash_data_one_byte.bin")
add_case_launcher(LauncherWithHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_guide.bin")
add_case_launcher(LauncherWithUnnamedHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_unnamed.bin" ALLOW_BROKEN_PAYLOAD)
add_case_launcher(LauncherWithDeviceNamedHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_device.bin" ALLOW_BROKEN_PAYLOAD)
add_case_launcher(LauncherWithKatakanaHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_katakana.bin" CODE_PAGE 932)
add_case_launcher(LauncherWithWesternHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_western.bin")
add_case_launcher(LauncherWithUtf8HelpFile CHM "${CASE_PAYLOAD_DIR}/chm_utf8.bin")
# The sample payload in a launcher whose process keeps the system's ANSI
# code page.
add_case_launcher(LauncherWithSystemCodePage ANSI_CODE_PAGE SYSTEM)
add_case_launcher(LauncherWithCutShortHelpData CHM "${CASE_PAYLOAD_DIR}/chm_cut_short.bin" ALLOW_BROKEN_PAYLOAD)
add_case_launcher(LauncherForXlsxWorkbook EXT "${CASE_PAYLOAD_DIR}/ext_xlsx.bin")
add_case_launcher(LauncherWithoutLoaderAddin XLAM NONE ALLOW_BROKEN_PAYLOAD)

# A runtime module that shows the splash but names no event to wait for.
set(silent_runtime "${CMAKE_CURRENT_BINARY_DIR}/silent_runtime.zip")
add_runtime_archive(silent_runtime_archive
  MODULE runtime_module_double_v29_no_event OUTPUT "${silent_runtime}")
add_case_launcher(LauncherWithSilentSplash RUNTIME "${silent_runtime}")
add_dependencies(LauncherWithSilentSplash silent_runtime_archive)

# A runtime module whose splash lasts four seconds.
set(long_splash_runtime "${CMAKE_CURRENT_BINARY_DIR}/long_splash_runtime.zip")
add_runtime_archive(long_splash_runtime_archive
  MODULE runtime_module_double_v29_long_splash OUTPUT "${long_splash_runtime}")
add_case_launcher(LauncherWithLongSplash RUNTIME "${long_splash_runtime}")
add_dependencies(LauncherWithLongSplash long_splash_runtime_archive)

# A runtime module that imports SheltraSupport.dll, which it loads only from
# where the runtime's own setup puts it.
set(supported_runtime "${CMAKE_CURRENT_BINARY_DIR}/supported_runtime.zip")
add_runtime_archive(supported_runtime_archive
  MODULE runtime_module_double_v29_support OUTPUT "${supported_runtime}")
add_case_launcher(LauncherWithSupportedRuntime RUNTIME "${supported_runtime}")
add_dependencies(LauncherWithSupportedRuntime supported_runtime_archive)

# A runtime module of about 40 MiB, whose extraction takes a while.
set(large_runtime "${CMAKE_CURRENT_BINARY_DIR}/large_runtime.zip")
add_runtime_archive(large_runtime_archive
  MODULE runtime_module_double_v29_large OUTPUT "${large_runtime}")
add_case_launcher(LauncherWithLargeRuntime RUNTIME "${large_runtime}")
add_dependencies(LauncherWithLargeRuntime large_runtime_archive)

# The launcher of the start-to-Excel benchmark: a runtime module of 20 MiB.
set(runtime_20mib "${CMAKE_CURRENT_BINARY_DIR}/runtime_20mib.zip")
add_runtime_archive(runtime_20mib_archive
  MODULE runtime_module_double_v29_20mib OUTPUT "${runtime_20mib}")
add_case_launcher(LauncherWith20MiBRuntime RUNTIME "${runtime_20mib}")
add_dependencies(LauncherWith20MiBRuntime runtime_20mib_archive)

# Version 28 in an entry with the read-only attribute, as an archive made on
# Windows of a read-only file carries it.
set(old_runtime "${CMAKE_CURRENT_BINARY_DIR}/old_runtime.zip")
set(read_only_runtime "${CMAKE_CURRENT_BINARY_DIR}/read_only_runtime.zip")
add_runtime_archive(old_runtime_archive
  MODULE runtime_module_double_v28 OUTPUT "${old_runtime}")
add_custom_command(
  OUTPUT "${read_only_runtime}"
  COMMAND ${Python3_EXECUTABLE} "${CMAKE_CURRENT_SOURCE_DIR}/mark_entry_read_only.py"
          "${old_runtime}" "${read_only_runtime}"
  DEPENDS "${old_runtime}" "${CMAKE_CURRENT_SOURCE_DIR}/mark_entry_read_only.py"
  COMMENT "Marking the version 28 runtime archive's entry read-only")
add_custom_target(read_only_runtime_archive DEPENDS "${read_only_runtime}")
add_dependencies(read_only_runtime_archive old_runtime_archive)
add_case_launcher(LauncherWithReadOnlyRuntime RUNTIME "${read_only_runtime}")
add_dependencies(LauncherWithReadOnlyRuntime read_only_runtime_archive)
