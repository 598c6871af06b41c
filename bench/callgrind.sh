#!/usr/bin/env bash
# Instructions per operation, counted by callgrind: deterministic, so a change
# can be judged without timing noise.
#
#   bench/callgrind.sh [--build DIR] [--count N] [--detail] [--tsv FILE] [OP...]
#
# Runs bench/callgrind_loop (built by the bench preset) once per operation
# under valgrind --tool=callgrind, collecting only inside the measured loop
# function, and prints the instructions per call, less the loop's own cost
# (the "empty" operation). With no OP, every operation of
# `callgrind_loop list`. --detail adds each operation's most expensive
# functions (self cost per call); --tsv writes "operation<TAB>instructions"
# lines for compare.sh. The library is the one the build folder holds:
# build it first (cmake --preset bench && cmake --build --preset bench).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench
count=2000
detail=0
tsv=""
ops=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --detail) detail=1; shift ;;
    --tsv) tsv="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    -*) echo "callgrind.sh: unknown option $1" >&2; exit 2 ;;
    *) ops+=("$1"); shift ;;
  esac
done

loop="$build/bench/callgrind_loop"
if [[ ! -x "$loop" ]]; then
  echo "callgrind.sh: $loop not found; build the bench preset first" >&2
  exit 1
fi
command -v valgrind >/dev/null || { echo "callgrind.sh: valgrind not found" >&2; exit 1; }
if ((${#ops[@]} == 0)); then
  mapfile -t ops < <("$loop" list | grep -v '^empty$')
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# count_of OP: total instructions collected in the measured function.
count_of() {
  local out="$work/$1.out"
  LD_BIND_NOW=1 valgrind --tool=callgrind --toggle-collect=orbi_bench_measured \
    --callgrind-out-file="$out" "$loop" "$1" "$count" >"$work/$1.log" 2>&1 || {
    echo "callgrind.sh: $1 failed:" >&2
    grep -v '^==' "$work/$1.log" >&2 || true
    return 1
  }
  awk '/^totals:/ {print $2}' "$out"
}

empty_total=$(count_of empty)
[[ -n "$tsv" ]] && : >"$tsv"
printf '%-28s %14s\n' operation "instr/op"
for op in "${ops[@]}"; do
  total=$(count_of "$op")
  per_op=$(awk -v t="$total" -v e="$empty_total" -v n="$count" \
    'BEGIN {printf "%.0f", (t - e) / n}')
  printf '%-28s %14s\n' "$op" "$per_op"
  [[ -n "$tsv" ]] && printf '%s\t%s\n' "$op" "$per_op" >>"$tsv"
  if ((detail)); then
    # Self cost per call of the costliest functions; file and object names
    # dropped so that no machine path is printed.
    callgrind_annotate --threshold=98 "$work/$op.out" 2>/dev/null |
      awk -v n="$count" '
        /file:function/ {body = 1; getline; next}
        body && /^ *[0-9,]+ / {
          ir = $1; gsub(",", "", ir)
          line = $0
          sub(/^ *[0-9,]+ \( *[0-9.]+%\) +/, "", line)
          sub(/ \[.*\]$/, "", line)
          sub(/^[^:]*:/, "", line)
          if (ir / n >= 1) printf "    %10.1f  %s\n", ir / n, line
          if (++shown == 8) exit
        }'
  fi
done
echo "(instructions per call in the measured loop, less the loop's own" \
  "$(awk -v e="$empty_total" -v n="$count" 'BEGIN {printf "%.0f", e / n}')" \
  "per call; $count calls each)"
