#!/usr/bin/env bash
# End-to-end test of box_watcher under Wine, using show_box as the program
# that shows message boxes.
#
# Usage: box_watcher_test.sh <box_watcher.exe> <show_box.exe>
#
# Builds nothing. Starts its own Xvfb when DISPLAY is unset. The prefix is
# BOX_WATCHER_TEST_PREFIX, else WINEPREFIX, else
# /tmp/box-watcher-test-prefix; it is created on first use and kept, because
# creating one takes from seconds to minutes. Its wineserver is stopped at
# the end, while this script's display still exists.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source-path=SCRIPTDIR source=wine_env.sh
source "$here/wine_env.sh"
wine_env_need_display "$0" "$@"

if [ $# -ne 2 ] || [ ! -f "$1" ] || [ ! -f "$2" ]; then
  echo "usage: $0 <box_watcher.exe> <show_box.exe>" >&2
  exit 2
fi
watcher_exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
show_exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")

# Known texts give known bytes only in a single-byte ANSI code page.
export LC_ALL=C.UTF-8

failures=0
checks=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }
expect_eq() { # what actual expected
  if [ "$2" == "$3" ]; then pass; else fail "$1: got '$2', want '$3'"; fi
}

work=$(mktemp -d /tmp/box-watcher-test.XXXXXX)
declare -A watcher_pid=()
cleanup() {
  local pid
  for pid in "${watcher_pid[@]}"; do kill "$pid" 2>/dev/null; done
  wine_env_stop
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept $work"; fi
}
trap cleanup EXIT

prefix=${BOX_WATCHER_TEST_PREFIX:-${WINEPREFIX:-/tmp/box-watcher-test-prefix}}
start=$SECONDS
wine_env_prepare "$prefix" || exit 1
echo "prefix ready in $((SECONDS - start)) s"
cd "$work" || exit 1

# Prints the value of KEY from a journal LINE, still escaped.
field() {
  local line=$1 key=$2 part
  local -a parts
  IFS=$'\t' read -r -a parts <<<"$line"
  for part in "${parts[@]}"; do
    if [ "${part%%=*}" == "$key" ]; then
      printf '%s' "${part#*=}"
      return 0
    fi
  done
  return 1
}

# Hex dump of the bytes an escaped journal value stands for.
decoded_hex() { printf '%b' "$1" | od -An -v -tx1 | tr -d ' \n'; }
raw_hex() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }

# Starts a watcher in the background: NAME [title] [limit]. Its journal is
# $work/NAME.journal, its stop file $work/stop.NAME, its stdout NAME.out.
start_watcher() {
  local name=$1
  shift
  wine_env_run "$watcher_exe" "$(wine_env_windows_path "$work/$name.journal")" \
    "$(wine_env_windows_path "$work/stop.$name")" "$@" >"$work/$name.out" 2>&1 &
  watcher_pid[$name]=$!
  # Boxes stay open until dismissed, so no wait is needed for correctness;
  # waiting for the journal only makes the timings below meaningful.
  local _
  for _ in $(seq 1 200); do
    [ -e "$work/$name.journal" ] && return 0
    sleep 0.1
  done
  fail "watcher $name did not create its journal"
}

