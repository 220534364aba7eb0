#!/usr/bin/env python3
"""Figures of a soak run: growth of kiv.exe's counters, the order of the rows every
output received, every replug, and a plot.

    soak_report.py OUT [PLOT.png]
OUT is run-soak's folder.
"""
import csv
import os
import subprocess
import sys

ROWS = [5 * i + 3 for i in range(50)]  # soak_bench.exe's pattern
INDEX = {v: i for i, v in enumerate(ROWS)}


def order(values):
    """Steps between the rows one output received: in order, rows skipped, backwards.
    0 (every line off at an open and at the end) and repeats are left out."""
    steps = {"rows": 0, "in_order": 0, "skips": 0, "skipped": 0, "max_skip": 0,
             "backwards": 0, "foreign": 0}
    last = None
    for v in values:
        if v == 0 or v == last:
            continue
        steps["rows"] += 1
        if v not in INDEX:
            steps["foreign"] += 1
            last = None
            continue
        if last is not None:
            d = (INDEX[v] - INDEX[last]) % len(ROWS)
            if d == 1:
                steps["in_order"] += 1
            elif d <= len(ROWS) // 2:
                steps["skips"] += 1
                steps["skipped"] += d - 1
                steps["max_skip"] = max(steps["max_skip"], d - 1)
            else:
                steps["backwards"] += 1
        last = v
    return steps


