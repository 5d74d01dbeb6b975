#!/usr/bin/python3
"""The Windows build against the Linux build: every file written, byte for byte, and the console.

    tests/windows/compare.py LINUX_BINARY WINDOWS_BINARY PREFIX WORK [--samples DIR] [--jobs N]

Converts examples/river.sdf and every SDF of the samples folder with -shp, -mif, -notrim and no
option, each twice in folders of its own: with the Linux build, and with the Windows build under
wine (wine_run.sh beside this script, in the wine prefix PREFIX). Each pair must end with status 0
and write the same files with the same bytes (the date in a .dbf header aside, bytes 1 to 3), and
print the same console, the Windows console's CR LF read as LF (every line of it must end so).
Every layer the Windows build wrote must pass shpcheck.py and gdalcheck.py of ../shared/tools.
Three more pairs convert the example where its first profile would be written over it (the input
named as that profile, or a hard or a symbolic link of that name to it): both must stop with
status 1, the same console and the same files, the input left as it was.

WORK is emptied first. Each run's console (stdout and stderr as one) stays in
WORK/<input>/<option>/linux.txt and windows.txt, and WORK/runs.txt lists every run with its status
and time; a pair's folders stay beside its consoles when anything about it is wrong. The exit
status is 1 when anything is.
"""
import argparse
import concurrent.futures
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "bench"))
sys.path.insert(0, os.path.join(SOURCE, "tests", "e2e"))
import checksums  # noqa: E402  (the -mif projection, the files a run wrote, the .dbf date aside)
import test_sdf_samples  # noqa: E402  (the checkers, run in one interpreter per conversion)

WINE_RUN = os.path.join(HERE, "wine_run.sh")
OPTIONS = (["-shp"], ["-mif"], ["-notrim"], [])
# A wine run that has not ended after this long is a failure, not a wait.
RUN_TIMEOUT = 600
# Conversions of the example that must stop before a byte of their profile is written over their
# input: the example under its first profile's name, and with a hard or a symbolic link of that
# name beside it.
FIRST_PROFILE = "Mill Creek_Upper_850.csv"
OVER_INPUT = ("named", "hard", "symbolic")


def option_name(option):
    return option[0][1:] if option else "none"


def prepare(folder, sdf, over_input):
    os.makedirs(folder)
    name = os.path.basename(sdf)
    if not over_input:
        os.symlink(os.path.abspath(sdf), os.path.join(folder, name))
    else:
        # A copy, which the run must leave as it is, so that a fault cannot reach the example.
        name = FIRST_PROFILE if over_input == "named" else name
        shutil.copy(sdf, os.path.join(folder, name))
        if over_input == "hard":
            os.link(os.path.join(folder, name), os.path.join(folder, FIRST_PROFILE))
        elif over_input == "symbolic":
            os.symlink(name, os.path.join(folder, FIRST_PROFILE))
    shutil.copy(os.path.join(SOURCE, "examples", "Projection.prj"), os.path.join(folder, "Projection.prj"))
    with open(os.path.join(folder, "Projection.mif"), "w", newline="\n") as f:
        f.write(checksums.MIF_HEADER)
    return name


def run(command, folder, console_path):
    """Runs command in folder with one Enter as console input; (status, console, seconds)."""
    start = time.monotonic()
    try:
        p = subprocess.run(command, cwd=folder, input=b"\n", stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=RUN_TIMEOUT)
        status, console = p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        status, console = "timeout", e.stdout or b""
    with open(console_path, "wb") as f:
        f.write(console)
    return status, console, time.monotonic() - start


def first_difference(a, b):
    n = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
    return "%d and %d bytes, first difference at byte %d" % (len(a), len(b), n)


def in_run_terms(console, folder, windows):
    """The console with the run's folder, as the host names it, read as <run>."""
    names = [os.path.realpath(folder), folder]
    if windows:
        names = ["Z:" + n.replace("/", "\\") for n in names] + names
    for n in names:
        console = console.replace(n.encode(), b"<run>")
    return console


def check_layers(folder, files):
    """The checkers' verdicts on every layer in folder: (checker, layer, passed, report)."""
    runs = []
    for rel in files:
        path = os.path.join(folder, rel)
        if rel.lower().endswith(".shp"):
            runs += [["shpcheck.py", path[:-4]], ["gdalcheck.py", "--allow-null", path]]
        elif rel.lower().endswith(".mif"):
            runs.append(["gdalcheck.py", "--allow-null", path])
    return [(check, os.path.basename(target), rc == 0, text)
            for target, check, rc, text in test_sdf_samples.run_checks(runs)] if runs else []


