#!/usr/bin/env bash
# The emulated handset's cost per key, for both programs' full 52-key passes (the scripts in
# scripts/keys/ without their screenshot lines; Vantor with the harness window present):
#
#   instructions per counted key   callgrind: (full pass - the same run with every press removed) / 52
#   allocations per counted key    valgrind's heap summary, the same difference
#   wall time, peak RSS            the whole full-pass process, best of RUNS (default 5)
#
# The difference also holds what the pass does once (the end of the test) and the reading of the
# 52 script lines, so a second pair of runs gives the key path alone: one key pressed 52 times
# (the pass never completes) against the same script with each press replaced by its hold time.
#
# Builds the two programs in the normal build (build/, RelWithDebInfo, the project's usual flags)
# and leaves the source tree as it was; scratch files go to a temporary folder.
#
#   scripts/measure-key-cost.sh            (RUNS=N for more or fewer wall-time runs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
runs="${RUNS:-5}"
keys=52

for tool in valgrind /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target vantor vantor1 >/dev/null

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# Instructions of one run (callgrind's total), its allocation count (memcheck's heap summary).
instructions() {
  valgrind --tool=callgrind --callgrind-out-file="$scratch/callgrind.out" "$@" >/dev/null 2>&1 || true
  awk '/^(summary|totals):/ { print $2; exit }' "$scratch/callgrind.out"
}
allocations() {
  valgrind --tool=memcheck --leak-check=no --log-file="$scratch/memcheck.out" "$@" \
    >/dev/null 2>&1 || true
  sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$scratch/memcheck.out" | tr -d ,
}
per_key() { awk -v a="$1" -v b="$2" -v n="$keys" 'BEGIN { printf "%.0f", (a - b) / n }'; }

# One program: measure NAME KEY_SCRIPT STEADY_KEY [OPTIONS AND COMMAND LINE WORDS...]
measure() {
  local name=$1 script=$2 key=$3
  shift 3
  local full="$scratch/$name-full.keys" idle="$scratch/$name-idle.keys"
  grep -v '^screenshot' "$script" >"$full"
  # Without the presses the pass message never comes, so there is nothing to answer either.
  grep -v -E '^(screenshot|press|answer)' "$script" >"$idle"
  local bin="$build/bin/$name" log="$scratch/run.log"

  local i_full i_idle a_full a_idle
  i_full=$(instructions "$bin" --headless --log "$log" --keys "$full" "$@")
  i_idle=$(instructions "$bin" --headless --log "$log" --keys "$idle" "$@")
  a_full=$(allocations "$bin" --headless --log "$log" --keys "$full" "$@")
  a_idle=$(allocations "$bin" --headless --log "$log" --keys "$idle" "$@")

  local best_us="" best_rss="" start end us rss r
  for ((r = 0; r < runs; r++)); do
    start=${EPOCHREALTIME/[.,]/}
    "$bin" --headless --log "$log" --keys "$full" "$@" >/dev/null 2>&1 || true
    end=${EPOCHREALTIME/[.,]/}
    us=$((end - start))
    if [ -z "$best_us" ] || [ "$us" -lt "$best_us" ]; then best_us=$us; fi
    /usr/bin/time -f '%M' -o "$scratch/rss" "$bin" --headless --log "$log" --keys "$full" "$@" \
      >/dev/null 2>&1 || true
    rss=$(tail -n 1 "$scratch/rss")
    if [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ]; then best_rss=$rss; fi
  done

  printf '%s (%s)\n' "$name" "$(basename "$script")"
  printf '  instructions per counted key  %s   (full %s, without presses %s)\n' \
    "$(per_key "$i_full" "$i_idle")" "$i_full" "$i_idle"
  printf '  allocations per counted key   %s   (full %s, without presses %s)\n' \
    "$(per_key "$a_full" "$a_idle")" "$a_full" "$a_idle"
  printf '  whole pass: wall %s ms, peak RSS %s KB   (best of %s runs)\n' \
    "$(awk -v u="$best_us" 'BEGIN { printf "%.1f", u / 1000 }')" "$best_rss" "$runs"

  local steady="$scratch/$name-steady.keys" still="$scratch/$name-still.keys" k
  {
    echo "wait 200"
    for ((k = 0; k < keys; k++)); do printf 'press %s\nwait 100\n' "$key"; done
  } >"$steady"
  sed 's/^press .*/wait 50/' "$steady" >"$still"
  i_full=$(instructions "$bin" --headless --log "$log" --keys "$steady" "$@")
  i_idle=$(instructions "$bin" --headless --log "$log" --keys "$still" "$@")
  a_full=$(allocations "$bin" --headless --log "$log" --keys "$steady" "$@")
  a_idle=$(allocations "$bin" --headless --log "$log" --keys "$still" "$@")
  printf '  key path alone (%s pressed %s times): %s instructions, %s allocations per key\n' \
    "$key" "$keys" "$(per_key "$i_full" "$i_idle")" "$(per_key "$a_full" "$a_idle")"
}

# The steady key: Vol Up for Vantor, Q for Vantor1.
measure vantor "$root/scripts/keys/vantor-full-pass.keys" 117 \
  --foreign-window PLW_APP:Plenwick test
measure vantor1 "$root/scripts/keys/vantor1-full-pass.keys" Q \
  --profile "$root/profiles/loopback-requested.reg"
echo "load while measuring: $(uptime | sed 's/.*load average: //')"
