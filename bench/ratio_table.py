#!/usr/bin/env python3
"""Prints the voltage benchmark's results as Markdown tables.

Reads the JSON that volts_bench writes (--benchmark_out=FILE
--benchmark_out_format=json, or --benchmark_format=json on stdout) and prints:
  1. one row per variant x data class x block size (both inputs streaming):
     the floor of the active path's instruction set in ns per sample, ours
     (the process entry) over that floor, both on the host's buffers; each
     path, called directly on the bench's aligned buffers, over the floor of
     its own instruction set on those buffers; and naive over ours;
  2. the both-static fills against memset;
  3. the targets, each marked PASS or FAIL.
A repeated run is reduced to one value per benchmark by the median (default)
or the minimum of its repetitions (--stat). A missed target never fails the
run; input that is not a volts_bench result does (exit status 2).

usage: ratio_table.py RESULTS.json [--stat median|min]
"""
import argparse
import json
import statistics
import sys

VARIANTS = ["plain", "cap", "dn"]
CLASSES = ["normal", "denormal-out", "nan-out", "denormal-in"]
BLOCKS = [1, 32, 256, 1024]
FILL_BLOCKS = [32, 256, 1024]
ISAS = ["sse2", "avx2", "avx512"]
TARGET_BLOCKS = [256, 1024]


class Malformed(Exception):
    pass


def load(path):
    try:
        with open(path, encoding="utf-8") if path != "-" else sys.stdin as f:
            data = json.load(f)
    except (OSError, ValueError) as e:
        raise Malformed(f"cannot read {path}: {e}")
    if not isinstance(data, dict) or not isinstance(data.get("benchmarks"), list):
        raise Malformed("no 'benchmarks' list: not Google Benchmark JSON output")
    context = data.get("context", {})
    if not isinstance(context, dict):
        raise Malformed("'context' is not an object")
    return context, data["benchmarks"]


def seconds_per_sample(entry):
    counter = entry.get("per_sample")
    if not isinstance(counter, (int, float)) or isinstance(counter, bool):
        raise Malformed(f"{entry.get('name', '?')}: no numeric 'per_sample' counter")
    return float(counter)


def parse_name(run_name):
    """('volts', variant, data, inputs, block, kernel) or ('fill', variant, 'static', ...)."""
    parts = run_name.split("/")
    if len(parts) == 6 and parts[0] == "volts":
        kind, variant, data, inputs, block, kernel = parts
    elif len(parts) == 5 and parts[0] == "fill":
        kind, variant, inputs, block, kernel = parts
        data = "static"
    else:
        raise Malformed(f"unexpected benchmark name {run_name!r}")
    if not block.startswith("b") or not block[1:].isdigit():
        raise Malformed(f"unexpected block size in {run_name!r}")
    return (kind, variant, data, inputs, int(block[1:]), kernel)


def collect(benchmarks, stat):
    """Nanoseconds per sample for each benchmark, one value per run name."""
    runs = {}
    aggregates = {}
    for entry in benchmarks:
        if not isinstance(entry, dict) or not isinstance(entry.get("name"), str):
            raise Malformed("a benchmark entry without a name")
        if entry.get("error_occurred"):
            continue
        run_name = entry.get("run_name", entry["name"])
        if not isinstance(run_name, str):
            raise Malformed(f"{entry['name']}: run_name is not a string")
        if entry.get("run_type") == "aggregate":
            if entry.get("aggregate_name") == stat:
                aggregates[run_name] = seconds_per_sample(entry)
            continue
        runs.setdefault(run_name, []).append(seconds_per_sample(entry))
    values = {}
    for run_name in set(runs) | set(aggregates):
        if run_name in aggregates:
            v = aggregates[run_name]
        else:
            reps = runs[run_name]
            v = min(reps) if stat == "min" else statistics.median(reps)
        values[parse_name(run_name)] = v * 1e9
    if not values:
        raise Malformed("no volts_bench results in the input")
    return values


def fmt(x, digits=2):
    return "-" if x is None else f"{x:.{digits}f}"


def ratio(x, y):
    return None if x is None or y is None or y == 0 else x / y


