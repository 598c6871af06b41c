#!/usr/bin/env python3
"""Reads the Google Benchmark JSON files of one compare.sh run and prints one
table: per operation, our median, each peer's, the ratio of ours to the
fastest peer and to the floor, and whether the operation meets its target.
Optionally writes the tables into bench/RESULTS.md (between the generated
markers, keeping the rest of the file) and the data of the scaling curves.

Times are medians over the repetitions of CPU time per operation (wall time
for the thread rows), in nanoseconds. Standard library only; the plot is made
by plot_scaling.py or gnuplot from the data file written here.
"""

import argparse
import json
import math
import os
import re
import statistics
import sys

PEERS = [("mit", "MIT krb5"), ("heimdal", "Heimdal"), ("gnugss", "GNU GSS"),
         ("openssl", "OpenSSL")]

# Floor rows (floor_benchmark): M malloc+free of 32 bytes, C the same with a
# 24-byte memcpy, L an uncontended mutex lock and unlock, K a 9-byte memcmp.
FLOOR_ROWS = {
    "M": "BM_Floor_MallocFree32",
    "C": "BM_Floor_MallocMemcpyFree24",
    "L": "BM_Floor_MutexLockUnlock",
    "K": "BM_Floor_Memcmp9",
}

# The comparison rows: label, our benchmark, the peers' benchmark, the floor
# (what the operation cannot avoid: its allocations, copies, lock and
# comparisons, as counts of the floor rows), the target and the callgrind
# operation whose instruction count is shown. Targets: "peer" no slower than
# the fastest peer and within 2x of the floor; "floor" within 2x of the floor
# (no peer does the same work); ("ns", x) at most x ns; ("openssl/2", NAME)
# at most half of the time of OpenSSL's benchmark NAME.
ROWS = [
    ("import + release (new name, Set, delete)", "BM_ImportRelease/trace:0",
     "BM_ImportRelease", {"M": 1, "C": 1, "L": 1}, "peer", "import_release"),
    ("Set 17 bytes, no type (reused name)", "BM_Set_NullType/len:17/trace:0",
     None, {"C": 1, "L": 1}, "floor", "set17"),
    ("Set 17 bytes, table's default type", "BM_Set_TableType/len:17/trace:0",
     None, {"C": 1, "L": 1}, "floor", None),
    ("Set 17 bytes, caller's copy of the type",
     "BM_Set_CallerType/len:17/trace:0", None, {"C": 1, "L": 1, "K": 1},
     "floor", None),
    ("Display + free", "BM_Display/trace:0", "BM_Display", {"C": 1, "L": 1},
     "peer", "display"),
    ("operator== equal", "BM_CompareEqual/trace:0", "BM_CompareEqual",
     {"L": 1, "K": 1}, "peer", "compare_equal"),
    ("operator== unequal", "BM_CompareUnequal/trace:0", "BM_CompareUnequal",
     {"L": 1, "K": 1}, "peer", "compare_unequal"),
    ("operator= into a new name + delete", "BM_AssignNewRelease/trace:0",
     "BM_DuplicateRelease", {"M": 1, "C": 1, "L": 1}, "peer",
     "assign_new_release"),
    ("CanonicalizeName, caller's mech copy",
     "BM_Canonicalize_CallerMech/trace:0", "BM_CanonicalizeRelease",
     {"L": 1, "K": 1}, "peer", "canonicalize_caller"),
    ("CanonicalizeName, table's mech pointer",
     "BM_Canonicalize_TableMech/trace:0", None, {"L": 1}, "floor",
     "canonicalize_table"),
    ("Export + free", "BM_Export/trace:0", "BM_Export", {"C": 1, "L": 1},
     "peer", "export"),
    ("import + canonicalize + export + release",
     "BM_ImportCanonExportRelease/mech:0/trace:0",
     "BM_ImportCanonExportRelease", {"M": 1, "C": 2, "L": 1}, ("ns", 100),
     "round_table"),
    ("  the same, caller's mech copy",
     "BM_ImportCanonExportRelease/mech:1/trace:0", None,
     {"M": 1, "C": 2, "L": 1, "K": 1}, ("ns", 100), "round_caller"),
    ("OIDChecker, equal bytes in two records", "BM_OIDChecker_EqualBytes",
     "BM_OIDEqualBytes", {"K": 1}, ("ns", 10), "oidchecker_equal"),
    ("OIDChecker, same pointer", "BM_OIDChecker_SamePointer", None, {"K": 1},
     "floor", "oidchecker_same"),
    ("OIDChecker, different OIDs", "BM_OIDChecker_Different", None, {"K": 1},
     "floor", "oidchecker_different"),
    ("OID text to value (dotted)", "BM_OIDSetText_Dotted", "BM_OIDFromText",
     {"M": 1}, ("openssl/2", "BM_OIDFromText"), "oid_from_dotted"),
    ("OID text to value (braces)", "BM_OIDSetText_Braces", None, {"M": 1},
     ("openssl/2", "BM_OIDFromText"), "oid_from_braces"),
    ("OID value to text + free", "BM_OIDGetText", "BM_OIDToText", {"C": 1},
     ("openssl/2", "BM_OIDToText"), "oid_to_text"),
    ("OID get(gss_OID&) + free", "BM_OIDGetGssOID", None, {"M": 1, "C": 1},
     "floor", "oid_get_gss_oid"),
    ("OID set(const gss_OID)", "BM_OIDSetGssOID", None, {"M": 1}, "floor",
     "oid_set_gss_oid"),
    ("set of 8 offers, 4 distinct (+ release)",
     "BM_AddMember8Offers4Distinct/trace:0", "BM_OIDSetBuild8",
     {"M": 4, "C": 4, "L": 8}, "peer", "add_member_8of4"),
    ("GetDatabasePath + free", "BM_GetDatabasePath/trace:0", None,
     {"C": 1, "L": 1}, "floor", "get_database_path"),
    ("Read walk of 4 entries", "BM_ReadWalk/trace:0", None, {"C": 4, "L": 4},
     "floor", "read_walk4"),
    ("CopyExpandedName, 4 entries (+ delete)", "BM_CopyExpandedName/trace:0",
     None, {"M": 4, "C": 4, "L": 4}, "floor", "copy_expanded4"),
]

