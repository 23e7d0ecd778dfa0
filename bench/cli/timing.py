"""Times whole runs of commands for compare.sh.

Rows come on standard input: a label line, then one command per line (fields
separated by tabs), then a blank line. The first command is ours; each peer
after it runs in turn with ours, RUNS times each, output to /dev/null, so
that what one peer leaves behind in memory weighs on no other pairing. Each
pairing prints a line: the median wall-clock time of a run and the median CPU
time (user + system), which a busy machine disturbs less, of ours and of the
peer, and the peer's as multiples of ours.

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
    ours_cmd = cmds[0]
    for peer_cmd in cmds[1:]:
        ours, peer = [], []
        for _ in range(runs):
            ours.append(once(ours_cmd))
            peer.append(once(peer_cmd))
        mo = (statistics.median(w for w, _ in ours), statistics.median(c for _, c in ours))
        mp = (statistics.median(w for w, _ in peer), statistics.median(c for _, c in peer))
        name = peer_cmd[0].rsplit("/", 1)[-1]
        if name.startswith("python"):
            name = "python IntelHex"
        print(f"| {label} | {name} | {mo[0]:.1f} / {mo[1]:.1f} | {mp[0]:.1f} / {mp[1]:.1f} | "
              f"{mp[0] / mo[0]:.1f}x / {mp[1] / max(mo[1], 0.001):.1f}x |", flush=True)


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
