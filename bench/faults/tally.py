"""Counts what reached Kestra's daily log files against what was injected and handed out.

Every stream line carries its number (bench/stream/StreamLine.h). A missing line that the service never
handed out is excused only when it falls between the last line an ended service handed out and the
first line its successor handed out (its queue died with it, or the line came while no service ran or
before Kestra was back); every other missing line is lost.
"""
import glob
import os
import re

STREAM_LINE = re.compile(r"S(\d{8,}) t=(\d{19}) ")
DAILY = re.compile(r"^\d{6}\.log$")


def read_folder(folder):
    """Stream line numbers in the daily files of one folder (in file order, files by date) and the
    count of other lines."""
    numbers, other = [], 0
    for path in sorted(glob.glob(os.path.join(folder, "*.log"))):
        if not DAILY.match(os.path.basename(path)):
            continue
        with open(path, "rb") as f:
            for raw in f.read().decode("utf-8", "replace").split("\n"):
                line = raw.rstrip("\r")
                if not line:
                    continue
                m = STREAM_LINE.search(line)
                if m:
                    numbers.append(int(m.group(1)))
                else:
                    other += 1
    return numbers, other


def out_of_order(numbers):
    """Lines lower than the line before them (first sightings only, as bench_tail counts them)."""
    seen, last, count = set(), -1, 0
    for n in numbers:
        if n in seen:
            continue
        seen.add(n)
        if n < last:
            count += 1
        last = n
    return count


def tally(injected, folders, handed, restarts, sent_times, rate):
    """folders: the main project's folder first, then the folders of projects switched to for a while.
    handed: service instance -> set of line numbers it handed out.
    restarts: [{"kind", "old", "new", "time_ns"}] in the order they happened."""
    per_folder = [read_folder(f) for f in folders]
    counts = {}
    for numbers, _ in per_folder:
        for n in numbers:
            counts[n] = counts.get(n, 0) + 1
    in_files = sum(len(numbers) for numbers, _ in per_folder)
    other = sum(o for _, o in per_folder)
    doubled = sum(c - 1 for c in counts.values() if c > 1)
    disorder = sum(out_of_order(numbers) for numbers, _ in per_folder)
    # A folder used for a stretch of the run holds one block of the stream: lines of the main folder
    # inside that block arrived out of their turn.
    main = per_folder[0][0]
    for numbers, _ in per_folder[1:]:
        if numbers:
            lo, hi = min(numbers), max(numbers)
            disorder += sum(1 for n in main if lo <= n <= hi)

    handed_any = set()
    for got in handed.values():
        handed_any |= got
    windows = []
    upto = -1
    instances = sorted(handed)
    for r in restarts:
        for i in instances:
            if i <= r["old"] and handed[i]:
                upto = max(upto, max(handed[i]))
        first = min(handed.get(r["new"]) or {upto + 1})
        windows.append((upto, first, r))

    excused = {}
    lost = []
    for n in range(injected):
        if n in counts:
            continue
        window = None
        if n not in handed_any:
            window = next((w for w in windows if w[0] < n < w[1]), None)
        if window is None:
            lost.append(n)
            continue
        upto, _, r = window
        # When the line was made: the feeder's batches are 100 ms apart, counted from the last line the
        # ended service handed out.
        base = sent_times.get(upto)
        made = None if base is None else base + ((n * 10 // rate) - (upto * 10 // rate)) * 100_000_000
        before = made is not None and made < r["time_ns"]
        key = (r["kind"], "before" if before else "after")
        excused[key] = excused.get(key, 0) + 1
    per_restart = {}
    details = []
    for upto, first, r in windows:
        gap = sum(1 for n in range(upto + 1, min(first, injected)) if n not in counts and n not in handed_any)
        per_restart.setdefault(r["kind"], []).append(gap)
        details.append(f"{r['kind']:<8} instance {r['old']:>3} -> {r['new']:<3} at {r['time_ns']}: "
                       f"last handed out {upto}, next first {first}, {gap} never handed out")

    return {
        "injected": injected,
        "handed_distinct": len(handed_any),
        "in_files": in_files,
        "other_lines": other,
        "lost": lost,
        "doubled": doubled,
        "out_of_order": disorder,
        "excused": excused,
        "per_restart": per_restart,
        "details": details,
    }