# Scaling families: benchmark, label, whether it must be linear, and the
# number of elements per unit of the benchmark's argument (the set expansion
# makes 4 names per member).
SCALING = [
    ("BM_Scaling_ReadWalk", "Read walk, k entries", True, 1),
    ("BM_Scaling_CopyExpandedName", "CopyExpandedName, k entries", True, 1),
    ("BM_Scaling_AddMember", "AddMember + RemoveMember, set of n", True, 1),
    ("BM_Scaling_CopyExpandedNameSet",
     "CopyExpandedNameSet, n names (n/4 members)", False, 4),
]

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load(directory):
    """Returns {program: {run_name: [ns per repetition]}} and the BigO rows."""
    times, bigo = {}, {}
    for entry in sorted(os.listdir(directory)):
        if not entry.endswith(".json"):
            continue
        program = entry[:-len(".json")].replace("_benchmark", "")
        with open(os.path.join(directory, entry)) as f:
            data = json.load(f)
        rows = times.setdefault(program, {})
        for b in data.get("benchmarks", []):
            name = b.get("run_name", b["name"])
            if b.get("error_occurred"):
                rows.setdefault(name, [])
                continue
            if b.get("run_type") == "aggregate":
                if b.get("aggregate_name") == "BigO":
                    bigo[name.replace("_BigO", "")] = b
                continue
            scale = UNIT_NS[b.get("time_unit", "ns")]
            wall = "/real_time" in name
            value = b["real_time"] if wall else b["cpu_time"]
            rows.setdefault(name, []).append(value * scale)
    medians = {p: {n: statistics.median(v) if v else None
                   for n, v in rows.items()} for p, rows in times.items()}
    return medians, bigo


def fmt(value):
    if value is None:
        return "—"
    if value >= 100:
        return f"{value:,.0f}"
    return f"{value:.1f}"


def ratio(a, b):
    if a is None or b is None or b == 0:
        return None
    return a / b


def fmt_ratio(r):
    return "—" if r is None else f"{r:.2f}x"


def floor_of(medians, recipe):
    floor = medians.get("floor", {})
    total = 0.0
    for key, count in recipe.items():
        value = floor.get(FLOOR_ROWS[key])
        if value is None:
            return None
        total += count * value
    return total


def recipe_text(recipe):
    return " + ".join(f"{c}{k}" if c != 1 else k for k, c in recipe.items())


