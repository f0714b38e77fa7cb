# Launchers whose payload breaks the contract in one way each (or only
# lacks something, a warning), and a test per launcher that builds it and
# expects add_launcher()'s launcher-pack to refuse it with the right line.
# Never built with the rest: the build itself is the test.
set(BROKEN_PAYLOAD_DIR "${CMAKE_CURRENT_BINARY_DIR}/broken_payload")
set(make_broken "${PROJECT_SOURCE_DIR}/tests/shipped/make_broken_payloads.py")
execute_process(
  COMMAND ${Python3_EXECUTABLE} -B -c "import make_broken_payloads; print(';'.join(make_broken_payloads.FILES))"
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}/tests/shipped"
  OUTPUT_VARIABLE broken_payload_files OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
list(TRANSFORM broken_payload_files PREPEND "${BROKEN_PAYLOAD_DIR}/" OUTPUT_VARIABLE broken_payload_outputs)
add_custom_command(
  OUTPUT ${broken_payload_outputs}
  COMMAND ${Python3_EXECUTABLE} "${make_broken}" "${SAMPLE_PAYLOAD_DIR}" "${BROKEN_PAYLOAD_DIR}"
  DEPENDS "${make_broken}" sample_payload "${SAMPLE_PAYLOAD_DIR}/runtime.zip"
  COMMENT "Making the broken payloads")
add_custom_target(broken_payload DEPENDS ${broken_payload_outputs})

# A DLL without the runtime module's exports, and a program, each zipped as
# the runtime module.
add_runtime_archive(runtime_without_exports_archive MODULE support_module_double
  OUTPUT "${BROKEN_PAYLOAD_DIR}/runtime_without_exports.zip")
add_runtime_archive(runtime_program_archive MODULE show_box
  OUTPUT "${BROKEN_PAYLOAD_DIR}/runtime_program.zip")

set(CHECK_CASE_SCRIPT "${PROJECT_SOURCE_DIR}/tests/shipped/payload_check_case.sh")
function(add_payload_check_case name role file outcome pattern)
  set(target LauncherBroken${name})
  add_launcher(${target} ARCH ${LAUNCHER_NATIVE_ARCH} PAYLOAD_DIR "${SAMPLE_PAYLOAD_DIR}" ${role} "${file}")
  add_dependencies(${target} sample_payload case_payload broken_payload
    runtime_without_exports_archive runtime_program_archive)
  set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  add_test(NAME unit.launcher_check.${name}
    COMMAND bash "${CHECK_CASE_SCRIPT}" "${CMAKE_BINARY_DIR}" ${target} $<TARGET_PROPERTY:${target},LAUNCHER_FILE>
            ${outcome} "${pattern}")
  # Each builds in the one build tree, as do the other tests that build a
  # launcher there: one at a time.
  set_tests_properties(unit.launcher_check.${name} PROPERTIES LABELS unit RESOURCE_LOCK build_tree)
endfunction()

set(sample "${SAMPLE_PAYLOAD_DIR}")
set(broken "${BROKEN_PAYLOAD_DIR}")
set(case "${CASE_PAYLOAD_DIR}")
add_payload_check_case(RuntimeMissing RUNTIME NONE refused
  "^RUNTIME +102 +- +error +missing: the launcher shows \"Sheltra Runtime can not be found")
add_payload_check_case(RuntimeNotZip RUNTIME "${sample}/workbook.xls" refused
  "^RUNTIME +102 .* error +not a ZIP archive")
add_payload_check_case(RuntimeCrcMismatch RUNTIME "${broken}/runtime_crc_mismatch.zip" refused
  "^RUNTIME .* error +entry 0 \\(SheltraRuntime.dll, [0-9]+ bytes\\) does not extract, status 0x5000000")
add_payload_check_case(RuntimeNotAModule RUNTIME "${broken}/runtime_not_a_module.zip" refused
  "^RUNTIME .* error +entry 0 .* is not a PE image")
add_payload_check_case(RuntimeWithoutExports RUNTIME "${broken}/runtime_without_exports.zip" refused
  "^RUNTIME .* error .* does not export RtmGetVersion, WeRTlwN, cWeuyRtj by name")
add_payload_check_case(RuntimeProgram RUNTIME "${broken}/runtime_program.zip" refused
  "^RUNTIME .* error .* is a program, not a DLL")
add_payload_check_case(ExtensionWithoutNul EXT "${CMAKE_CURRENT_BINARY_DIR}/long_extension.bin" refused
  "^EXT +106 +14 +error +no NUL")
add_payload_check_case(ExtensionWithoutDot EXT "${broken}/ext_without_dot.bin" refused
  "^EXT .* error +\"xlam\" does not start with a dot")
add_payload_check_case(HelpDataCutShort CHM "${case}/chm_cut_short.bin" refused
  "^CHM +115 .* error +help data cut short")
add_payload_check_case(HelpFileUnnamed CHM "${case}/chm_unnamed.bin" refused
  "^CHM .* error +no help-file name")
add_payload_check_case(HelpFileDeviceName CHM "${case}/chm_device.bin" refused
  "^CHM .* error +help-file name \"nul.chm\" is not a plain file name")
# Read in code page 1252, as the launcher's UTF-8 process converts it, the
# katakana name's bytes hold a backslash (0x83 0x5C: U+0192, then a backslash).
add_payload_check_case(HelpFileKatakanaInCodePage1252 CHM "${case}/chm_katakana.bin" refused
  "^CHM .* error +help-file name \"\\\\xC6\\\\x92\\\\x5C")
add_payload_check_case(XlamMissing XLAM NONE refused
  "^XLAM +119 +- +error +missing: Excel 12 and later would get message 12")
add_payload_check_case(XlamNotZip XLAM "${sample}/loader.xla" refused
  "^XLAM .* error +not a ZIP archive")
add_payload_check_case(XlamWithoutContentTypes XLAM "${broken}/xlam_without_content_types.zip" refused
  "^XLAM .* error +a ZIP archive without \\[Content_Types\\].xml")
add_payload_check_case(XlaMissing XLA NONE refused
  "^XLA +121 +- +error +missing: Excel below 12 would get message 12")
add_payload_check_case(XlaNotCompoundFile XLA "${sample}/loader.xlam" refused
  "^XLA .* error +not an OLE2 compound file")
add_payload_check_case(SplashDataMissing SPLASH_DATA NONE built
  "SPLASH_DATA +107 +- +warning +missing while SPLASH carries a picture")
add_payload_check_case(SplashDataShort SPLASH_DATA "${case}/splash_data_one_byte.bin" built
  "SPLASH_DATA +107 +1 +warning +cut short for its version")
add_payload_check_case(LoaderResourceMissing LDR NONE built
  "LDR +103 +- +warning +missing: the runtime module reads it")

# The sample launcher passes with every finding ok, text and JSON alike; a
# console tool is refused.
add_test(NAME unit.launcher_check.sample_report
  COMMAND ${Python3_EXECUTABLE} "${PROJECT_SOURCE_DIR}/tests/shipped/check_sample_report.py"
          "${LAUNCHER_CHECK_PROGRAM}" $<TARGET_PROPERTY:Launcher,LAUNCHER_FILE> $<TARGET_FILE:resource_probe>)
set_tests_properties(unit.launcher_check.sample_report PROPERTIES LABELS unit)
