"""Times whole runs of commands for compare.sh.

Rows come on standard input: a label line, then one command per line (fields
separated by tabs), then a blank line. The commands of a row run in turn,
RUNS times, their output to /dev/null. For each command the row shows the
median wall-clock time of a run and the median CPU time (user + system) it
used, which a busy machine disturbs less; for each command after the first,
its times as multiples of the first one's.

    python3 timing.py RUNS < rows
"""
import resource
import statistics
import subprocess
import sys
import time


def once(cmd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall * 1000, cpu * 1000


def row(label, cmds, runs):
    times = [[] for _ in cmds]
    for _ in range(runs):
        for k, cmd in enumerate(cmds):
            times[k].append(once(cmd))
    medians = [(statistics.median(w for w, _ in t), statistics.median(c for _, c in t)) for t in times]
    ours = medians[0]
    cells = [f"{ours[0]:.1f} / {ours[1]:.1f}"]
    for wall, cpu in medians[1:]:
        cells += [f"{wall:.1f} / {cpu:.1f}", f"{wall / ours[0]:.1f}x / {cpu / max(ours[1], 0.001):.1f}x"]
    print(f"| {label} | " + " | ".join(cells) + " |", flush=True)


def main():
    runs = int(sys.argv[1])
    block = []
    for line in list(sys.stdin) + [""]:
        line = line.rstrip("\n")
        if line:
            block.append(line.split("\t"))
        elif block:
            row(block[0][0], block[1:], runs)
            block = []


main()
