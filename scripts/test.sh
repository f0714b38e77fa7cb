#!/usr/bin/env bash
# The full test run: installs what is missing, builds every preset the tests
# need and runs every test label. Fails when any label fails or runs no test.
#
#   unit, scenario  host builds (plain and with ASan+UBSan), over the simulated
#                   Windows; plus static checks of the shipped executable
#   fuzz            clang libFuzzer targets, a short bounded run each
#   e2e             the real executable under Wine, with test doubles
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
source scripts/wine_arch.sh

configure_and_build() {
  cmake --preset "$@" >/dev/null
  cmake --build --preset "$1"
}

# The shipped executable first: host tests read its resources.
configure_and_build win32
configure_and_build host
configure_and_build host-asan
configure_and_build fuzz
# The win32 tree's host tools serve the other Windows tree too: the same
# sources, built minutes before.
tools=$PWD/build/win32/launcher-check-host/tools
if [ "$LAUNCHER_WINE_PRESET" != win32 ]; then
  configure_and_build "$LAUNCHER_WINE_PRESET" -DLAUNCHER_CHECK="$tools/launcher_check/launcher-check" \
    -DLAUNCHER_PACK="$tools/launcher_pack/launcher-pack"
fi

# --no-tests=error fails a label that ran no test, so a green run ran every
# label.
run_label() {
  local tree=$1 label=$2
  if ! (cd "build/$tree" && ctest -L "^$label\$" --output-on-failure --no-tests=error -j2); then
    echo "test: label '$label' failed in build/$tree" >&2
    exit 1
  fi
}

run_label host unit
run_label host scenario
run_label host-asan unit
run_label host-asan scenario
run_label win32 unit
run_label fuzz fuzz
echo "e2e: Wine runs the $LAUNCHER_WINE_PRESET build ($LAUNCHER_WINE_NOTE)"
run_label "$LAUNCHER_WINE_PRESET" e2e
echo "test: every label passed"
