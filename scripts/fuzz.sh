#!/usr/bin/env bash
# Deep fuzzing, outside the test run: every libFuzzer target runs for the
# given minutes (default 10, fractions allowed), then the inputs it found
# that reach new code are merged, minimised, into its checked-in corpus
# (fuzz/corpus/<target>). Prints executions, speed and coverage per target.
#
#   bash scripts/fuzz.sh [minutes]
#
# The targets write every input to files of the simulated Windows, so their
# scratch folder lives on a memory file system (/dev/shm) where there is one:
# the ZIP reader runs several times faster there than on disk.
#
#   LAUNCHER_FUZZ_SCRATCH   the folder for the scratch files instead
#   LAUNCHER_FUZZ_CORPORA   the folder holding the corpora to grow instead of
#                           fuzz/corpus (a copy, for a trial run)
#   LAUNCHER_FUZZ_TARGETS   the targets to run, space-separated (default all)
#
# Exits 1 when a target found a crash; its input is kept under fuzz/findings/
# to become a named regression input in the corpus with its fix.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-10}
seconds=$(awk -v m="$minutes" 'BEGIN { s = int(m * 60 + 0.5); if (s < 1) s = 1; print s }')

bash scripts/bootstrap.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

corpora=${LAUNCHER_FUZZ_CORPORA:-fuzz/corpus}
if [ -n "${LAUNCHER_FUZZ_SCRATCH:-}" ]; then
  scratch_parent=$LAUNCHER_FUZZ_SCRATCH
elif [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ]; then
  scratch_parent=/dev/shm
else
  scratch_parent=${TMPDIR:-/tmp}
fi
scratch=$(mktemp -d -p "$scratch_parent" launcher-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
echo "fuzz: $seconds s per target, scratch in $scratch_parent" \
     "($(stat -f -c %T "$scratch_parent"))"

targets=${LAUNCHER_FUZZ_TARGETS:-$(cd build/fuzz/fuzz && ls -- *_fuzz | sed 's/_fuzz$//')}

corpus_size() {
  printf '%s files, %s bytes' "$(find "$1" -type f | wc -l)" \
         "$(find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')"
}

# Reads libFuzzer's output: the final statistics and the last status line.
final_figure() {
  sed -n "s/^stat::$2: *//p" "$1" | tail -n1
}
last_status() {
  grep -E '^#[0-9]+' "$1" | tail -n1 | grep -oE "$2: [0-9]+" | grep -oE '[0-9]+' || echo 0
}

found_crash=0
report=()
for target in $targets; do
  binary=build/fuzz/fuzz/${target}_fuzz
  corpus=$corpora/$target
  mkdir -p "$corpus" "$scratch/$target/new" "$scratch/$target/tmp"
  before=$(corpus_size "$corpus")
  log=$scratch/$target/run.log
  status=0
  TMPDIR=$scratch/$target/tmp ASAN_OPTIONS=detect_leaks=0 "$binary" \
      -max_total_time="$seconds" -timeout=5 -print_final_stats=1 \
      -artifact_prefix="$scratch/$target/" \
      "$scratch/$target/new" "$corpus" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    found_crash=1
    mkdir -p fuzz/findings
    cp "$scratch/$target"/crash-* "$scratch/$target"/timeout-* \
       "$scratch/$target"/oom-* fuzz/findings/ 2>/dev/null || true
    echo "fuzz: $target stopped with status $status; the end of its log:" >&2
    tail -n 30 "$log" >&2
  fi
  TMPDIR=$scratch/$target/tmp ASAN_OPTIONS=detect_leaks=0 "$binary" \
      -merge=1 "$corpus" "$scratch/$target/new" >"$scratch/$target/merge.log" 2>&1
  report+=("$(printf '%-20s %10s execs %7s exec/s  cov %5s  ft %6s  corpus %s -> %s' \
      "$target" "$(final_figure "$log" number_of_executed_units)" \
      "$(final_figure "$log" average_exec_per_sec)" \
      "$(last_status "$log" cov)" "$(last_status "$log" ft)" \
      "$before" "$(corpus_size "$corpus")")")
done

printf '%s\n' "${report[@]}"
exit "$found_crash"
