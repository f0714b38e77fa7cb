#!/usr/bin/env bash
# The benchmarks of the shipped code path, under Wine: the ZIP reader over
# the real Windows file layer against a plain ReadFile/inflate/WriteFile
# loop, and the time from a launcher's process start to Excel's creation
# with a 20 MiB runtime module; and on the build machine, launcher-pack
# making a launcher beside a plain copy of the same bytes. They print
# figures and never fail on a slow
# machine; run them on a quiet one. (The host build has its own:
# build/host/benchmarks/zip_extract_benchmark.)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
source scripts/wine_arch.sh
preset=$LAUNCHER_WINE_PRESET
echo "== Building the $preset benchmarks ($LAUNCHER_WINE_NOTE)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target zip_extract_benchmark_win32 \
  LauncherWith20MiBRuntime excel_double_server box_watcher file_facts \
  Launcher runtime_module_double_v29_large >/dev/null

build=build/$preset
use_fresh_wine_prefix "$build" benchmark-prefix

echo "== The ZIP reader against the plain loop"
wine_env_run "$build/benchmarks/zip_extract_benchmark_win32.exe"
echo "== Process start to Excel's creation"
python3 benchmarks/start_to_excel.py --build "$build"
wine_env_stop
echo "== launcher-pack against a copy of the same bytes"
python3 benchmarks/pack_launcher.py --build "$build"
