#!/usr/bin/env bash
# End-to-end smoke run of one Windows executable under Wine in the test run's Xvfb display:
# start it, send keys with xdotool, check its exit status and debug log (ticks masked) or the
# harness flags it left in the registry.
#   smoke.sh WINE_DIR BIN_DIR vantor|vantor_stop|vantor1
# Keys are spaced 500 ms apart, well away from the programs' 130 ms and 200 ms windows: Wine
# runs in real time.
set -euo pipefail
wine_dir=$1
bin_dir=$2
program=$3
here=$(cd "$(dirname "$0")" && pwd)
run="$here/wine-run.sh"
export DISPLAY=":$(tr -d '\n' <"$wine_dir/display")"
work=$(mktemp -d "$wine_dir/smoke-$program.XXXXXX")

fail() {
  echo "FAIL ($program): $*" >&2
  exit 1
}

# Waits for the program's top-level window and gives it the keyboard focus.
focus_window() {
  local title=$1 window
  # Only once it is shown can it take the focus (a dialog exists before it is shown).
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -1) ||
    fail "no window titled '$title' was shown"
  for _ in 1 2 3 4 5; do
    xdotool windowfocus --sync "$window" 2>/dev/null && break
    sleep 0.5
  done
  sleep 0.5
}

keys() {
  for k in "$@"; do
    xdotool key "$k"
    sleep 0.5
  done
}

"$run" "$wine_dir" reg delete 'HKLM\System\State\Corvane' /f >/dev/null 2>&1 || true

case "$program" in
  vantor)
    "$run" "$wine_dir" "$bin_dir/vantor.exe" --log "$work/run.log" --until-ms 30000 \
      --foreign-window PLW_APP:Plenwick test &
    pid=$!
    focus_window Vantor
    keys a b
    # A second instance finds the first by its dialog class and title and leaves at once.
    "$run" "$wine_dir" "$bin_dir/vantor.exe" --log "$work/second.log" --until-ms 10000 test ||
      fail "second instance: exit status $?"
    sed -E 's/^\[[0-9]+\]/[T]/' "$work/second.log" >"$work/masked.log"
    printf '%s\r\n' '[T][Vantor] - V[20100625_01]' '[Vantor]line key forground ' \
      >"$work/expected.log"
    diff -u "$work/expected.log" "$work/masked.log" || fail "second instance's log differs"
    focus_window Vantor
    keys ctrl+q
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    sed -E 's/^\[[0-9]+\]/[T]/' "$work/run.log" >"$work/masked.log"
    printf '%s\r\n' \
      '[T][Vantor] - V[20100625_01]' \
      '[T][Vantor] - Country ID = 0x0000[0x0000] Screen[320/320]' \
      '[T][Vantor]OnKeyDown   char[0x0041:0x1E][01]' \
      '[T][Vantor]OnKeyUp char[0x0041:0x1E][01][A:1]' \
      '[T][Vantor]OnKeyDown   char[0x0042:0x30][01]' \
      '[T][Vantor]OnKeyUp char[0x0042:0x30][01][B:1]' \
      '[T][Vantor]OnKeyDown   char[0x0011:0x1D][01]' \
      '[Vantor]WM_DESTROY ' \
      '[T][Vantor]Return To PLWMain' >"$work/expected.log"
    diff -u "$work/expected.log" "$work/masked.log" || fail "debug log differs (above)"
    ;;
  vantor_stop)
    # No keys: stopped at --until-ms with status 3, the lines written so far kept.
    status=0
    "$run" "$wine_dir" "$bin_dir/vantor.exe" --log "$work/run.log" --until-ms 3000 \
      --screen 240x400 test || status=$?
    [ "$status" -eq 3 ] || fail "exit status $status, expected 3"
    sed -E 's/^\[[0-9]+\]/[T]/' "$work/run.log" >"$work/masked.log"
    printf '%s\r\n' \
      '[T][Vantor] - V[20100625_01]' \
      '[T][Vantor] - Country ID = 0x0000[0x0000] Screen[240/400]' >"$work/expected.log"
    diff -u "$work/expected.log" "$work/masked.log" || fail "debug log differs (above)"
    ;;
  vantor1)
    "$run" "$wine_dir" "$bin_dir/vantor1.exe" --until-ms 30000 &
    pid=$!
    focus_window pelmora_vantor
    keys a b Escape
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
    flags=$("$run" "$wine_dir" reg query 'HKLM\System\State\Corvane' /s | tr -d '\r')
    grep -Eq 'Vantor +REG_DWORD +0x0$' <<<"$flags" || fail "LCDTest is not 0: $flags"
    grep -Eq 'SimpleTest +REG_DWORD +0x2$' <<<"$flags" || fail "SimpleTest is not 2: $flags"
    ;;
  *)
    fail "unknown program"
    ;;
esac
rm -rf "$work"
echo "ok ($program)"
