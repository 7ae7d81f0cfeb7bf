#!/usr/bin/env bash
# Runs a Windows executable under Wine in the session that wine-session.sh started in DIR.
#   wine-run.sh DIR PROGRAM.exe [ARGS...]
set -euo pipefail
dir=$1
shift
if [ ! -s "$dir/display" ]; then
  echo "no Wine session in $dir (run the wine_setup test first)" >&2
  exit 1
fi
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all DISPLAY=":$(tr -d '\n' <"$dir/display")"
exec wine "$@"
