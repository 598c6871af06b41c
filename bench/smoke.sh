#!/usr/bin/env bash
# Smoke test of the benchmark programs: each runs with a minimal time, once as
# a one-thread process and once with --threaded (a thread started first, and
# the rows with several threads added: bench/bench_main.h), so that none can
# rot; no timing is judged. Fails when one of our programs crashes or reports
# an error; a peer program's error is only shown (a peer's behaviour on some
# machine is not ours to fix).
#
#   bench/smoke.sh [BUILD_DIR]     (default build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/bench}"

# Peers read this Kerberos configuration: no DNS lookups.
export KRB5_CONFIG="$PWD/bench/peers/krb5.conf"

failed=0
ran=0
run() {  # run PROGRAM STRICT [--threaded]
  local program="$1" strict="$2" mode="${3:-}" output
  local label="$program${mode:+ $mode}"
  ran=$((ran + 1))
  # Google Benchmark 1.7 reads --benchmark_min_time as seconds (a bare number).
  if ! output=$("$program" $mode --benchmark_min_time=0.001 2>&1); then
    echo "$output"
    echo "smoke: $label exited with an error"
    if ((strict)); then
      failed=1
    else
      echo "smoke: $label (peer) failed; not counted"
    fi
    return
  fi
  if grep -q "ERROR OCCURRED" <<<"$output"; then
    grep "ERROR OCCURRED" <<<"$output"
    if ((strict)); then
      echo "smoke: $label reported an error"
      failed=1
      return
    fi
    echo "smoke: $label (peer) reported an error; not counted"
  fi
  echo "smoke: $label ok ($(grep -c '^BM_' <<<"$output") rows)"
}

shopt -s nullglob
for mode in "" --threaded; do
  for program in "$build"/bench/*_benchmark; do run "$program" 1 $mode; done
  run "$build/bench/peers/floor_benchmark" 1 $mode
  for program in "$build"/bench/peers/*_benchmark; do
    [[ "$program" == */floor_benchmark ]] && continue
    run "$program" 0 $mode
  done
done

# The callgrind loop program: every operation a few times, natively, in both
# worlds.
loop="$build/bench/callgrind_loop"
for mode in "" --threaded; do
  for op in $("$loop" list); do
    ran=$((ran + 1))
    if ! "$loop" $mode "$op" 10; then
      echo "smoke: callgrind_loop $mode $op failed"
      failed=1
    fi
  done
done
echo "smoke: callgrind_loop ok (one-thread and --threaded)"

if ((ran == 0)); then
  echo "smoke: no benchmark program found under $build"
  exit 1
fi
exit "$failed"
