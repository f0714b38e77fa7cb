#!/usr/bin/env bash
# The demo: builds a launcher that carries the sample payload, then starts it
# under Wine the way a user would, and tells what happened.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
source scripts/wine_arch.sh
preset=$LAUNCHER_WINE_PRESET
echo "== Building the $preset launcher ($LAUNCHER_WINE_NOTE)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target Launcher resource_probe box_watcher file_facts >/dev/null

build=build/$preset
launcher=$build/payload/Launcher.exe
export WINEPREFIX=$PWD/$build/demo-prefix WINEARCH=$LAUNCHER_WINE_ARCH
export WINE=$LAUNCHER_WINE_LOADER WINELOADER=$LAUNCHER_WINE_LOADER
source tests/e2e/wine_env.sh
echo "== Preparing a Wine prefix in $WINEPREFIX"
wine_env_prepare "$WINEPREFIX"

echo "== What $launcher carries, read back by the launcher's own resource catalogue:"
probe_arguments=()
for resource in "RUNTIME 102 runtime.zip" "LDR 103 ldr.bin" "SPLASH 104 splash.zip" \
    "XLS 105 workbook.xls" "EXT 106 ext.bin" "SPLASH_DATA 107 splash_data.bin" \
    "UPDATER 111 updater.bin" "UPDATE_DATA 113 update_data.bin" "CHM 115 chm.bin" \
    "XLAM 119 loader.xlam" "XLA 121 loader.xla"; do
  read -r type id file <<<"$resource"
  probe_arguments+=("$type" "$id" "$(wine_env_windows_path "$build/payload/sample/$file")")
done
"$WINE" "$build/tests/e2e/resource_probe.exe" "$(wine_env_windows_path "$launcher")" \
  "${probe_arguments[@]}" 2>/dev/null | sed 's/^/   /'

echo "== Starting it as C:\\Tools\\Budget.exe, with a watcher for message boxes:"
python3 tests/e2e/launcher_case.py sample_run --build "$build" \
  --work "$build/demo-run" | sed 's/^/   /'
installed=$(find "$WINEPREFIX/drive_c/users" -path '*AppData/Local/Quorvane/SheltraRuntime.dll')
echo "== Files it wrote:"
echo "   $installed ($(stat -c %s "$installed") bytes, the runtime module from its RUNTIME archive)"
echo "== Done: the launcher exited with code 0 and showed no message."
