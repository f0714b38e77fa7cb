#!/usr/bin/env bash
# The demo: builds a launcher that carries the sample payload, starts it
# under Wine the way a user would (against the runtime module double and an
# Excel automation double registered as Excel), and tells what it did.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
source scripts/wine_arch.sh
preset=$LAUNCHER_WINE_PRESET
echo "== Building the $preset launcher and the doubles ($LAUNCHER_WINE_NOTE)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Launcher excel_double_server \
  box_watcher file_facts >/dev/null

build=build/$preset
echo "== Preparing a Wine prefix in $build/demo-prefix"
use_fresh_wine_prefix "$build" demo-prefix

cat <<'TEXT'
== Starting build/.../payload/Launcher.exe as C:\Tools\Budget.exe, as a user
   would: nothing is registered (no runtime add-in for Excel, no Office
   install root), so the version check and the resiliency cleanup have
   nothing to do. Excel is the automation double, registered as
   "Excel.Application"; a watcher records and dismisses any message box.
TEXT
python3 tests/e2e/launcher_case.py sample_run --build "$build" \
  --work "$build/demo-run" --account | sed 's/^/   /'
