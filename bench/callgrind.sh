#!/usr/bin/env bash
# Instructions per operation, counted by callgrind: deterministic, so a change
# can be judged without timing noise.
#
#   bench/callgrind.sh [--build DIR] [--count N] [--mode one|threaded|both]
#                      [--detail] [--tsv FILE] [OP...]
#
# Runs bench/callgrind_loop (built by the bench preset) under valgrind
# --tool=callgrind, collecting only inside the measured loop function, and
# prints the instructions per call, less the loop's own cost (the "empty"
# operation). Each operation is counted in a one-thread process and in one
# that has started a thread (callgrind_loop --threaded: the locks' atomic
# path); --mode picks one of them (default both). With no OP, every
# operation of `callgrind_loop list`. --detail adds each operation's most
# expensive functions (self cost per call); --tsv writes
# "operation<TAB>one-thread<TAB>threaded" lines for compare.sh ("-" for a
# mode not counted). The library is the one the build folder holds: build it
# first (cmake --workflow --preset bench).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench
count=2000
mode=both
detail=0
tsv=""
ops=()
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --mode) mode="$2"; shift 2 ;;
    --detail) detail=1; shift ;;
    --tsv) tsv="$2"; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
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
case "$mode" in
  one) modes=(one) ;;
  threaded) modes=(threaded) ;;
  both) modes=(one threaded) ;;
  *) echo "callgrind.sh: --mode is one, threaded or both" >&2; exit 2 ;;
esac
if ((${#ops[@]} == 0)); then
  mapfile -t ops < <("$loop" list | grep -v '^empty$')
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# count_of OP MODE: total instructions collected in the measured function.
count_of() {
  local out="$work/$1.$2.out" flag=()
  [[ "$2" == threaded ]] && flag=(--threaded)
  LD_BIND_NOW=1 valgrind --tool=callgrind --toggle-collect=orbi_bench_measured \
    --callgrind-out-file="$out" "$loop" "${flag[@]}" "$1" "$count" \
    >"$work/$1.$2.log" 2>&1 || {
    echo "callgrind.sh: $1 ($2) failed:" >&2
    grep -v '^==' "$work/$1.$2.log" >&2 || true
    return 1
  }
  awk '/^totals:/ {print $2}' "$out"
}

declare -A empty_total
for m in "${modes[@]}"; do empty_total[$m]=$(count_of empty "$m"); done
[[ -n "$tsv" ]] && : >"$tsv"
printf '%-28s %12s %12s\n' operation "one-thread" "threaded"
for op in "${ops[@]}"; do
  declare -A per_op=([one]=- [threaded]=-)
  for m in "${modes[@]}"; do
    total=$(count_of "$op" "$m")
    per_op[$m]=$(awk -v t="$total" -v e="${empty_total[$m]}" -v n="$count" \
      'BEGIN {printf "%.0f", (t - e) / n}')
  done
  printf '%-28s %12s %12s\n' "$op" "${per_op[one]}" "${per_op[threaded]}"
  [[ -n "$tsv" ]] &&
    printf '%s\t%s\t%s\n' "$op" "${per_op[one]}" "${per_op[threaded]}" >>"$tsv"
  if ((detail)); then
    for m in "${modes[@]}"; do
      echo "  $m:"
      # Self cost per call of the costliest functions; file and object names
      # dropped so that no machine path is printed.
      callgrind_annotate --threshold=98 "$work/$op.$m.out" 2>/dev/null |
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
    done
  fi
done
echo "(instructions per call in the measured loop, less the loop's own" \
  "$(awk -v e="${empty_total[${modes[0]}]}" -v n="$count" 'BEGIN {printf "%.0f", e / n}')" \
  "per call; $count calls each)"
