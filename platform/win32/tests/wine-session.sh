#!/usr/bin/env bash
# The Wine session of one test run: a private Xvfb display and a fresh Wine prefix in DIR.
#   wine-session.sh start DIR   (CTest fixture setup)
#   wine-session.sh stop DIR    (CTest fixture cleanup)
set -euo pipefail
action=$1
dir=$2
export WINEPREFIX="$dir/prefix" WINEDEBUG=-all
# No runtime installers: the programs need neither .NET nor an HTML engine.
export WINEDLLOVERRIDES="mscoree,mshtml="

stop_session() {
  if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
}

case "$action" in
  start)
    stop_session
    rm -rf "$dir"
    mkdir -p "$dir"
    # Xvfb picks a free display itself and writes its number: several runs may share the host.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
      [ -s "$dir/display" ] && break
      sleep 0.1
    done
    if [ ! -s "$dir/display" ]; then
      echo "Xvfb did not start (see $dir/xvfb.log)" >&2
      exit 1
    fi
    export DISPLAY=":$(tr -d '\n' <"$dir/display")"
    wineboot -i >"$dir/wineboot.log" 2>&1
    wineserver -w
    # Kept running for the whole session: each test's Wine start then takes a fraction of a
    # second instead of several.
    wineserver -p </dev/null >>"$dir/wineboot.log" 2>&1
    # The session's services start now rather than under the first test.
    wine cmd /c exit </dev/null >>"$dir/wineboot.log" 2>&1
    echo "Wine prefix $WINEPREFIX on display $DISPLAY"
    ;;
  stop)
    stop_session
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