class Tables:
    def __init__(self, context, values):
        self.values = values
        active = context.get("volts_active_path")
        if active not in ISAS + ["scalar"]:
            # Older or foreign output: take the widest floor that ran.
            present = {k[5] for k in values}
            active = next((i for i in reversed(ISAS) if "floor-" + i in present), "sse2")
        self.active = active
        self.active_floor = "floor-" + (active if active in ISAS else "sse2")
        kernels = {k[5] for k in values if k[0] == "volts"}
        self.isas = [i for i in ISAS if "ours-" + i in kernels
                     and ("floor-" + i in kernels or f"floor-{i}-aligned" in kernels)]

    def get(self, variant, data, block, kernel, inputs="both", kind="volts"):
        return self.values.get((kind, variant, data, inputs, block, kernel))

    def path_floor(self, variant, data, block, isa):
        """The floor a directly called path is judged by: same ISA, same buffers."""
        aligned = self.get(variant, data, block, f"floor-{isa}-aligned")
        return aligned if aligned is not None else self.get(variant, data, block, "floor-" + isa)

    def main_table(self):
        head = ["variant", "data", "block", f"floor ({self.active_floor[6:]}) ns/sample",
                "ours/floor"] + [f"{i}/floor-{i}" for i in self.isas] + ["naive/ours"]
        lines = ["| " + " | ".join(head) + " |", "|" + "|".join(["---"] * len(head)) + "|"]
        rows = 0
        for variant in VARIANTS:
            for data in CLASSES:
                for block in BLOCKS:
                    floor = self.get(variant, data, block, self.active_floor)
                    ours = self.get(variant, data, block, "ours")
                    naive = self.get(variant, data, block, "naive")
                    if floor is None and ours is None:
                        continue
                    cells = [variant, data, str(block), fmt(floor, 3), fmt(ratio(ours, floor))]
                    for isa in self.isas:
                        cells.append(fmt(ratio(self.get(variant, data, block, "ours-" + isa),
                                               self.path_floor(variant, data, block, isa))))
                    cells.append(fmt(ratio(naive, ours), 1))
                    lines.append("| " + " | ".join(cells) + " |")
                    rows += 1
        return lines, rows

    def fill_table(self):
        head = ["variant", "block", "memset ns/sample", "fill ns/sample", "fill/memset",
                f"fill/{self.active_floor}"]
        lines = ["| " + " | ".join(head) + " |", "|" + "|".join(["---"] * len(head)) + "|"]
        for variant in VARIANTS:
            for block in FILL_BLOCKS:
                g = lambda k: self.get(variant, "static", block, k, "static", "fill")
                memset, ours, floor = g("memset"), g("ours"), g(self.active_floor)
                if memset is None and ours is None:
                    continue
                lines.append("| " + " | ".join([variant, str(block), fmt(memset, 3), fmt(ours, 3),
                                                fmt(ratio(ours, memset)),
                                                fmt(ratio(ours, floor))]) + " |")
        return lines

    def targets(self):
        checks = []

        def check(title, cases, limit, at_least=False):
            # cases: (label, measured ratio or None)
            measured = [(label, r) for label, r in cases if r is not None]
            if not measured:
                checks.append(f"- n/a: {title} (not measured)")
                return
            bad = [(l, r) for l, r in measured if (r < limit if at_least else r > limit)]
            worst = (min if at_least else max)(measured, key=lambda c: c[1])
            mark = "FAIL" if bad else "PASS"
            line = f"- {mark}: {title}; worst {worst[1]:.2f} ({worst[0]})"
            if bad:
                line += f"; {len(bad)} of {len(measured)} miss"
            checks.append(line)

        def over(datas, blocks, num, den):
            out = []
            for variant in VARIANTS:
                for data in datas:
                    for block in blocks:
                        out.append((f"{variant} {data} {block}",
                                    ratio(self.get(variant, data, block, num),
                                          self.get(variant, data, block, den))))
            return out

        af = self.active_floor
        check("best path, normal data: ours <= 1.25 x floor at 256 and 1024",
              over(["normal"], TARGET_BLOCKS, "ours", af), 1.25)
        check("best path, denormal-producing and denormal inputs: ours <= 1.5 x floor at 256 "
              "and 1024", over(["denormal-out", "denormal-in"], TARGET_BLOCKS, "ours", af), 1.5)
        sse2 = []
        for variant in VARIANTS:
            for data in CLASSES:
                for block in TARGET_BLOCKS:
                    sse2.append((f"{variant} {data} {block}",
                                 ratio(self.get(variant, data, block, "ours-sse2"),
                                       self.path_floor(variant, data, block, "sse2"))))
        check("SSE2 path <= 2.5 x floor-sse2, every data class, at 256 and 1024", sse2, 2.5)
        check("naive/ours >= 10 on denormal-producing data at 256 and 1024",
              over(["denormal-out"], TARGET_BLOCKS, "naive", "ours"), 10.0, at_least=True)
        check("naive/ours >= 4 on normal data at 256 and 1024",
              over(["normal"], TARGET_BLOCKS, "naive", "ours"), 4.0, at_least=True)
        check("block 32: ours <= 2 x floor, every data class",
              over(CLASSES, [32], "ours", af), 2.0)
        fills = []
        for variant in VARIANTS:
            for block in TARGET_BLOCKS:
                g = lambda k: self.get(variant, "static", block, k, "static", "fill")
                fills.append((f"{variant} fill {block}", ratio(g("ours"), g("memset"))))
        check("fills <= 1.2 x memset at 256 and 1024", fills, 1.2)
        return checks


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", help="volts_bench JSON output ('-' for stdin)")
    parser.add_argument("--stat", choices=["median", "min"], default="median",
                        help="how repetitions reduce to one value (default: median)")
    args = parser.parse_args(argv)
    try:
        context, benchmarks = load(args.results)
        tables = Tables(context, collect(benchmarks, args.stat))
    except Malformed as e:
        print(f"ratio_table: {e}", file=sys.stderr)
        return 2
    main_lines, rows = tables.main_table()
    print(f"Both inputs streaming; ns per sample and ratios of CPU time, {args.stat} of "
          f"repetitions. Active path: {tables.active}.")
    print()
    print("\n".join(main_lines) if rows else "(none in this run)")
    print()
    print("Both inputs static: the held-output fill through the process entry.")
    print()
    print("\n".join(tables.fill_table()))
    print()
    print("Targets:")
    print()
    print("\n".join(tables.targets()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
