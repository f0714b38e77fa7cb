#!/usr/bin/env bash
# Builds a launcher whose signing cannot complete, twice, and checks that
# each build asks the time-stamp authority it was given, fails, and leaves
# no image: a second build signs again instead of taking an unsigned image
# for done.
#   failed_signing_leaves_no_image.sh <build tree> <target> <image> <time-stamp URL>
set -uo pipefail
tree=$1 target=$2 image=$3 url=$4
fail() { echo "failed_signing_leaves_no_image: $*" >&2; exit 1; }

for build in first second; do
  if output=$(cmake --build "$tree" --target "$target" 2>&1); then
    fail "the $build build of $target succeeded"
  fi
  grep -qF "Connecting to $url" <<<"$output" ||
    fail "the $build build failed without asking $url for a time stamp: $output"
  [ ! -e "$image" ] || fail "the $build build left $image"
done
echo "$target: both builds failed at $url's time stamp and left no image"
