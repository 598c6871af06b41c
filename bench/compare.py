#!/usr/bin/env python3
"""Reads the Google Benchmark JSON files of one compare.sh run and prints one
table: per operation, our median, each peer's, the ratio of ours to the
fastest peer and to the floor, and whether the operation meets its target.
Optionally writes the tables into bench/RESULTS.md (between the generated
markers, keeping the rest of the file) and the data of the scaling curves.

Every program ran in each round twice, as a one-thread process and with
--threaded (see bench_main.h); each cell shows both. Times are medians over
the rounds of CPU time per operation (wall time for the rows with threads of their own),
in nanoseconds. Standard library only; the plot is made
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
# operation whose instruction count is shown. Every target is judged in both
# worlds (one-thread and threaded process); a row meets it when both do.
#
# The current targets:
#   ("round", INSTR, STRETCH, R)  at most INSTR instructions (STRETCH is
#                                 shown) and at most R times the fastest
#                                 peer's time
#   ("lockfree", PEERS, R1, RT)   one-thread at most R1 times the fastest of
#                                 PEERS (the peers that take no lock in the
#                                 operation), threaded at most RT times
#   ("peer", PEER, R)             at most R times PEER's time
#   ("peers", R)                  at most R times the fastest peer's time
# Earlier targets, kept for the rows the current ones do not cover:
#   "floor"                       within 2x of the floor
#   "peer+floor"                  no slower than the fastest peer, within 2x
#                                 of the floor
#   ("ns", X)                     at most X ns
#   ("openssl/2", NAME)           at most half of OpenSSL's benchmark NAME
# Which peers take no lock: counted by interposing pthread_mutex_lock and the
# rwlock calls while each peer program ran (bench/RESULTS.md): none of the
# three takes one in display or compare; MIT krb5 and Heimdal take several in
# import and duplicate, GNU GSS none.
LOCK_FREE_ALL = ("mit", "heimdal", "gnugss")
ROWS = [
    ("import + release (new name, Set, delete)", "BM_ImportRelease/trace:0",
     "BM_ImportRelease", {"M": 1, "C": 1, "L": 1}, ("peer", "gnugss", 1.5),
     "import_release"),
    ("Set 17 bytes, no type (reused name)", "BM_Set_NullType/len:17/trace:0",
     None, {"C": 1, "L": 1}, "floor", "set17"),
    ("Set 17 bytes, table's default type", "BM_Set_TableType/len:17/trace:0",
     None, {"C": 1, "L": 1}, "floor", None),
    ("Set 17 bytes, caller's copy of the type",
     "BM_Set_CallerType/len:17/trace:0", None, {"C": 1, "L": 1, "K": 1},
     "floor", None),
    ("Display + free", "BM_Display/trace:0", "BM_Display", {"C": 1, "L": 1},
     ("lockfree", LOCK_FREE_ALL, 1.0, 1.3), "display"),
    ("operator== equal", "BM_CompareEqual/trace:0", "BM_CompareEqual",
     {"L": 1, "K": 1}, ("lockfree", LOCK_FREE_ALL, 1.0, 1.3),
     "compare_equal"),
    ("operator== unequal", "BM_CompareUnequal/trace:0", "BM_CompareUnequal",
     {"L": 1, "K": 1}, ("lockfree", LOCK_FREE_ALL, 1.0, 1.3),
     "compare_unequal"),
    ("operator= into a new name + delete", "BM_AssignNewRelease/trace:0",
     "BM_DuplicateRelease", {"M": 1, "C": 1, "L": 1},
     ("lockfree", ("gnugss",), 1.0, 1.3), "assign_new_release"),
    ("CanonicalizeName, caller's mech copy",
     "BM_Canonicalize_CallerMech/trace:0", "BM_CanonicalizeRelease",
     {"L": 1, "K": 1}, "peer+floor", "canonicalize_caller"),
    ("CanonicalizeName, table's mech pointer",
     "BM_Canonicalize_TableMech/trace:0", None, {"L": 1}, "floor",
     "canonicalize_table"),
    ("Export + free", "BM_Export/trace:0", "BM_Export", {"C": 1, "L": 1},
     "peer+floor", "export"),
    ("import + canonicalize + export + release",
     "BM_ImportCanonExportRelease/mech:0/trace:0",
     "BM_ImportCanonExportRelease", {"M": 1, "C": 2, "L": 1},
     ("round", 850, 800, 0.2), "round_table"),
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
     {"M": 4, "C": 4, "L": 8}, ("peers", 2.0), "add_member_8of4"),
    ("GetDatabasePath + free", "BM_GetDatabasePath/trace:0", None,
     {"C": 1, "L": 1}, "floor", "get_database_path"),
    ("Read walk of 4 entries", "BM_ReadWalk/trace:0", None, {"C": 4, "L": 4},
     "floor", "read_walk4"),
    ("CopyExpandedName, 4 entries (+ delete)", "BM_CopyExpandedName/trace:0",
     None, {"M": 4, "C": 4, "L": 4}, "floor", "copy_expanded4"),
]

# The rows with threads of their own (--threaded run only): one name or one
# set shared by the benchmark's threads. Target: the two-thread row at most
# CONTENTION_LIMIT times the one-thread row, both as one thread's wall time
# per operation (see contention_table).
CONTENTION = [
    ("operator== on one shared name", "name", "BM_SharedCompare"),
    ("Display on one shared name", "name", "BM_SharedDisplay"),
    ("AddMember of a present name, one shared set of 4", "name_set",
     "BM_SharedSetAddPresent"),
]
CONTENTION_LIMIT = 2.0

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


# The two worlds every program runs in (bench_main.h): its JSON files are
# PROGRAM.json (one-thread process), PROGRAM.threaded.json (a thread started
# first) and PROGRAM.contention.json (the --threaded rows with two threads of
# their own, run unpinned), each with a .rN before .json for round N of
# compare.sh; the last two make the threaded world.
MODES = ("one", "threaded")


def load(directory):
    """Returns {mode: {program: {run_name: median ns}}} and the BigO rows of
    the one-thread runs."""
    times, bigo = {m: {} for m in MODES}, {}
    for entry in sorted(os.listdir(directory)):
        if not entry.endswith(".json"):
            continue
        # PROGRAM[.threaded|.contention][.rROUND].json: the rounds of one
        # program and world are pooled.
        stem = re.sub(r"\.r\d+$", "", entry[:-len(".json")])
        mode = "one"
        for suffix in (".threaded", ".contention"):
            if stem.endswith(suffix):
                stem, mode = stem[:-len(suffix)], "threaded"
        program = stem.replace("_benchmark", "")
        with open(os.path.join(directory, entry)) as f:
            data = json.load(f)
        rows = times[mode].setdefault(program, {})
        for b in data.get("benchmarks", []):
            name = b.get("run_name", b["name"])
            if b.get("error_occurred"):
                rows.setdefault(name, [])
                continue
            if b.get("run_type") == "aggregate":
                if b.get("aggregate_name") == "BigO" and mode == "one":
                    bigo[name.replace("_BigO", "")] = b
                continue
            scale = UNIT_NS[b.get("time_unit", "ns")]
            wall = "/real_time" in name
            value = b["real_time"] if wall else b["cpu_time"]
            rows.setdefault(name, []).append(value * scale)
    medians = {m: {p: {n: statistics.median(v) if v else None
                       for n, v in rows.items()}
                   for p, rows in times[m].items()} for m in MODES}
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


def fastest_of(peers, only=None):
    return min((v for p, v in peers.items()
                if v is not None and (only is None or p in only)),
               default=None)


def target_text(target):
    if target == "floor":
        return "≤ 2x floor"
    if target == "peer+floor":
        return "≤ fastest peer, ≤ 2x floor"
    kind = target[0]
    if kind == "round":
        return (f"≤ {target[1]} instr (stretch {target[2]}), "
                f"≤ {target[3]}x fastest peer")
    if kind == "lockfree":
        who = ("fastest lock-free peer" if len(target[1]) > 1
               else dict(PEERS)[target[1][0]])
        return f"≤ {who} one-thread, ≤ {target[3]}x threaded"
    if kind == "peer":
        return f"≤ {target[2]}x {dict(PEERS)[target[1]]}"
    if kind == "peers":
        return f"≤ {target[1]}x fastest peer"
    if kind == "ns":
        return f"≤ {target[1]} ns"
    if kind == "openssl/2":
        return "≤ ½ OpenSSL"
    return "?"


def judge_one(target, mode, ours, peers, floor, openssl, instructions):
    """Returns the list of misses of one world (empty: met), or None when
    there is no data."""
    if ours is None:
        return None
    missed = []
    fastest = fastest_of(peers)
    if target == "floor" or target == "peer+floor":
        if target == "peer+floor" and fastest is not None and ours > fastest:
            missed.append(f"{ours / fastest:.2f}x peer")
        if floor is not None and ours > 2 * floor:
            missed.append(f"{ours / floor:.2f}x floor")
        return missed
    kind = target[0]
    if kind == "round":
        if instructions is not None and instructions > target[1]:
            missed.append(f"{instructions:,} instr")
        if fastest is not None and ours > target[3] * fastest:
            missed.append(f"{ours / fastest:.2f}x peer")
    elif kind == "lockfree":
        limit = target[2] if mode == "one" else target[3]
        best = fastest_of(peers, target[1])
        if best is not None and ours > limit * best:
            missed.append(f"{ours / best:.2f}x peer")
    elif kind == "peer":
        other = peers.get(target[1])
        if other is not None and ours > target[2] * other:
            missed.append(f"{ours / other:.2f}x {dict(PEERS)[target[1]]}")
    elif kind == "peers":
        if fastest is not None and ours > target[1] * fastest:
            missed.append(f"{ours / fastest:.2f}x peer")
    elif kind == "ns":
        if ours > target[1]:
            missed.append(f"{ours:.0f} ns")
    elif kind == "openssl/2":
        if openssl is None:
            return None
        if ours > openssl / 2:
            missed.append(f"{ours / openssl:.2f}x OpenSSL")
    return missed


MODE_LABEL = {"one": "one-thread", "threaded": "threaded"}


def verdict_of(misses):
    """misses: {mode: list or None}."""
    if all(m is None for m in misses.values()):
        return "no data"
    parts = [f"{MODE_LABEL[mode]} {', '.join(m)}"
             for mode, m in misses.items() if m]
    return "met" if not parts else "MISSED: " + "; ".join(parts)


def pair(a, b, form=None):
    form = form or fmt
    return f"{form(a)} / {form(b)}"


def ours_in(medians, mode):
    ours = {}
    for program in ("name", "oid", "entries", "name_set"):
        ours.update(medians[mode].get(program, {}))
    return ours


def comparison_table(medians, instructions):
    present = [(p, label) for p, label in PEERS
               if p in medians["one"] or p in medians["threaded"]]
    head = (["operation", "ours"] + [label for _, label in present] +
            ["floor", "ours / fastest peer", "instr/op", "target", "result"])
    lines = ["| " + " | ".join(head) + " |",
             "|" + "|".join(["---"] * len(head)) + "|"]
    verdicts = []
    ours_all = {m: ours_in(medians, m) for m in MODES}
    for label, ours_name, peer_name, recipe, target, cg_op in ROWS:
        values, peers, floors, misses = {}, {}, {}, {}
        instr = instructions.get(cg_op, (None, None)) if cg_op else (None, None)
        for i, mode in enumerate(MODES):
            values[mode] = ours_all[mode].get(ours_name)
            peers[mode] = {p: (medians[mode].get(p, {}).get(peer_name)
                               if peer_name else None) for p, _ in present}
            floors[mode] = floor_of(medians[mode], recipe)
            openssl = None
            if isinstance(target, tuple) and target[0] == "openssl/2":
                openssl = medians[mode].get("openssl", {}).get(target[1])
            misses[mode] = judge_one(target, mode, values[mode], peers[mode],
                                     floors[mode], openssl, instr[i])
        verdict = verdict_of(misses)
        current = isinstance(target, tuple) and target[0] in (
            "round", "lockfree", "peer", "peers")
        verdicts.append((label.strip(), verdict, current))
        cells = ([label.strip(), pair(values["one"], values["threaded"])] +
                 [pair(peers["one"][p], peers["threaded"][p])
                  for p, _ in present] +
                 [f"{pair(floors['one'], floors['threaded'])} "
                  f"({recipe_text(recipe)})",
                  pair(ratio(values["one"], fastest_of(peers["one"])),
                       ratio(values["threaded"],
                             fastest_of(peers["threaded"])), fmt_ratio),
                  pair(*instr, lambda v: "—" if v is None else f"{v:,}"),
                  target_text(target), verdict])
        lines.append("| " + " | ".join(cells) + " |")
    return lines, verdicts


def tracing_table(medians):
    lines = ["| benchmark | trace off | trace on | cost of tracing |",
             "|---|---|---|---|"]
    one = ours_in(medians, "one")
    thr = ours_in(medians, "threaded")
    for name in sorted(one):
        if "trace:0" not in name:
            continue
        on_name = name.replace("trace:0", "trace:1")
        off = (one.get(name), thr.get(name))
        on = (one.get(on_name), thr.get(on_name))
        cost = tuple(None if a is None or b is None else b - a
                     for a, b in zip(off, on))
        lines.append(f"| {name.replace('/trace:0', '')} | {pair(*off)} | "
                     f"{pair(*on)} | {pair(*cost)} |")
    return lines


def contention_table(medians):
    """Google Benchmark reports a row with threads as its wall time divided by
    the operations of all its threads; one thread's time per operation is
    that times the number of threads, and that is what is judged against the
    one-thread row (two threads that only took turns would show 2x)."""
    lines = ["| operation | 1 thread: ns per operation | 2 threads: ns per "
             "operation of both | 2 threads: ns per operation per thread | "
             "per thread, 2 / 1 | target | result |",
             "|---|---|---|---|---|---|---|"]
    verdicts = []
    for label, program, base in CONTENTION:
        rows = medians["threaded"].get(program, {})
        one = rows.get(f"{base}/real_time/threads:1")
        two = rows.get(f"{base}/real_time/threads:2")
        per_thread = None if two is None else 2 * two
        r = ratio(per_thread, one)
        verdict = ("no data" if r is None else "met" if r <= CONTENTION_LIMIT
                   else f"MISSED: {r:.2f}x")
        verdicts.append((label, verdict, True))
        lines.append(f"| {label} ({base}) | {fmt(one)} | {fmt(two)} | "
                     f"{fmt(per_thread)} | {fmt_ratio(r)} | "
                     f"≤ {CONTENTION_LIMIT:g}x | {verdict} |")
    return lines, verdicts


def instruction_table(instructions):
    lines = ["| operation (callgrind_loop) | one-thread | threaded |",
             "|---|---|---|"]
    for op, (one, thr) in instructions.items():
        lines.append(f"| {op} | {'—' if one is None else f'{one:,}'} | "
                     f"{'—' if thr is None else f'{thr:,}'} |")
    return lines


def scaling_points(medians, family, per_unit=1):
    """Points of the one-thread run."""
    points = []
    for program in ("entries", "name_set"):
        for name, value in medians["one"].get(program, {}).items():
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
    """{operation: (one-thread, threaded)} from callgrind.sh --tsv."""
    result = {}
    if path and os.path.exists(path):
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3:
                    result[parts[0]] = tuple(
                        None if v == "-" else int(v) for v in parts[1:])
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
    contention, contention_verdicts = contention_table(medians)
    verdicts += contention_verdicts
    scaling, checks = scaling_table(medians, bigo)

    print("\n".join(table))
    print()
    print("\n".join(contention))
    print()
    print("\n".join(scaling))
    print()
    summary = []
    for current, what in ((True, "current targets"),
                          (False, "earlier targets")):
        mine = [v for _, v, c in verdicts if c == current]
        missed = sum(1 for v in mine if v.startswith("MISSED"))
        summary.append(f"{what}: {len(mine) - missed} met, {missed} missed")
    print("; ".join(summary))
    for label, verdict in checks:
        print(f"linear check: {label}: {verdict}")

    if args.scaling_data:
        write_scaling_data(medians, args.scaling_data)

    if args.markdown:
        machine = ""
        if args.machine and os.path.exists(args.machine):
            with open(args.machine) as f:
                machine = f.read().rstrip()
        floor = {m: medians[m].get("floor", {}) for m in MODES}
        out = [BEGIN, "",
               "## Results of the last run", "",
               "Command: `" + args.command + "`", "",
               "Machine:", "", "```", machine, "```", "",
               "Every cell is *one-thread / threaded*: the first figure from "
               "the program run as a one-thread process, the second from the "
               "same program run with `--threaded` (a thread started and "
               "joined first). Medians over the rounds of CPU time per operation in "
               "ns (wall "
               "time for the rows with threads of their own); floor rows "
               "(one-thread / threaded): "
               + ", ".join(f"{k} = {FLOOR_ROWS[k]} "
                           f"{pair(floor['one'].get(v), floor['threaded'].get(v))}"
                           for k, v in FLOOR_ROWS.items()) + ".", "",
               "### Ours beside the peers", ""] + table + [
               "", "; ".join(summary).capitalize() + " (the contention rows "
               "below included).", "",
               "### One name or set shared by two threads (wall time per "
               "operation per thread, threaded run)", ""] + contention + [
               "", "### Instructions per operation (callgrind)", ""]
        out += instruction_table(instructions)
        out += ["", "### Scaling (one-thread run)", ""] + scaling + [""]
        if args.plot:
            out += [f"![scaling curves]({args.plot})", ""]
        out += ["### Cost of tracing (on, into a discarding sink)", ""]
        out += tracing_table(medians)
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
