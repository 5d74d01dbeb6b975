#!/usr/bin/python3
"""What a small run costs: the fixed state of the program rather than the work of a large file.

Times two runs of a Release build of plenvor, each repeated: the best and the median wall time,
and, from /usr/bin/time, the median of the minor page faults and the highest peak resident memory.
(A child's own resource usage as Python sees it would count the pages of the Python process it was
forked from.)

  missing  plenvor -shp missing.sdf, in an empty folder: with neither the file nor a projection
           file there, the run stops at its first check, before it converts anything;
  river    plenvor -shp river.sdf on examples/river.sdf with its Projection.prj.

Then runs plenvor_reset_timing, which times a reset of all process-wide state (as the tests and a
fuzz run make it between runs) after converting examples/river.sdf in-process, and on unused state.

    bench/small.py [--binary PATH] [--reset-timing PATH] [--base PATH] [--repeat N] [--work DIR]

Without --binary the script configures and builds build/release (CMAKE_BUILD_TYPE=Release) with
both programs. With --base another plenvor is measured the same way, for comparison.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "bench"))
import bench  # noqa: E402  (its Release build)

EXAMPLES = os.path.join(SOURCE, "examples")

# What a small run may cost: (wall ms, minor faults, peak MB); None where the limit is relative.
LIMITS = {"missing": (10.0, 1000, None), "river": (15.0, None, None)}


# The console answers: an empty line for the prompt where there is one, and Enter to close.
ANSWERS = b"\n\n"


def run_once(cmd, cwd):
    """(wall ms, exit status) of one run of cmd, its console thrown away."""
    with open(os.devnull, "wb") as sink:
        start = time.perf_counter()
        p = subprocess.Popen(cmd, cwd=cwd, stdin=subprocess.PIPE, stdout=sink, stderr=subprocess.STDOUT)
        p.stdin.write(ANSWERS)
        p.stdin.close()
        status = p.wait()
        wall = (time.perf_counter() - start) * 1000.0
    return wall, status


def usage_once(cmd, cwd):
    """(minor faults, peak MB) of one run of cmd, as /usr/bin/time reports them."""
    report = os.path.join(cwd, "time.txt")
    with open(os.devnull, "wb") as sink:
        subprocess.run(["/usr/bin/time", "-o", report, "-f", "%R %M"] + cmd, cwd=cwd, input=ANSWERS, stdout=sink,
                       stderr=subprocess.STDOUT)
    with open(report) as f:
        minflt, peak_kb = f.read().split()[-2:]
    return int(minflt), int(peak_kb) / 1024.0


def case_folder(work, case, k, purpose):
    folder = os.path.join(work, "%s_%s_%d" % (case, purpose, k))
    os.makedirs(folder)
    if case == "river":
        for name in ("river.sdf", "Projection.prj"):
            shutil.copy(os.path.join(EXAMPLES, name), folder)
    return folder


def measure(binary, case, work, repeat):
    walls, faults, peaks, statuses = [], [], [], set()
    cmd = [binary, "-shp", case + ".sdf"]
    for k in range(repeat):
        wall, status = run_once(cmd, case_folder(work, case, k, "time"))
        walls.append(wall)
        statuses.add(status)
        if os.path.exists("/usr/bin/time"):
            minflt, peak = usage_once(cmd, case_folder(work, case, k, "usage"))
            faults.append(minflt)
            peaks.append(peak)
    return {"best": min(walls), "median": statistics.median(walls),
            "faults": statistics.median(faults) if faults else -1, "peak": max(peaks) if peaks else -1.0,
            "status": sorted(statuses)}


def show(label, case, m, base=None):
    line = ("%-8s %-8s best %6.2f ms, median %6.2f ms, %6d minor faults, peak %5.1f MB, status %s"
            % (label, case, m["best"], m["median"], m["faults"], m["peak"], m["status"]))
    wall_limit, fault_limit, _ = LIMITS[case]
    checks = ["time %s" % ("ok" if m["best"] <= wall_limit else "OVER %.0f ms" % wall_limit)]
    if fault_limit is not None:
        checks.append("faults %s" % ("ok" if m["faults"] <= fault_limit else "OVER %d" % fault_limit))
    if base is not None and case == "river":
        checks.append("peak %.2f of the base's%s" % (m["peak"] / base["peak"],
                                                   "" if m["peak"] <= base["peak"] / 2 else " (OVER one half)"))
    print(line + "  [" + ", ".join(checks) + "]" if label == "plenvor" else line)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--binary", help="plenvor to measure (default: build build/release)")
    ap.add_argument("--reset-timing", help="plenvor_reset_timing to run (default: beside --binary, or built)")
    ap.add_argument("--base", help="another plenvor, measured the same way for comparison")
    ap.add_argument("--repeat", type=int, default=20, help="runs of each case")
    ap.add_argument("--work", default="/dev/shm" if os.path.isdir("/dev/shm") else None,
                    help="folder in which the temporary work folder is made (default: /dev/shm)")
    a = ap.parse_args()
    if a.repeat < 1:
        ap.error("at least one run")

    if a.binary:
        binary = os.path.abspath(a.binary)
        reset_timing = a.reset_timing or os.path.join(os.path.dirname(binary), "plenvor_reset_timing")
    else:
        binary, reset_timing = bench.build_release("plenvor_reset_timing")
        reset_timing = a.reset_timing or reset_timing

    work = tempfile.mkdtemp(prefix="plenvor-small-", dir=a.work)
    try:
        results = {}
        for label, path in (("base", a.base), ("plenvor", binary)):
            if not path:
                continue
            for case in ("missing", "river"):
                results[(label, case)] = measure(os.path.abspath(path), case, os.path.join(work, label), a.repeat)
        for case in ("missing", "river"):
            if ("base", case) in results:
                show("base", case, results[("base", case)])
            show("plenvor", case, results[("plenvor", case)], results.get(("base", case)))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    if os.path.exists(reset_timing):
        sys.stdout.flush()
        subprocess.run([reset_timing, os.path.join(EXAMPLES, "river.sdf"), str(a.repeat)], check=True)
    else:
        print("plenvor_reset_timing: not found at %s (cmake --build DIR --target plenvor_reset_timing)"
              % reset_timing)


if __name__ == "__main__":
    main()
