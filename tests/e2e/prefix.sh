#!/usr/bin/env bash
# The Wine prefix of one test run: `prefix.sh setup` creates and initialises
# WINEPREFIX afresh; `prefix.sh shutdown` ends its wineserver.
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"
case ${1:-} in
  setup)
    wine_env_prepare_afresh "$WINEPREFIX"
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
