# Signs a linked image in place (script mode, run after the link):
#   cmake -DOSSLSIGNCODE=<program> -DIMAGE=<exe> -DCERT=<pem> -DKEY=<pem>
#         [-DTIMESTAMP_URL=<url>] -P SignImage.cmake
#
# osslsigncode writes the signed image beside the linked one, which it
# replaces only once the signature is complete. When signing fails the
# linked image is removed as well: an unsigned image left in its place
# would be taken for the finished build next time.
set(signed "${IMAGE}.signed")
set(timestamp "")
if(TIMESTAMP_URL)
  set(timestamp -ts "${TIMESTAMP_URL}")
endif()
file(REMOVE "${signed}")
execute_process(
  COMMAND "${OSSLSIGNCODE}" sign -h sha256 -certs "${CERT}" -key "${KEY}" ${timestamp}
          -in "${IMAGE}" -out "${signed}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  file(REMOVE "${signed}" "${IMAGE}")
  message(FATAL_ERROR "Signing ${IMAGE} failed; the unsigned image is removed:\n${output}")
endif()
file(CHMOD "${signed}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(RENAME "${signed}" "${IMAGE}")
