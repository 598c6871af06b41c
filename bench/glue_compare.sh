#!/usr/bin/env bash
# The glue rows (glue_benchmark) of the ORBI module, the floor module and
# Kerberos side by side, with ORBI's ratio to the floor, in both worlds
# (one-thread and --threaded, bench/bench_main.h).
#
#   bench/glue_compare.sh [--build DIR] [--rounds N] [--min-time SECONDS]
#
#   --build DIR      build folder of the bench preset (default build/bench)
#   --rounds N       rounds, for medians (default 5)
#   --min-time S     minimal time of one row in one round (default 0.5)
#
# Each mechanism's rows run in a process of their own: a module that the
# glue has loaded stays loaded, and the glue's gss_release_oid asks every
# loaded module's gss_internal_release_oid about each OID it releases, so a
# /floor or /krb5 row run after an /orbi row in one process pays ORBI's
# answer too. A module's process gets a configuration that lists that
# module alone (glue_mechs.orbi.conf, glue_mechs.floor.conf), so that the
# glue's walk of its mechanism list costs both modules the same. A round
# runs the three processes in each world, pinned to one core (taskset -c 1,
# when taskset is there); the table shows the medians over the rounds of
# CPU time per operation, in ns.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench
rounds=5
min_time=0.5
while (($#)); do
  case "$1" in
    --build) build="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --min-time) min_time="$2"; shift 2 ;;
    -h|--help) sed -n '2,21p' "$0"; exit 0 ;;
    *) echo "glue_compare.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

program="$build/bench/glue_benchmark"
if [[ ! -x "$program" ]]; then
  echo "glue_compare.sh: $program not found; build the bench preset first" >&2
  exit 1
fi
pin=()
command -v taskset >/dev/null 2>&1 && pin=(taskset -c 1)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for ((round = 1; round <= rounds; round++)); do
  echo "glue_compare.sh: round $round of $rounds (load $(uptime | sed 's/.*load average: //'))" >&2
  for mech in orbi floor krb5; do
    for mode in one threaded; do
      flag=()
      [[ "$mode" == threaded ]] && flag=(--threaded)
      # A module's rows with that module alone in the glue's list; the
      # Kerberos rows with both listed, as glue_benchmark runs by default.
      config="$build/bench/glue_mechs.conf"
      [[ "$mech" != krb5 ]] && config="$build/bench/glue_mechs.$mech.conf"
      GSS_MECH_CONFIG="$config" \
      "${pin[@]}" "$program" "${flag[@]}" --benchmark_filter="/$mech\$" \
        --benchmark_min_time="$min_time" \
        --benchmark_out="$out/$mech.$mode.r$round.json" \
        --benchmark_out_format=json >"$out/log" 2>&1 || {
        cat "$out/log" >&2
        echo "glue_compare.sh: glue_benchmark /$mech ($mode) failed" >&2
        exit 1
      }
    done
  done
done

python3 - "$out" <<'EOF'
import glob, json, os, re, statistics, sys

times = {}  # (row, mech, mode) -> [ns]
for path in glob.glob(os.path.join(sys.argv[1], "*.json")):
    mech, mode = os.path.basename(path).split(".")[:2]
    for b in json.load(open(path))["benchmarks"]:
        if b.get("error_occurred") or b.get("run_type") == "aggregate":
            continue
        row = b["name"].rsplit("/", 1)[0]
        scale = {"ns": 1, "us": 1e3, "ms": 1e6}[b["time_unit"]]
        times.setdefault((row, mech, mode), []).append(b["cpu_time"] * scale)

def median(row, mech, mode):
    values = times.get((row, mech, mode))
    return statistics.median(values) if values else None

def fmt(value):
    if value is None:
        return "—"
    return f"{value:,.0f}" if value >= 100 else f"{value:.1f}"

def pair(a, b, form=fmt):
    return f"{form(a)} / {form(b)}"

def ratio(a, b):
    return None if a is None or b is None else a / b

rows = sorted({r for r, _, _ in times}, key=lambda r: [
    "BM_GlueImportCanonExportRelease", "BM_GlueImportTokenRelease",
    "BM_GlueDisplay", "BM_GlueInquireName",
    "BM_GlueReadEntryAttributes"].index(r) if r.startswith("BM_Glue") else 9)
print("| row | orbi | floor | krb5 | orbi / floor |")
print("|---|---|---|---|---|")
for row in rows:
    cells = {m: (median(row, m, "one"), median(row, m, "threaded"))
             for m in ("orbi", "floor", "krb5")}
    ratios = tuple(ratio(cells["orbi"][i], cells["floor"][i]) for i in (0, 1))
    print(f"| {row} | {pair(*cells['orbi'])} | {pair(*cells['floor'])} | "
          f"{pair(*cells['krb5'])} | "
          f"{pair(*ratios, form=lambda r: '—' if r is None else f'{r:.2f}x')} |")
EOF
