#!/usr/bin/env bash
# Runs scenario files: every *.keys file under the folders given (default: scenarios/), in
# parallel on all cores, each with the program and options its first comment lines name. Prints
# one line per scenario and a closing line "N passed, N failed"; exits 1 when one failed.
#
#   scripts/run-scenarios.sh [--junit FILE] [--bin DIR] [DIR...]
#
#   --junit FILE   one JUnit file with every scenario's test suite
#   --bin DIR      where the programs are (default: build/bin)
#
# A scenario's first comment lines may name its program and options:
#   # program: vantor1
#   # options: --screen 240x400 --profile ../profiles/german.reg test
# The program runs in the scenario's folder (relative paths are relative to it); the words
# after the options are its command line. This script adds --log and --junit itself. A scenario
# passes when the program exits 0: with expect lines, when they all hold.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
junit=""
dirs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --junit) junit="${2:?--junit needs a file}"; shift 2 ;;
    --bin) bin="${2:?--bin needs a folder}"; shift 2 ;;
    -h | --help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) dirs+=("$1"); shift ;;
  esac
done
[ ${#dirs[@]} -gt 0 ] || dirs=("$root/scenarios")
bin="$(cd "$bin" && pwd)"

files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "${dirs[@]}" -name '*.keys' -type f -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
  echo "no *.keys files in ${dirs[*]}" >&2
  exit 2
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One scenario: run_one INDEX FILE; leaves INDEX.status, INDEX.err, INDEX.xml in $work.
run_one() {
  local index="$1" file="$2" program=vantor options=() line words
  while IFS= read -r line; do
    line="${line%$'\r'}"
    case "$line" in
      '#'*) ;;
      *) break ;;
    esac
    if [[ "$line" =~ ^#[[:space:]]*program:[[:space:]]*([^[:space:]]+) ]]; then
      program="${BASH_REMATCH[1]}"
    elif [[ "$line" =~ ^#[[:space:]]*options:(.*)$ ]]; then
      read -ra words <<<"${BASH_REMATCH[1]}"
      options+=("${words[@]}")
    fi
  done <"$file"
  local status=0
  if [ "$program" != vantor ] && [ "$program" != vantor1 ]; then
    echo "unknown program '$program' (vantor or vantor1)" >"$work/$index.err"
    status=2
  else
    (cd "$(dirname "$file")" &&
      "$bin/$program" --headless --keys "$(basename "$file")" --log "$work/$index.log" \
        --junit "$work/$index.xml" "${options[@]}") >/dev/null 2>"$work/$index.err" || status=$?
  fi
  echo "$status" >"$work/$index.status"
}
export -f run_one
export work bin

jobs=$(nproc 2>/dev/null || echo 2)
for i in "${!files[@]}"; do printf '%s\0%s\0' "$i" "${files[$i]}"; done |
  xargs -0 -n 2 -P "$jobs" bash -c 'run_one "$1" "$2"' _

passed=0
failed=0
for i in "${!files[@]}"; do
  name="${files[$i]#"$root/"}"
  status="$(cat "$work/$i.status")"
  if [ "$status" = 0 ]; then
    passed=$((passed + 1))
    echo "PASS  $name"
  else
    failed=$((failed + 1))
    first="$(head -n 1 "$work/$i.err")"
    more=$(($(wc -l <"$work/$i.err") - 1))
    [ "$more" -gt 0 ] && first="$first (and $more more)"
    echo "FAIL  $name: exit $status${first:+: $first}"
  fi
done

if [ -n "$junit" ]; then
  xml_escape() {
    local s="${1//&/&amp;}"
    s="${s//</&lt;}"
    s="${s//>/&gt;}"
    printf '%s' "${s//\"/&quot;}"
  }
  {
    echo '<?xml version="1.0" encoding="UTF-8"?>'
    echo '<testsuites>'
    for i in "${!files[@]}"; do
      package="$(xml_escape "${files[$i]#"$root/"}")"
      if [ -s "$work/$i.xml" ]; then
        # The runner's suite (written by its XML library), named by its scenario.
        tail -n +2 "$work/$i.xml" | sed "1s|^<testsuite |<testsuite package=\"$package\" id=\"$i\" |"
      else
        # No run to report (bad options or key script): the scenario's error as the suite.
        message="$(xml_escape "$(head -n 1 "$work/$i.err")")"
        echo "<testsuite package=\"$package\" id=\"$i\" name=\"$package\" tests=\"1\" failures=\"0\" errors=\"1\" time=\"0\" timestamp=\"$(date -u +%Y-%m-%dT%H:%M:%S)\" hostname=\"$(hostname)\">"
        echo "    <properties/>"
        echo "    <testcase name=\"run\" classname=\"$package\" time=\"0\"><error message=\"$message\" type=\"exit $(cat "$work/$i.status")\"/></testcase>"
        echo "    <system-out/>"
        echo "    <system-err/>"
        echo "</testsuite>"
      fi
    done
    echo '</testsuites>'
  } >"$junit"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
