#!/usr/bin/python3
"""Measures the set-up programs against the tools a user would otherwise use.

Every case runs this project's side and each peer on the same input, one
after the other, round after round, and reports medians and the ratio to the
peer named in the goal. Inputs are generated below a temporary folder from a
fixed seed and removed at the end. Started by bench/run.sh, which builds the
drivers and programs first.
"""

import argparse
import datetime
import os
import platform
import shutil
import subprocess
import sys
import tempfile

import cases
from measure import median

HERE = os.path.dirname(os.path.abspath(__file__))


def default_work_root():
    """tmpfs when it has room: the shared disk is the noisiest part of this machine."""
    try:
        st = os.statvfs("/dev/shm")
        if st.f_bavail * st.f_frsize > 8 * 1024 ** 3:
            return "/dev/shm"
    except OSError:
        pass
    return None


def filesystem_of(path):
    out = subprocess.run(["df", "--output=fstype", path], stdout=subprocess.PIPE, text=True).stdout.split()
    return out[-1] if out else "?"


def machine_description(work):
    def first_line(command):
        try:
            out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
            return out.strip().splitlines()[0] if out.strip() else "?"
        except OSError:
            return "absent"

    cpu = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem_kib = int(f.readline().split()[1])
    return [
        ("date", datetime.datetime.now().astimezone().strftime("%Y-%m-%d %H:%M %Z")),
        ("nproc", str(os.cpu_count())),
        ("memory", "%.1f GiB" % (mem_kib / 1024 / 1024)),
        ("CPU", cpu),
        ("kernel", platform.release()),
        ("load average at start", " ".join(str(round(x, 2)) for x in os.getloadavg())),
        ("Qt", first_line(["qmake", "-query", "QT_VERSION"])),
        ("compiler", first_line(["c++", "--version"])),
        ("build", "CMake Release"),
        ("work folder", "%s (%s)" % (work, filesystem_of(work))),
        ("bsdtar", first_line(["bsdtar", "--version"])),
        ("unzip", first_line(["unzip", "-v"])),
        ("sha1sum", first_line(["sha1sum", "--version"])),
        ("curl", first_line(["curl", "--version"])),
        ("coreutils (cp, rm)", first_line(["rm", "--version"])),
        ("python (server)", sys.version.split()[0]),
        ("Xvfb", first_line(["dpkg-query", "-W", "-f", "${Version}", "xvfb"])),
    ]


def format_kib(value):
    return "—" if value is None else "%.0f MiB" % (value / 1024)


def table(results):
    lines = ["| case | tool | median time | ratio to reference | median CPU | CPU ratio | peak memory | runs | goal |",
             "|---|---|---|---|---|---|---|---|---|"]
    for result in results:
        reference = result.samples.get(result.reference, [])
        ref = median([s.seconds for s in reference])
        ref_cpu = median([s.cpu for s in reference])
        for name, samples in result.samples.items():
            value = median([s.seconds for s in samples])
            cpu = median([s.cpu for s in samples])
            peak = median([s.peak_kib for s in samples])
            if name == result.reference:
                ratio = cpu_ratio = "reference"
            else:
                ratio = "%.2f ×" % (value / ref) if value is not None and ref else "—"
                cpu_ratio = "%.2f ×" % (cpu / ref_cpu) if cpu is not None and ref_cpu else "—"
            goal = result.verdicts.get(name, "")
            lines.append("| %s | %s | %s | %s | %s | %s | %s | %d | %s |" % (
                result.title, name, result.show(value), ratio, result.show(cpu), cpu_ratio, format_kib(peak),
                len(samples), goal))
        for note in result.notes:
            lines.append("| %s | *note* | %s | | | | | | |" % (result.title, note))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="build folder of bench/ (its bin/ holds the programs)")
    parser.add_argument("--rounds", type=int, default=5, help="rounds of the cheap cases (at least 3)")
    parser.add_argument("--heavy-rounds", type=int, default=3, help="rounds of the 1 GB and 300 MB cases")
    parser.add_argument("--only", action="append", help="run only these cases: " + ", ".join(cases.NAMES))
    parser.add_argument("--work", help="folder for the inputs (default: a new temporary folder, removed after)")
    parser.add_argument("--results", default=os.path.join(HERE, "results.md"), help="where the table goes")
    parser.add_argument("--no-results", action="store_true", help="print only, do not rewrite the results file")
    args = parser.parse_args()
    if min(args.rounds, args.heavy_rounds) < 3:
        parser.error("at least 3 rounds")
    chosen = args.only or cases.NAMES
    unknown = set(chosen) - set(cases.NAMES)
    if unknown:
        parser.error("unknown case %s" % ", ".join(sorted(unknown)))

    work = args.work or tempfile.mkdtemp(prefix="ombrix-bench-", dir=default_work_root())
    keep = bool(args.work)
    os.makedirs(work, exist_ok=True)
    description = machine_description(work)
    results = []
    context = cases.Context(os.path.abspath(args.build), work, args.rounds, args.heavy_rounds)
    try:
        for name in cases.NAMES:
            if name in chosen:
                print("== %s" % name, flush=True)
                result = cases.CASES[name](context)
                results.append(result)
                print("\n".join(table([result])[2:]), flush=True)
    finally:
        # Servers and the display end even when a case fails.
        context.close()
        if not keep:
            shutil.rmtree(work, ignore_errors=True)

    lines = table(results)
    print()
    print("\n".join(lines))
    if not args.no_results:
        with open(args.results, "w", encoding="utf-8") as f:
            f.write("# Benchmark results\n\n")
            f.write("Made by `bench/run.sh`: medians of runs alternated round after round in one session; "
                    "ratios are against the reference peer measured in the same session.\n\n")
            f.write("| machine | |\n|---|---|\n")
            for key, value in description:
                f.write("| %s | %s |\n" % (key, value.replace("|", "/")))
            f.write("\n")
            f.write("\n".join(lines) + "\n")
            f.write("\n" + cases.EXPLANATIONS)
        print("\nwritten to %s" % args.results)


if __name__ == "__main__":
    main()