def judge(target, ours, peers, floor, openssl, instructions):
    """Returns (target text, verdict)."""
    if ours is None:
        return ("—", "no data")
    if target == "peer":
        fastest = min((v for v in peers.values() if v is not None),
                      default=None)
        ok_peer = fastest is None or ours <= fastest
        ok_floor = floor is None or ours <= 2 * floor
        text = "≤ fastest peer, ≤ 2x floor"
        missed = []
        if not ok_peer:
            missed.append("slower than peer")
        if not ok_floor:
            missed.append("over 2x floor")
        return (text, "met" if not missed else "MISSED: " + ", ".join(missed))
    if target == "floor":
        ok = floor is None or ours <= 2 * floor
        return ("≤ 2x floor", "met" if ok else "MISSED: over 2x floor")
    kind, value = target
    if kind == "ns":
        text = f"≤ {value} ns"
        missed = []
        if ours > value:
            missed.append(f"{ours:.0f} ns")
        if value == 100:  # the whole round also has an instruction budget
            text += ", < 1,000 instr"
            if instructions is not None and instructions >= 1000:
                missed.append(f"{instructions:,} instr")
        return (text, "met" if not missed else "MISSED: " + ", ".join(missed))
    if kind == "openssl/2":
        if openssl is None:
            return ("≤ ½ OpenSSL", "no OpenSSL row")
        ok = ours <= openssl / 2
        return ("≤ ½ OpenSSL", "met" if ok else
                f"MISSED: {ours / openssl:.2f}x OpenSSL")
    return ("?", "?")


def comparison_table(medians, instructions):
    ours_all = {}
    for program in ("name", "oid", "entries", "name_set"):
        ours_all.update(medians.get(program, {}))
    present = [(p, label) for p, label in PEERS if p in medians]
    head = (["operation", "ours"] + [label for _, label in present] +
            ["floor", "ours / fastest peer", "ours / floor", "instr/op",
             "target", "result"])
    lines = ["| " + " | ".join(head) + " |",
             "|" + "|".join(["---"] * len(head)) + "|"]
    verdicts = []
    for label, ours_name, peer_name, recipe, target, cg_op in ROWS:
        ours = ours_all.get(ours_name)
        peers = {}
        for p, _ in present:
            peers[p] = medians[p].get(peer_name) if peer_name else None
        fastest = min((v for v in peers.values() if v is not None),
                      default=None)
        floor = floor_of(medians, recipe)
        instr = instructions.get(cg_op) if cg_op else None
        openssl = None
        if isinstance(target, tuple) and target[0] == "openssl/2":
            openssl = medians.get("openssl", {}).get(target[1])
        text, verdict = judge(target, ours, peers, floor, openssl, instr)
        verdicts.append((label.strip(), verdict))
        cells = ([label.strip(), fmt(ours)] +
                 [fmt(peers[p]) for p, _ in present] +
                 [f"{fmt(floor)} ({recipe_text(recipe)})",
                  fmt_ratio(ratio(ours, fastest)),
                  fmt_ratio(ratio(ours, floor)),
                  "—" if instr is None else f"{instr:,}", text, verdict])
        lines.append("| " + " | ".join(cells) + " |")
    return lines, verdicts


def tracing_table(medians):
    ours_all = {}
    for program in ("name", "entries", "name_set"):
        ours_all.update(medians.get(program, {}))
    lines = ["| benchmark | trace off | trace on | cost of tracing |",
             "|---|---|---|---|"]
    for name in sorted(ours_all):
        if "trace:0" not in name:
            continue
        on = ours_all.get(name.replace("trace:0", "trace:1"))
        off = ours_all[name]
        cost = None if on is None or off is None else on - off
        lines.append(f"| {name.replace('/trace:0', '')} | {fmt(off)} | "
                     f"{fmt(on)} | {fmt(cost)} |")
    return lines


def contention_table(medians):
    rows = medians.get("name", {})
    lines = ["| benchmark | 1 thread | 2 threads | 2 / 1 |", "|---|---|---|---|"]
    for base in ("BM_SharedCompare", "BM_SharedDisplay"):
        one = rows.get(f"{base}/real_time/threads:1")
        two = rows.get(f"{base}/real_time/threads:2")
        lines.append(f"| {base} | {fmt(one)} | {fmt(two)} | "
                     f"{fmt_ratio(ratio(two, one))} |")
    return lines


def scaling_points(medians, family, per_unit=1):
    points = []
    for program in ("entries", "name_set"):
        for name, value in medians.get(program, {}).items():
            m = re.fullmatch(re.escape(family) + r"/(\d+)", name)
            if m and value is not None:
                points.append((int(m.group(1)) * per_unit, value))
    return sorted(points)


def slope(points, low):
    """Least-squares slope of log(time) over log(n) for n >= low."""
    sel = [(math.log(n), math.log(t)) for n, t in points if n >= low and t > 0]
    if len(sel) < 2:
        return None
    mx = sum(x for x, _ in sel) / len(sel)
    my = sum(y for _, y in sel) / len(sel)
    sxx = sum((x - mx) ** 2 for x, _ in sel)
    sxy = sum((x - mx) * (y - my) for x, y in sel)
    return sxy / sxx if sxx else None


