# Windows images that come out byte for byte the same from the same sources,
# whatever folder they are built in and whenever: a vendor can rebuild a
# shipped launcher and compare it with what was signed.
#
# The linker would otherwise write the time of the link into the COFF header
# and the export directory of every image. Source and build folders would be
# kept in every __FILE__ and in debug information; mapped away they read as
# paths relative to the source tree (built files under "build/").
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(
  "-ffile-prefix-map=${PROJECT_SOURCE_DIR}/="
  "-ffile-prefix-map=${PROJECT_BINARY_DIR}/=build/")
