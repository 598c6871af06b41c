#!/usr/bin/env bash
# Builds and runs our benchmarks and the peers' in one go and prints one
# table: per operation, our median, each peer's, and the ratio of ours to the
# fastest peer and to the floor. Writes the tables, the machine and the
# command into bench/RESULTS.md (between its generated markers) and the
# scaling curves into bench/scaling.png.
#
#   bench/compare.sh [--install-peers] [--repetitions N] [--min-time SECONDS]
#                    [--build DIR] [--no-callgrind] [--no-results]
#
#   --install-peers  install what is missing (the peers' development packages
#                    libkrb5-dev, libgss-dev, heimdal-multidev, libssl-dev, the
#                    build tools, valgrind, python3-matplotlib) with apt-get
#   --repetitions N  rounds: every program runs N times, for medians (default 5)
#   --min-time S     minimal time of one row in one round, seconds (default 0.2)
#   --build DIR      build folder of the bench preset (default build/bench)
#   --no-callgrind   skip the instruction counts (bench/callgrind.sh)
#   --no-results     print the table only; leave RESULTS.md and the plot alone
#
# Every program runs in two worlds (bench/bench_main.h): as a one-thread
# process, and with --threaded (a thread started and joined first, so every
# lock takes its atomic path); the table shows both. Both runs are pinned to
# one core (taskset -c 1, when taskset is there) so that no row migrates
# between cores; the rows that run two threads of their own (BM_Shared*,
# --threaded only) run unpinned, in a third run, since they measure two
# cores meeting on one lock.
#
# Peer programs are built only for the packages present. Kerberos stays off
# the network: every name carries its realm and KRB5_CONFIG points at
# bench/peers/krb5.conf, which turns DNS lookups off.
set -euo pipefail
cd "$(dirname "$0")/.."

install_peers=0
repetitions=5
min_time=0.2
build=build/bench
callgrind=1
results=1
command_line="bench/compare.sh${*:+ $*}"
while (($#)); do
  case "$1" in
    --install-peers) install_peers=1; shift ;;
    --repetitions) repetitions="$2"; shift 2 ;;
    --min-time) min_time="$2"; shift 2 ;;
    --build) build="$2"; shift 2 ;;
    --no-callgrind) callgrind=0; shift ;;
    --no-results) results=0; shift ;;
    -h|--help) sed -n '2,32p' "$0"; exit 0 ;;
    *) echo "compare.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

# A python3 that has matplotlib, when there is one (the Debian package
# installs it for the system's python3, which may not be first on PATH).
find_plot_python() {
  local candidate
  for candidate in python3 /usr/bin/python3; do
    if command -v "$candidate" >/dev/null 2>&1 &&
      "$candidate" -c "import matplotlib" >/dev/null 2>&1; then
      echo "$candidate"
      return 0
    fi
  done
  return 1
}

