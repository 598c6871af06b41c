#!/usr/bin/env bash
# Smoke test of the benchmark programs: each runs once with a minimal time, so
# that none can rot; no timing is judged. Fails when one of our programs
# crashes or reports an error; a peer program's error is only shown (a peer's
# behaviour on some machine is not ours to fix).
#
#   bench/smoke.sh [BUILD_DIR]     (default build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/bench}"

# Peers read this Kerberos configuration: no DNS lookups.
export KRB5_CONFIG="$PWD/bench/peers/krb5.conf"

failed=0
ran=0
run() {  # run PROGRAM STRICT
  local program="$1" strict="$2" output
  ran=$((ran + 1))
  # Google Benchmark 1.7 reads --benchmark_min_time as seconds (a bare number).
  if ! output=$("$program" --benchmark_min_time=0.001 2>&1); then
    echo "$output"
    echo "smoke: $program exited with an error"
    failed=1
    return
  fi
  if grep -q "ERROR OCCURRED" <<<"$output"; then
    grep "ERROR OCCURRED" <<<"$output"
    if ((strict)); then
      echo "smoke: $program reported an error"
      failed=1
      return
    fi
    echo "smoke: $program (peer) reported an error; not counted"
  fi
  echo "smoke: $program ok ($(grep -c '^BM_' <<<"$output") rows)"
}

shopt -s nullglob
for program in "$build"/bench/*_benchmark; do run "$program" 1; done
run "$build/bench/peers/floor_benchmark" 1
for program in "$build"/bench/peers/*_benchmark; do
  [[ "$program" == */floor_benchmark ]] && continue
  run "$program" 0
done

# The callgrind loop program: every operation a few times, natively.
loop="$build/bench/callgrind_loop"
for op in $("$loop" list); do
  ran=$((ran + 1))
  if ! "$loop" "$op" 10; then
    echo "smoke: callgrind_loop $op failed"
    failed=1
  fi
done
echo "smoke: callgrind_loop ok"

if ((ran == 0)); then
  echo "smoke: no benchmark program found under $build"
  exit 1
fi
exit "$failed"
