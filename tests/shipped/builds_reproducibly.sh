#!/usr/bin/env bash
# Builds the sample launcher twice, from these sources, in two fresh build
# folders of different paths and at different times, and checks that the
# launcher and what its payload is made of come out byte for byte the same:
#   builds_reproducibly.sh <source dir> <toolchain file> <build type> <generator> <launcher-check> <launcher-pack>
# Both use the launcher-check and launcher-pack given rather than building
# their own.
set -euo pipefail
source_dir=$1 toolchain=$2 build_type=$3 generator=$4 checker=$5 packer=$6

# Byte-identical builds are what is checked, so both are built alike: no
# epoch of the caller's, the same jobs.
unset SOURCE_DATE_EPOCH
first=$(mktemp -d "${TMPDIR:-/tmp}/launcher-build.XXXXXX")
second=$(mktemp -d "${TMPDIR:-/tmp}/launcher-second-build-elsewhere.XXXXXX")
trap 'rm -rf "$first" "$second"' EXIT

build() {
  cmake -S "$source_dir" -B "$1" -G "$generator" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE="$build_type" -DLAUNCHER_CHECK="$checker" -DLAUNCHER_PACK="$packer" >/dev/null
  cmake --build "$1" --target Launcher -j2 >/dev/null
}
build "$first"
build "$second"

products=(payload/Launcher.exe "$(cd "$first" && echo LauncherStub-*.exe)" payload/sample/runtime.zip
          tests/doubles/runtime_module/v29/SheltraRuntime.dll)
differing=0
for product in "${products[@]}"; do
  if cmp -s "$first/$product" "$second/$product"; then
    echo "same: $product $(sha256sum <"$first/$product" | cut -d' ' -f1)"
  else
    echo "builds_reproducibly: $product differs between $first and $second;" \
         "differing bytes (offset, octal values):" >&2
    cmp -l "$first/$product" "$second/$product" | head -n 8 >&2 || true
    differing=1
  fi
done
for product in "${products[@]}"; do
  if strings -a "$first/$product" | grep -F -e "$first" -e "$source_dir" >&2; then
    echo "builds_reproducibly: $product holds a build or source path (above)" >&2
    differing=1
  fi
done
exit "$differing"
