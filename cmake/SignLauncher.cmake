# sign_launcher(<target> CERT <pem> KEY <pem> [TIMESTAMP_URL <url>])
#
# Signs a built launcher with osslsigncode right after its link
# (cmake/SignImage.cmake): an Authenticode signature over the image's
# SHA-256 digest, appended as the PE certificate table, where Windows and
# any PE reader look for it. The signature is the last change made to the
# file; anything that altered the image afterwards would break it. Relinks,
# and so signs again, when the certificate or the key changes; a failed
# signing leaves no image, so the next build links and signs again.
#
# TIMESTAMP_URL is handed to osslsigncode as an RFC 3161 time-stamp
# authority (-ts): the signature then stays valid after the certificate
# expires. Asking it needs the network at build time; when it cannot be
# reached, the signing fails.
function(sign_launcher target)
  cmake_parse_arguments(PARSE_ARGV 1 S "" "CERT;KEY;TIMESTAMP_URL" "")
  if(NOT S_CERT OR NOT S_KEY)
    message(FATAL_ERROR "add_launcher(${target}): signing needs both SIGN_CERT and SIGN_KEY")
  endif()
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} "-DOSSLSIGNCODE=${OSSLSIGNCODE}" "-DIMAGE=$<TARGET_FILE:${target}>"
            "-DCERT=${S_CERT}" "-DKEY=${S_KEY}" "-DTIMESTAMP_URL=${S_TIMESTAMP_URL}"
            -P "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SignImage.cmake"
    COMMENT "Signing ${target}"
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${S_CERT}" "${S_KEY}")
endfunction()