# Waits at most SECONDS for watcher NAME; sets watcher_rc to its exit
# status, or "hung" (then kills it).
wait_watcher() {
  local name=$1 limit=$2 _
  local pid=${watcher_pid[$name]}
  for _ in $(seq 1 $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      watcher_rc=$?
      return
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  watcher_rc=hung
}

stop_watcher() {
  touch "$work/stop.$1"
  wait_watcher "$1" 20
}

# Runs show_box with a time limit, so a box nobody dismisses fails the test
# instead of hanging it. Output in $work/show.N.out; sets show_rc. show_box
# prints a line before its box, so a run that printed nothing, or only what
# start.exe prints for a program Wine could not start, never ran: Wine now
# and then fails to start a program (see program_run.py), and it is started
# again, three starts at most.
show_count=0
run_show() {
  show_count=$((show_count + 1))
  local t0 out=$work/show.$show_count.out attempt
  t0=$(now_ms)
  for attempt in 1 2 3; do
    timeout 60 "$WINE" "$show_exe" "$@" >"$out" 2>&1
    show_rc=$?
    if [ -s "$out" ] && ! grep -q 'ShellExecuteEx failed' "$out"; then
      break
    fi
    echo "show_box run $show_count: Wine failed to start it (attempt $attempt)"
  done
  echo "show_box run $show_count: exit $show_rc in $(($(now_ms) - t0)) ms"
}
show_value() { # KEY from the diagnostic line of the last show_box run
  grep -o "$1=[^ ]*" "$work/show.$show_count.out" | head -n1 | cut -d= -f2 |
    cut -d'(' -f1
}

journal_line() { sed -n "${2}p" "$work/$1.journal"; }
# Last line a watcher printed; the CRT writes CRLF to a console handle.
last_output() { tail -n1 "$work/$1.out" | tr -d '\r'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Wine prints handles as %p, zero-padded upper-case hex; the journal uses
# 0x-prefixed lower-case hex.
as_journal_hex() { printf '0x%x' "$((16#$1))"; }

echo "== text, title, buttons and icon of a box without owner"
# Line feeds, a tab, a backslash, a '|', a CR and a byte above 0x7F must all
# come back byte for byte.
text_arg='Line one\nLine two\twith tab \\ back|slash\r\nend \xe4'
text_raw=$'Line one\nLine two\twith tab \\ back|slash\r\nend \xe4'
start_watcher main
run_show "$text_arg" Sheltra 0x10
expect_eq "show_box exit (IDOK)" "$show_rc" 1
line=$(journal_line main 1)
expect_eq "seq" "$(field "$line" seq)" 1
expect_eq "title" "$(field "$line" title)" Sheltra
expect_eq "text bytes" "$(decoded_hex "$(field "$line" text)")" \
  "$(raw_hex "$text_raw")"
expect_eq "journal is ASCII" "$(LC_ALL=C grep -c '[^ -~	]' "$work/main.journal")" 0
expect_eq "buttons" "$(field "$line" buttons)" OK
expect_eq "default button" "$(field "$line" default)" OK
expect_eq "icon" "$(field "$line" icon)" hand
expect_eq "owner" "$(field "$line" owner)" 0x0
expect_eq "owner_pid" "$(field "$line" owner_pid)" 0
expect_eq "pid" "$(field "$line" pid)" "$(show_value pid)"
expect_eq "pressed" "$(field "$line" pressed)" 1

echo "== standard icons and no icon, several boxes in one session"
for case in 0x20:question 0x30:exclamation 0x40:asterisk 0x0:none; do
  run_show "Icon ${case#*:}" Sheltra "${case%%:*}"
  expect_eq "exit for ${case#*:}" "$show_rc" 1
done
for n in 2 3 4 5; do
  line=$(journal_line main $n)
  expect_eq "seq of box $n" "$(field "$line" seq)" $n
  want=$(field "$line" text)
  expect_eq "icon of '$want'" "$(field "$line" icon)" "${want#Icon }"
done

echo "== owner: own window passed explicitly, foreground window, none"
run_show --owner=window 'Owned box' Sheltra 0x30
expect_eq "exit owned" "$show_rc" 1
own=$(show_value window)
line=$(journal_line main 6)
expect_eq "owner is own window" "$(field "$line" owner)" "$(as_journal_hex "$own")"
expect_eq "owner_pid is own pid" "$(field "$line" owner_pid)" "$(show_value pid)"
expect_eq "owner_title" "$(field "$line" owner_title)" "show_box window"
expect_eq "owned box is foreground" "$(field "$line" foreground)" yes

# The program under test passes its foreground window: that only yields an
# owner if Wine lets a new process bring its own window to the foreground.
run_show --window --owner=fg 'Foreground-owned box' Sheltra 0x40
expect_eq "exit fg" "$show_rc" 1
expect_eq "own window became foreground" "$(show_value fg_is_own)" 1
line=$(journal_line main 7)
expect_eq "fg owner is own window" "$(field "$line" owner)" \
  "$(as_journal_hex "$(show_value window)")"

# With a NULL owner the box stays unowned even when the program has a
# foreground window of its own.
run_show --window --owner=none 'Unowned box' Sheltra 0x40
expect_eq "exit unowned" "$show_rc" 1
line=$(journal_line main 8)
expect_eq "no owner despite own window" "$(field "$line" owner)" 0x0

echo "== title filter: a second watcher handles only its own title"
# The box stays open until the main watcher has certainly looked at it;
# only then does a watcher for its title start and dismiss it.
show_count=$((show_count + 1))
timeout 60 "$WINE" "$show_exe" 'Not ours' Other 0x0 \
  >"$work/show.$show_count.out" 2>&1 &
other_show=$!
for _ in $(seq 1 200); do
  grep -q 'ignoring dialog "Other"' "$work/main.out" && break
  sleep 0.1
done
if grep -q 'ignoring dialog "Other"' "$work/main.out"; then pass; else
  fail "main watcher did not notice and skip the box titled Other"
fi
start_watcher other Other
wait "$other_show"
expect_eq "exit other" "$?" 1
expect_eq "main journal still 8 boxes" "$(wc -l <"$work/main.journal")" 8
line=$(journal_line other 1)
expect_eq "other watcher's title" "$(field "$line" title)" Other
expect_eq "other watcher's text" "$(field "$line" text)" "Not ours"
stop_watcher other
expect_eq "other stopped by stop file" "$watcher_rc" 0
expect_eq "other box count" "$(last_output other)" \
  "box_watcher: 1 box(es) seen (stop file)"

t0=$(now_ms)
stop_watcher main
expect_eq "main stopped by stop file" "$watcher_rc" 0
expect_eq "main box count" "$(last_output main)" \
  "box_watcher: 8 box(es) seen (stop file)"
echo "watcher stopped $(($(now_ms) - t0)) ms after the stop file"

echo "== no box: time limit ends the watcher"
t0=$SECONDS
start_watcher idle Sheltra 3
wait_watcher idle 30
took=$((SECONDS - t0))
expect_eq "idle exit (time limit)" "$watcher_rc" 2
expect_eq "idle box count" "$(last_output idle)" \
  "box_watcher: 0 box(es) seen (time limit)"
expect_eq "idle journal empty" "$(wc -c <"$work/idle.journal")" 0
if [ "$took" -ge 3 ] && [ "$took" -le 20 ]; then pass; else
  fail "idle watcher took $took s for a 3 s limit"
fi

echo "== dialogs the watchers skipped (only \"Other\" is expected)"
grep -h "ignoring dialog" "$work"/*.out | tr -d '\r'

echo "$checks checks passed, $failures failed"
[ "$failures" -eq 0 ]
