"""Running one contender once: wall time, peak memory, what it printed."""

import os
import statistics
import subprocess
import tempfile
import time


class Sample:
    """One run: wall seconds, peak resident KiB, CPU seconds (user + system)."""

    def __init__(self, seconds, peak_kib=None, cpu=None):
        self.seconds = seconds
        self.peak_kib = peak_kib
        self.cpu = cpu


def run(command, env=None, cwd=None):
    """Runs command under /usr/bin/time; returns (wall seconds, peak KiB, CPU seconds, stdout).

    The time is taken around the whole process, start-up included, so both
    sides of a comparison pay for their start the same way."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as peak:
        full = ["/usr/bin/time", "-f", "%M %U %S", "-o", peak.name] + list(command)
        start = time.perf_counter()
        done = subprocess.run(full, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        seconds = time.perf_counter() - start
        if done.returncode != 0:
            raise RuntimeError("%s failed (%d): %s" % (" ".join(command), done.returncode,
                                                      done.stderr.decode(errors="replace")[-2000:]))
        fields = (peak.read().splitlines() or [""])[-1].split()
        kib = int(fields[0]) if len(fields) == 3 else None
        cpu = float(fields[1]) + float(fields[2]) if len(fields) == 3 else None
    return seconds, kib, cpu, done.stdout.decode(errors="replace")


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def alternate(contenders, rounds):
    """Each round runs every contender once, in the given order; returns name -> [Sample]."""
    samples = {c.name: [] for c in contenders}
    for _ in range(rounds):
        for c in contenders:
            if c.prepare:
                c.prepare()
            samples[c.name].append(c.run())
            if c.cleanup:
                c.cleanup()
    return samples


class Contender:
    def __init__(self, name, run, prepare=None, cleanup=None):
        self.name = name
        self.run = run
        self.prepare = prepare
        self.cleanup = cleanup


def remove(path):
    """Untimed clean-up between runs."""
    if os.path.lexists(path):
        subprocess.run(["rm", "-rf", path], check=True)
