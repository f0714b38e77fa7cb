#!/usr/bin/env bash
# The Wine prefix of one test run: `prefix.sh setup` creates and initialises
# WINEPREFIX afresh; `prefix.sh shutdown` ends its wineserver.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
case ${1:-} in
  setup)
    # A case that failed half-way may have left an immutable file behind.
    if [ -d "$WINEPREFIX/drive_c/users" ]; then
      chattr -R -i "$WINEPREFIX/drive_c/users" 2>/dev/null || true
    fi
    rm -rf "$WINEPREFIX"
    wine_env_prepare "$WINEPREFIX"
    ;;
  shutdown)
    wine_env_use "$WINEPREFIX"
    # Nothing to end is fine: the last test may have stopped the server.
    set +e
    wine_env_stop
    ;;
  *)
    echo "usage: prefix.sh setup|shutdown" >&2
    exit 2
    ;;
esac