def trace(path):
    writes, times, notes = [], [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            parts = line.split(" ", 2)
            if len(parts) < 3:
                continue
            if parts[1] == "W_P":
                writes.append(int(parts[2].split()[1]) & 0xFF)
                times.append(int(parts[0]) / 1e6)
            elif parts[1] == "note":
                notes.append((int(parts[0]) / 1e6, parts[2].strip()))
    return writes, times, notes


def table(path):
    with open(path) as f:
        return [{k: float(v) for k, v in row.items() if v not in ("", None)}
                for row in csv.DictReader(f)]


def growth(rows, keys):
    """Each counter at the first minute's sample, its last, and its highest after it."""
    if len(rows) < 2:
        return {}
    base = next((r for r in rows if r["minute"] >= 0.9), rows[1])
    after = [r for r in rows if r["minute"] >= base["minute"]]
    return {k: (base[k], after[-1][k], max(r[k] for r in after))
            for k in keys if k in base}


def plot(out, png, minutes):
    script = f"""
set terminal pngcairo size 1100,800 font ',10'
set output '{png}'
set datafile separator ','
set key below
set yrange [0:*]
set xrange [0:{minutes:.2f}]
set xlabel 'minute'
set multiplot layout 2,2 title 'kiv.exe on every output at 10 ms rows'
set title 'handles and windows (Windows)'
plot '{out}/samples.csv' using 1:8 with linespoints title 'handles (system handle table)', \
     '' using 1:9 with linespoints title 'windows'
set title 'threads'
plot '{out}/samples.csv' using 1:7 with linespoints title 'Windows (Toolhelp)', \
     '{out}/proc.csv' using 1:3 with linespoints title 'Linux (/proc)'
set title 'memory, MB'
plot '{out}/samples.csv' using 1:($10/1048576) with linespoints title 'committed private (VirtualQueryEx)', \
     '{out}/proc.csv' using 1:($5/1024) with linespoints title 'anonymous resident (/proc)'
set title 'machine load (1-minute average) and descriptors of the process'
plot '{out}/proc.csv' using 1:6 with linespoints title 'load', \
     '' using 1:($2/10) with linespoints title 'descriptors / 10'
unset multiplot
"""
    subprocess.run(["gnuplot"], input=script, text=True, check=True)


def main():
    out = sys.argv[1]
    png = sys.argv[2] if len(sys.argv) > 2 else os.path.join(out, "soak.png")
    print(open(os.path.join(out, "run.txt")).read().strip())

    samples = table(os.path.join(out, "samples.csv"))
    # /proc's clock starts a little earlier: what it saw after the last Windows sample
    # is the program closing.
    proc = [r for r in table(os.path.join(out, "proc.csv"))
            if r["minute"] <= samples[-1]["minute"]]
    print(f"\nsamples: {len(samples)} from Windows, {len(proc)} from /proc;"
          " counter: at minute 1 -> at the end (highest after minute 1)")
    for name, (a, b, m) in growth(samples, ["handles", "gdi", "user", "private_bytes",
                                            "table_handles", "windows", "private_committed",
                                            "working_set", "threads"]).items():
        print(f"  {name}: {a:.0f} -> {b:.0f} ({m:.0f})")
    for name, (a, b, m) in growth(proc, ["fds", "threads", "rss_kb", "anon_kb"]).items():
        print(f"  /proc {name}: {a:.0f} -> {b:.0f} ({m:.0f})")
    loads = [r["load1"] for r in proc]
    if loads:
        print(f"  load average (1 min): {min(loads):.2f} to {max(loads):.2f}")

    writes, times, notes = trace(os.path.join(out, "tavo-trace.txt"))
    if len(times) > 1:
        mean = (times[-1] - times[0]) / (len(times) - 1) * 1000
        gaps = sorted((b - a) * 1000 for a, b in zip(times, times[1:]))
        print(f"\n{len(times)} W_P calls over {times[-1] - times[0]:.0f} s, {mean:.3f} ms apart"
              f" on average; shortest {gaps[0]:.2f} ms, median {gaps[len(gaps) // 2]:.2f} ms,"
              f" 99th percentile {gaps[len(gaps) * 99 // 100]:.1f} ms, longest {gaps[-1]:.0f} ms;"
              f" {sum(g < 9 for g in gaps)} under 9 ms, {sum(g > 20 for g in gaps)} over 20 ms")
    print("\nrows received, in order, skipped, backwards:")
    print(f"  trace W_P: {order(writes)}")
    with open(os.path.join(out, "bridge.txt")) as f:
        print(f"  bridge: {order(int(line) for line in f)}")
    with open(os.path.join(out, "e131.txt")) as f:
        print(f"  e131: {order(int(line.split()[2]) for line in f)}")

    run = dict(line.split() for line in open(os.path.join(out, "epochs.txt")))
    replugs = os.path.join(out, "replugs.txt")
    plugs = [line.split() for line in open(replugs)] if os.path.exists(replugs) else []

    def board(name, column, read, figures):
        """Each time one board was there: its values, and how soon it had a row after a
        replug (column `column` of replugs.txt)."""
        said = {}
        for fields in plugs:
            n, back, first = int(fields[0]), float(fields[2]), fields[column]
            said[n] = f"back at {back - float(run['start']):.0f} s, " + (
                "as the run was stopping" if back > float(run["stop"]) - 5 else
                "NOTHING received within 10 s" if first == "-" else
                f"first row {float(first) - back:.2f} s later")
        print(f"\n{name.format('N')}, each time the board was there (0 = from the start):")
        print(f"  replugs: {len(said)}, resumed: {sum('first row' in t for t in said.values())}")
        n = 0
        while os.path.exists(os.path.join(out, name.format(n))):
            values = read(os.path.join(out, name.format(n)))
            lat = f", {said.get(n, 'back as the run was stopping')}" if n else ""
            print(f"  {n}: {len(values)} values, first {values[0] if values else None}{lat};"
                  f" {figures(values)}")
            n += 1

    board("serial-{}.bin", 3, lambda p: open(p, "rb").read(), order)
    # Relays 1 and 2 follow D0 and D1: a row switches them one report at a time.
    if os.path.exists(os.path.join(out, "relays-0.txt")):
        board("relays-{}.txt", 4, lambda p: [int(v) for v in open(p).read().split()],
              lambda states: f"states other than 0-3: {sum(v > 3 for v in states)}")
    gone = [t for t, text in notes if "gone" in text]
    back = [t for t, text in notes if ": back" in text]
    print(f"\ntrace notes: {len(gone)} gone, {len(back)} back; others:")
    for t, text in notes:
        if "gone" not in text and ": back" not in text:
            print(f"  {t:.1f} s {text}")
    plot(out, png, samples[-1]["minute"])


if __name__ == "__main__":
    main()