if ((install_peers)); then
  need=()
  for pkg in libkrb5-dev libgss-dev heimdal-multidev libssl-dev \
    libbenchmark-dev cmake ninja-build g++ pkg-config valgrind python3; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
  done
  if ! find_plot_python >/dev/null; then
    dpkg -s python3-matplotlib >/dev/null 2>&1 || need+=(python3-matplotlib)
  fi
  if ((${#need[@]})); then
    echo "compare.sh: installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${need[@]}"
  fi
fi

# Build ours (the bench preset: Release, tests off) and the peer programs
# whose packages are present.
cmake --preset bench -B "$build" >/dev/null
cmake --build "$build" -j2

export KRB5_CONFIG="$PWD/bench/peers/krb5.conf"
out="$build/compare"
rm -rf "$out"
mkdir -p "$out"

{
  echo "CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores" \
    "(nproc); hypervisor: $(lscpu | sed -n 's/^Hypervisor vendor: *//p' | head -1)"
  echo "memory: $(free -g | awk '/^Mem:/ {print $2}') GiB;" \
    "OS: $(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "compiler: $(c++ --version | head -1)"
  for pkg in libbenchmark-dev libkrb5-dev heimdal-multidev libgss-dev libssl-dev; do
    version=$(dpkg-query -W -f='${Version}' "$pkg" 2>/dev/null || true)
    echo "$pkg: ${version:-absent}"
  done
  echo "load before the run: $(uptime | sed 's/.*load average/load average/')"
  echo "started: $(date -u '+%Y-%m-%d %H:%M UTC')"
} >"$out/machine.txt"

# The runs go round by round: each round runs every program once (one
# repetition of every row), ours first, then the peers and the floor, with
# the rows of a program in random order. A burst of load from elsewhere on a
# shared machine then lands on one round of every program rather than on all
# repetitions of a few, and the medians over the rounds compare programs
# measured at the same times.
programs=()
for program in "$build"/bench/*_benchmark "$build"/bench/peers/*_benchmark; do
  [[ -x "$program" ]] && programs+=("$program")
done
pin=()
command -v taskset >/dev/null 2>&1 && pin=(taskset -c 1)
shared='^BM_Shared'
run_one() {  # run_one OUTPUT_STEM COMMAND...: one run into its JSON
  local stem="$1"
  shift
  "$@" \
    --benchmark_min_time="$min_time" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_out="$out/$stem.json" \
    --benchmark_out_format=json >"$out/$stem.txt" 2>&1 || {
    echo "compare.sh: $stem failed; its output:" >&2
    cat "$out/$stem.txt" >&2
    exit 1
  }
}
for ((round = 1; round <= repetitions; round++)); do
  echo "compare.sh: round $round of $repetitions"
  echo "load at round $round: $(uptime | sed 's/.*load average: //')" >>"$out/machine.txt"
  for program in "${programs[@]}"; do
    name=$(basename "$program")
    run_one "$name.r$round" "${pin[@]}" "$program"
    run_one "$name.threaded.r$round" "${pin[@]}" "$program" --threaded \
      --benchmark_filter="-$shared"
    if "$program" --threaded --benchmark_list_tests \
      --benchmark_filter="$shared" 2>/dev/null | grep -q .; then
      run_one "$name.contention.r$round" "$program" --threaded \
        --benchmark_filter="$shared"
    fi
  done
done

instructions=()
if ((callgrind)) && command -v valgrind >/dev/null 2>&1; then
  echo "compare.sh: counting instructions (bench/callgrind.sh)"
  bench/callgrind.sh --build "$build" --tsv "$out/instructions.tsv" >"$out/callgrind.txt"
  instructions=(--instructions "$out/instructions.tsv")
fi
echo "load after the run: $(uptime | sed 's/.*load average/load average/')" >>"$out/machine.txt"

markdown=()
plot=()
if ((results)); then
  markdown=(--markdown bench/RESULTS.md --machine "$out/machine.txt"
    --command "$command_line" --plot scaling.png)
fi

# The table, and the plot's data. compare.py needs nothing beyond python3.
python3 bench/compare.py "$out" "${instructions[@]}" "${markdown[@]}" \
  --scaling-data "$out/scaling.tsv"

if ((results)); then
  png=bench/scaling.png
  drawn=""
  if plot_python=$(find_plot_python); then
    "$plot_python" bench/plot_scaling.py "$out/scaling.tsv" "$png" && drawn=matplotlib
  elif command -v gnuplot >/dev/null 2>&1; then
    gnuplot <<EOF && drawn=gnuplot
set terminal png size 1200,480
set output "$png"
set multiplot layout 1,2
set logscale xy
set grid
set key top left font ",8"
set xlabel "n"
set ylabel "ns per operation"
set title "time of one operation"
names = "ReadWalk CopyExpandedName AddMember CopyExpandedNameSet"
plot for [i=0:3] "$out/scaling.tsv" index i using 1:2 with linespoints title word(names, i+1)
set ylabel "ns per element"
set title "time per element (flat = linear)"
plot for [i=0:3] "$out/scaling.tsv" index i using 1:(\$2/\$1) with linespoints title word(names, i+1)
unset multiplot
EOF
  fi
  if [[ -n "$drawn" ]]; then
    echo "compare.sh: scaling curves drawn with $drawn into $png"
    python3 - "$drawn" <<'EOF'
import sys
path = "bench/RESULTS.md"
text = open(path).read()
text = text.replace("![scaling curves](scaling.png)",
                    f"![scaling curves](scaling.png) (drawn with {sys.argv[1]})", 1)
open(path, "w").write(text)
EOF
  else
    echo "compare.sh: neither matplotlib nor gnuplot found; no plot drawn" \
      "(run with --install-peers to install python3-matplotlib)"
  fi
  echo "compare.sh: wrote bench/RESULTS.md"
fi
