# shellcheck shell=bash
# Helpers for end-to-end tests that run Windows programs under Wine.
# Source this file; it only defines functions and variables.
#
#   wine_env_need_display "$0" "$@"   re-exec the caller under xvfb-run when
#                                     there is no X display (call it first)
#   wine_env_use PREFIX               select a prefix and quiet settings
#   wine_env_prepare PREFIX           wine_env_use + create the prefix once
#   wine_env_prepare_afresh PREFIX    the same after removing what was there
#   wine_env_run PROGRAM ARGS...      run a Windows program in the prefix
#   wine_env_windows_path UNIX_PATH   print the Z:\... path Wine maps to it
#   wine_env_stop                     end the prefix's wineserver and its
#                                     helper processes
#
# The caller names the Wine loader in WINE and the prefix's WINEARCH: the
# build tree of the edition under test sets them, for ctest and, through
# its wine_settings.sh, for the demo and the benchmarks. Its loader is
# Wine's own of that word size, not Debian's "wine" wrapper, which starts
# the 32-bit loader first and hangs where i386 code cannot run.
#
# Notes from running Wine 8.0 (Debian 12) here:
# - A prefix is created by "wineboot -i". Without the overrides below it
#   offers to download Wine Mono/Gecko in a dialog that nobody answers.
# - Wine's helper processes (services.exe, explorer.exe, winedevice.exe)
#   outlive the program that started them by a few seconds and inherit its
#   stdout/stderr: capture Wine output into files, never through a pipe or
#   $(...), or the reader waits for them too.
# - They also need the X display until they exit, so stop the wineserver
#   (wine_env_stop) before the Xvfb started by xvfb-run goes away.
# - The virtual desktop (1024x768) keeps every window inside one X window of
#   a known size, so screen coordinates do not depend on Xvfb's screen.

: "${WINE:?wine_env: WINE names no Wine loader; the build tree's settings set it}"
: "${WINEARCH:?wine_env: WINEARCH is not set; the build tree's settings set it}"
WINESERVER=${WINESERVER:-wineserver}

# Re-executes the calling script under a private Xvfb when DISPLAY is unset.
# Usage: wine_env_need_display "$0" "$@"
wine_env_need_display() {
  if [ -n "${DISPLAY:-}" ]; then
    return 0
  fi
  if [ -n "${WINE_ENV_IN_XVFB:-}" ]; then
    echo "wine_env: still no DISPLAY under xvfb-run" >&2
    exit 1
  fi
  if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "wine_env: no DISPLAY and no xvfb-run" >&2
    exit 1
  fi
  export WINE_ENV_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$@"
}

# Selects PREFIX for all following Wine calls of this shell.
wine_env_use() {
  export WINEPREFIX=$1
  export WINEDEBUG=${WINEDEBUG:--all}
  # Mono and Gecko are not needed and would prompt for a download.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}

# Creates and initialises PREFIX unless a previous run completed that.
# The marker is written last, so an interrupted creation is redone, and a
# lock keeps concurrent test runs from initialising the same prefix twice.
wine_env_prepare_afresh() {
  # A run that failed half-way may have left an immutable file behind.
  if [ -d "$1/drive_c/users" ]; then
    chattr -R -i "$1/drive_c/users" 2>/dev/null || true
  fi
  rm -rf "$1"
  wine_env_prepare "$1"
}

wine_env_prepare() {
  wine_env_use "$1"
  local marker=$WINEPREFIX/.wine_env_ready
  [ -f "$marker" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$marker" ] && exit 0
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i >"$WINEPREFIX.init.log" 2>&1 || exit 1
    # One virtual desktop instead of a window manager-less X screen.
    "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
      >>"$WINEPREFIX.init.log" 2>&1 || exit 1
    "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
      /d 1024x768 /f >>"$WINEPREFIX.init.log" 2>&1 || exit 1
    # The registry is only saved when the wineserver exits.
    "$WINESERVER" -w || exit 1
    touch "$marker"
  ) 9>"$WINEPREFIX.lock"
  local rc=$?
  if [ $rc -ne 0 ]; then
    echo "wine_env: creating $WINEPREFIX failed, see $WINEPREFIX.init.log" >&2
  fi
  return $rc
}

# Runs a Windows program (Unix or Windows path) in the selected prefix.
wine_env_run() {
  "$WINE" "$@"
}

# Prints the Windows path for an absolute Unix path, through drive Z:, which
# a default prefix maps to "/". Needs no Wine process, unlike winepath.
wine_env_windows_path() {
  local p=$1
  case $p in
    /*) ;;
    *) p=$PWD/$p ;;
  esac
  printf 'Z:%s\n' "${p//\//\\}"
}

# Ends every process of the selected prefix and waits until the wineserver
# has exited (it saves the registry on exit).
wine_env_stop() {
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  return 0
}