def scaling_table(medians, bigo):
    lines = ["| curve | n: time (ns) | fitted complexity (Google Benchmark) |"
             " log-log slope, n ≥ 64 | expected | linear? |",
             "|---|---|---|---|---|---|"]
    checks = []
    for family, label, want_linear, per_unit in SCALING:
        points = scaling_points(medians, family, per_unit)
        b = bigo.get(family)
        fitted = "—"
        if b is not None:
            fitted = f"{b.get('cpu_coefficient', 0):.3g} {b.get('big_o', '?')}"
        s = slope(points, 64)
        linear = s is not None and s < 1.25
        expected = "linear" if want_linear else "quadratic (linear set)"
        if s is None:
            verdict = "—"
        elif want_linear:
            verdict = "yes" if linear else "NO"
        else:
            verdict = "yes" if linear else "no, as expected"
        if want_linear:
            checks.append((label, verdict))
        pts = ", ".join(f"{n}: {fmt(t)}" for n, t in points)
        lines.append(f"| {label} | {pts} | {fitted} | "
                     f"{'—' if s is None else f'{s:.2f}'} | {expected} | "
                     f"{verdict} |")
    return lines, checks


def write_scaling_data(medians, path):
    with open(path, "w") as f:
        for family, label, _, per_unit in SCALING:
            f.write(f"# {family}\t{label}\n")
            for n, t in scaling_points(medians, family, per_unit):
                f.write(f"{n}\t{t:.3f}\n")
            f.write("\n\n")


def read_instructions(path):
    result = {}
    if path and os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 2:
                    result[parts[0]] = int(parts[1])
    return result


BEGIN = "<!-- compare.sh: generated from here -->"
END = "<!-- compare.sh: generated up to here -->"


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("results_dir")
    parser.add_argument("--instructions", help="callgrind.sh --tsv output")
    parser.add_argument("--markdown", help="RESULTS.md to update")
    parser.add_argument("--machine", help="file with the machine's lines")
    parser.add_argument("--command", default="bench/compare.sh")
    parser.add_argument("--scaling-data", help="data file for the plot")
    parser.add_argument("--plot", help="name of the plot, for the markdown")
    args = parser.parse_args()

    medians, bigo = load(args.results_dir)
    instructions = read_instructions(args.instructions)
    table, verdicts = comparison_table(medians, instructions)
    scaling, checks = scaling_table(medians, bigo)

    print("\n".join(table))
    print()
    print("\n".join(scaling))
    print()
    missed = [(l, v) for l, v in verdicts if v.startswith("MISSED")]
    print(f"targets: {len(verdicts) - len(missed)} met, {len(missed)} missed")
    for label, verdict in checks:
        print(f"linear check: {label}: {verdict}")

    if args.scaling_data:
        write_scaling_data(medians, args.scaling_data)

    if args.markdown:
        machine = ""
        if args.machine and os.path.exists(args.machine):
            with open(args.machine) as f:
                machine = f.read().rstrip()
        floor = medians.get("floor", {})
        out = [BEGIN, "",
               "## Results of the last run", "",
               "Command: `" + args.command + "`", "",
               "Machine:", "", "```", machine, "```", "",
               "Medians of CPU time per operation in ns (wall time for the "
               "thread rows); floor rows: "
               + ", ".join(f"{k} = {FLOOR_ROWS[k]} {fmt(floor.get(v))}"
                           for k, v in FLOOR_ROWS.items()) + ".", "",
               "### Ours beside the peers", ""] + table + [
               "", f"Targets: {len(verdicts) - len(missed)} met, "
               f"{len(missed)} missed.", "",
               "### Scaling", ""] + scaling + [""]
        if args.plot:
            out += [f"![scaling curves]({args.plot})", ""]
        out += ["### Cost of tracing (on, into a discarding sink)", ""]
        out += tracing_table(medians)
        out += ["", "### One name shared by threads (wall time per operation "
                "per thread)", ""] + contention_table(medians)
        out += ["", END]
        generated = "\n".join(out) + "\n"
        text = ""
        if os.path.exists(args.markdown):
            with open(args.markdown) as f:
                text = f.read()
        if BEGIN in text and END in text:
            head, rest = text.split(BEGIN, 1)
            _, tail = rest.split(END, 1)
            text = head + generated.rstrip("\n") + tail
        else:
            text = (text or "# Benchmark results\n\n") + "\n" + generated
        with open(args.markdown, "w") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
