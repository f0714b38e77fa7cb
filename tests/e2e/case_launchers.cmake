# Launchers for the Wine cases of the splash, the help file and the Excel
# launch: each carries the sample payload with one role replaced by a file
# that make_case_payloads.py writes.
set(CASE_PAYLOAD_DIR "${CMAKE_CURRENT_BINARY_DIR}/case_payload")
set(case_payload_files splash_placeholder.bin splash_data_one_byte.bin
    chm_guide.bin chm_unnamed.bin ext_xlsx.bin)
list(TRANSFORM case_payload_files PREPEND "${CASE_PAYLOAD_DIR}/"
     OUTPUT_VARIABLE case_payload_outputs)
add_custom_command(
  OUTPUT ${case_payload_outputs}
  COMMAND ${Python3_EXECUTABLE} "${CMAKE_CURRENT_SOURCE_DIR}/make_case_payloads.py" "${CASE_PAYLOAD_DIR}"
  DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/make_case_payloads.py"
  COMMENT "Making the Wine cases' payload variants")
add_custom_target(case_payload DEPENDS ${case_payload_outputs})

set(case_launchers "")
function(add_case_launcher target role file)
  add_launcher(${target} PAYLOAD_DIR "${SAMPLE_PAYLOAD_DIR}" ${role} "${file}")
  add_dependencies(${target} sample_payload case_payload)
  set(case_launchers ${case_launchers} ${target} PARENT_SCOPE)
endfunction()

add_case_launcher(LauncherWithoutSplashData SPLASH_DATA NONE)
add_case_launcher(LauncherWithPlaceholderSplash SPLASH "${CASE_PAYLOAD_DIR}/splash_placeholder.bin")
add_case_launcher(LauncherWithShortSplashData SPLASH_DATA "${CASE_PAYLOAD_DIR}/splash_data_one_byte.bin")
add_case_launcher(LauncherWithHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_guide.bin")
add_case_launcher(LauncherWithUnnamedHelpFile CHM "${CASE_PAYLOAD_DIR}/chm_unnamed.bin")
add_case_launcher(LauncherForXlsxWorkbook EXT "${CASE_PAYLOAD_DIR}/ext_xlsx.bin")

# A runtime module that shows the splash but names no event to wait for.
set(silent_runtime_dir "${CMAKE_CURRENT_BINARY_DIR}/silent_runtime")
add_custom_command(
  OUTPUT "${silent_runtime_dir}/runtime.zip"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${silent_runtime_dir}"
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:runtime_module_double_v29_no_event> "${silent_runtime_dir}/SheltraRuntime.dll"
  COMMAND ${CMAKE_COMMAND} -E rm -f "${silent_runtime_dir}/runtime.zip"
  COMMAND zip -q -j -9 "${silent_runtime_dir}/runtime.zip" "${silent_runtime_dir}/SheltraRuntime.dll"
  DEPENDS runtime_module_double_v29_no_event
  COMMENT "Zipping the runtime module without a splash event")
add_custom_target(silent_runtime_zip DEPENDS "${silent_runtime_dir}/runtime.zip")
add_case_launcher(LauncherWithSilentSplash RUNTIME "${silent_runtime_dir}/runtime.zip")
add_dependencies(LauncherWithSilentSplash silent_runtime_zip)
