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
# Wine leaves processes running after the program (its server, services, the desktop window's
# process); they must not hold the caller's output open, or CTest waits for them forever. The
# program's output goes through files, shown once it has ended.
out=$(mktemp "$dir/run.XXXXXX")
status=0
wine "$@" </dev/null >"$out.stdout" 2>"$out.stderr" || status=$?
cat "$out.stdout"
cat "$out.stderr" >&2
rm -f "$out" "$out.stdout" "$out.stderr"
exit "$status"