def compare_pair(linux_binary, windows_binary, prefix, work, sdf, option, over_input=None):
    """Converts sdf with option on both sides and compares; a dict of what was found. With
    over_input, one of OVER_INPUT, both runs must stop with status 1 and leave the input whole."""
    stem = os.path.splitext(os.path.basename(sdf))[0]
    pair = os.path.join(work, stem, "over-input-" + over_input if over_input else option_name(option))
    folders = {side: os.path.join(pair, side) for side in ("linux", "windows")}
    name = prepare(folders["linux"], sdf, over_input)
    prepare(folders["windows"], sdf, over_input)
    inputs = set(os.listdir(folders["linux"]))
    commands = {"linux": [linux_binary] + option + [name],
                "windows": [WINE_RUN, prefix, windows_binary] + option + [name]}
    tag = "%s %s" % (os.path.basename(sdf), " ".join(option) or "(no option)")
    if over_input:
        tag += ", the input %s its first profile" % {"named": "named as", "hard": "hard-linked as",
                                                     "symbolic": "symbolically linked as"}[over_input]
    result = {"tag": tag, "problems": [], "files": 0, "checks": []}
    consoles = {}
    for side in ("linux", "windows"):
        status, console, seconds = run(commands[side], folders[side], os.path.join(pair, side + ".txt"))
        consoles[side] = console
        result[side] = (status, seconds)
        if status != (1 if over_input else 0) or not console:
            result["problems"].append(("run", "%s run: status %s, %d bytes of console (%s.txt)" %
                                               (side, status, len(console), os.path.join(pair, side))))
        if over_input and checksums.content(os.path.join(folders[side], name)) != checksums.content(sdf):
            result["problems"].append(("file", "%s run: the input was written over" % side))

    files = {side: checksums.written(folders[side], inputs) for side in folders}
    for rel in sorted(set(files["linux"]) ^ set(files["windows"])):
        result["problems"].append(("file", "%s written by the %s build only" %
                                           (rel, "Linux" if rel in files["linux"] else "Windows")))
    for rel in sorted(set(files["linux"]) & set(files["windows"])):
        a, b = (checksums.content(os.path.join(folders[side], rel)) for side in ("linux", "windows"))
        result["files"] += 1
        if a != b:
            result["problems"].append(("file", "%s differs: %s" % (rel, first_difference(a, b))))

    windows_console = consoles["windows"]
    if windows_console.count(b"\n") != windows_console.count(b"\r\n"):
        result["problems"].append(("console", "the Windows console has a line not ended by CR LF"))
    linux_console = in_run_terms(consoles["linux"], folders["linux"], False)
    windows_console = in_run_terms(windows_console.replace(b"\r\n", b"\n"), folders["windows"], True)
    if linux_console != windows_console:
        result["problems"].append(("console", "the consoles differ: %s" %
                                   first_difference(linux_console, windows_console)))

    result["checks"] = check_layers(folders["windows"], files["windows"])
    for check, layer, passed, report in result["checks"]:
        if not passed:
            result["problems"].append(("check", "%s %s: %s" % (check, layer, report.strip())))
    if not result["problems"]:
        for folder in folders.values():
            shutil.rmtree(folder)
    return result


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("linux_binary")
    ap.add_argument("windows_binary")
    ap.add_argument("prefix", help="the wine prefix the Windows build runs in")
    ap.add_argument("work", help="the folder the runs and their consoles are kept in (emptied first)")
    ap.add_argument("--samples", default=os.path.join(SOURCE, "..", "shared", "samples", "sdf"))
    ap.add_argument("--jobs", type=int, default=4)
    a = ap.parse_args()

    samples = sorted(os.path.join(a.samples, f) for f in os.listdir(a.samples) if f.lower().endswith(".sdf"))
    inputs = [os.path.join(SOURCE, "examples", "river.sdf")] + samples
    work = os.path.abspath(a.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    test_sdf_samples.SOURCE_DIR = SOURCE
    start = time.monotonic()
    pairs = [(sdf, option, None) for sdf in inputs for option in OPTIONS]
    pairs += [(inputs[0], [], over_input) for over_input in OVER_INPUT]
    binaries = (os.path.abspath(a.linux_binary), os.path.abspath(a.windows_binary), os.path.abspath(a.prefix))
    with concurrent.futures.ThreadPoolExecutor(a.jobs) as pool:
        futures = [pool.submit(compare_pair, *binaries, work, *pair) for pair in pairs]
        results = [f.result() for f in futures]

    with open(os.path.join(work, "runs.txt"), "w") as f:
        for r in results:
            f.write("%s: Linux status %s in %.2f s, Windows status %s in %.2f s\n" %
                    (r["tag"], r["linux"][0], r["linux"][1], r["windows"][0], r["windows"][1]))
    problems = [(r["tag"], kind, text) for r in results for kind, text in r["problems"]]
    kinds = {kind for _, kind, _ in problems}
    for tag, _, text in problems:
        print("%s: %s" % (tag, text))
    checks = [c for r in results for c in r["checks"]]
    totals = {}
    for check, _, passed, _ in checks:
        totals.setdefault(check, [0, 0])
        totals[check][0] += passed
        totals[check][1] += 1
    print("%d conversions (%d inputs x %d options, and %d that must leave their input whole), each by both "
          "builds: %d files compared, %s; the consoles %s" %
          (len(results), len(inputs), len(OPTIONS), len(OVER_INPUT), sum(r["files"] for r in results),
           "DIFFERENT" if "file" in kinds else "identical",
           "DIFFERENT" if "console" in kinds else "identical after CR LF"))
    print("; ".join("%s: %d of %d passed" % (check, *totals[check]) for check in sorted(totals)) +
          " (layers written by the Windows build)")
    print("%.1f s; consoles in %s" % (time.monotonic() - start, work))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
