#!/usr/bin/env python3
"""Prints Lumitrax's responsiveness and idle cost under Wine, each beside the
figure it is compared with. Runs inside scripts/wine-env.sh.

    bench.py SIMULATOR_DIR [--presses N] [--idle-seconds S]

- the time from the program's start to its first idle poll cycle;
- key-to-event latency: time from a key press on the simulated controller to
  the program's read of the change register (28), median and 99th percentile;
- controller accesses per idle second, by kind;
- CPU use and resident memory of the idle program against an idle Win32
  program (Wine's notepad) under the same Wine;
- the size of the release program, stripped.
"""
import argparse
import os
import random
import statistics
import subprocess
import sys
import time

POLL_PERIOD_MS = 30.0


def keypadctl(sim_dir, *args):
    out = subprocess.run(["wine", os.path.join(sim_dir, "keypadctl.exe"), *args],
                         check=True, capture_output=True, text=True).stdout
    return out.strip()


def log_since(sim_dir, seq):
    entries = []
    for line in keypadctl(sim_dir, "log", "--since", str(seq)).splitlines():
        seq_, time_us, op, reg, value, result = line.split()
        entries.append((int(seq_), int(time_us), op, reg, value, result))
    return entries


def linux_pid(name):
    out = subprocess.run(["pgrep", "-f", name], capture_output=True, text=True).stdout.split()
    return int(out[0]) if out else None


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks  # utime + stime


def cpu_percent(pid, seconds):
    start_cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return 100.0 * (cpu_seconds(pid) - start_cpu) / (time.monotonic() - start)


def wait_for_pid(name, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        pid = linux_pid(name)
        if pid:
            return pid
        time.sleep(0.1)
    raise SystemExit(f"{name} did not start")


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def stripped_size(program):
    """The program's size without its symbols, stripped by the toolchain of
    its own architecture."""
    import shutil
    import tempfile
    arch = os.environ.get("LUMITRAX_WINE_ARCH", "win32")
    strip = ("i686" if arch == "win32" else "x86_64") + "-w64-mingw32-strip"
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "Lumitrax.exe")
        shutil.copy(program, copy)
        subprocess.run([strip, copy], check=True)
        return os.path.getsize(copy)


def percentile(values, p):
    ordered = sorted(values)
    index = min(len(ordered) - 1, max(0, round(p / 100.0 * len(ordered)) - 1))
    return ordered[index]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("sim_dir")
    parser.add_argument("--presses", type=int, default=200)
    parser.add_argument("--idle-seconds", type=float, default=10.0)
    args = parser.parse_args()
    sim = args.sim_dir

    keypad = subprocess.Popen(["wine", os.path.join(sim, "Keypad.exe")])
    started = time.monotonic()
    program = subprocess.Popen(["wine", os.path.join(sim, "Lumitrax.exe")])
    try:
        # Only the program reads the input line: its first read ends start-up.
        keypadctl(sim, "wait", "G", "any", "--timeout", "60000")
        start_ms = (time.monotonic() - started) * 1000.0
        random.seed(1)

        # Latency: presses at random phases of the poll cycle.
        latencies = []
        for i in range(args.presses):
            key = "vol+" if i % 2 == 0 else "vol-"
            seq = int(keypadctl(sim, "seq"))
            keypadctl(sim, "press", key)
            keypadctl(sim, "wait", "R", "28", "--since", str(seq), "--timeout", "5000")
            entries = log_since(sim, seq)
            pressed = next(e for e in entries if e[2] == "K")
            read = next(e for e in entries if e[2] == "R" and e[3] == "28")
            latencies.append((read[1] - pressed[1]) / 1000.0)
            time.sleep(random.uniform(0, POLL_PERIOD_MS / 1000.0))

        # Idle accesses.
        time.sleep(0.5)
        seq = int(keypadctl(sim, "seq"))
        start = time.monotonic()
        time.sleep(args.idle_seconds)
        entries = [e for e in log_since(sim, seq)]
        elapsed = time.monotonic() - start
        line_reads = sum(1 for e in entries if e[2] == "G")
        reads = sum(1 for e in entries if e[2] == "R")
        writes = sum(1 for e in entries if e[2] == "W")

        # Idle CPU and memory of the program, then of an idle Win32 program.
        program_pid = wait_for_pid("Lumitrax.exe")
        program_cpu = cpu_percent(program_pid, args.idle_seconds)
        program_kib = resident_kib(program_pid)
    finally:
        subprocess.run(["wine", "taskkill", "/IM", "Lumitrax.exe"], capture_output=True)
        program.wait(timeout=30)

    baseline = subprocess.Popen(["wine", "notepad.exe"])
    try:
        time.sleep(2.0)  # let it settle into its message loop
        baseline_pid = wait_for_pid("notepad.exe")
        baseline_cpu = cpu_percent(baseline_pid, args.idle_seconds)
        baseline_kib = resident_kib(baseline_pid)
    finally:
        baseline.terminate()
        subprocess.run(["wine", "taskkill", "/F", "/IM", "notepad.exe"], capture_output=True)
        keypad.terminate()
        subprocess.run(["wine", "taskkill", "/F", "/IM", "Keypad.exe"], capture_output=True)

    missed = []

    def verdict(name, met):
        if not met:
            missed.append(name)
        return "ok" if met else "MISSED"

    median = statistics.median(latencies)
    p99 = percentile(latencies, 99)
    print(f"key-to-event latency over {len(latencies)} presses (poll period {POLL_PERIOD_MS:.0f} ms):")
    print(f"  median {median:6.1f} ms   target <= 20 ms   {verdict('latency median', median <= 20)}")
    print(f"  p99    {p99:6.1f} ms   target <= 35 ms   {verdict('latency p99', p99 <= 35)}")
    print(f"controller accesses while idle ({elapsed:.1f} s):")
    print(f"  input-line reads {line_reads / elapsed:5.1f}/s   one per cycle = {1000 / POLL_PERIOD_MS:.1f}/s")
    print(f"  register reads   {reads / elapsed:5.1f}/s   expected 0")
    print(f"  register writes  {writes / elapsed:5.1f}/s   expected 0")
    ratio = f"{program_cpu / baseline_cpu:4.1f}" if baseline_cpu > 0 else "n/a (baseline 0)"
    print("idle CPU use (the poll thread wakes every 30 ms):")
    print(f"  Lumitrax.exe         {program_cpu:5.2f} %")
    print(f"  idle Win32 (notepad) {baseline_cpu:5.2f} %   ratio {ratio}, target: within 0.5 "
          f"points {verdict('idle CPU', program_cpu - baseline_cpu <= 0.5)}")
    extra = (program_kib - baseline_kib) / 1024.0
    print("resident memory:")
    print(f"  Lumitrax.exe {program_kib / 1024.0:6.1f} MiB, notepad {baseline_kib / 1024.0:6.1f} MiB: "
          f"{extra:+.1f} MiB above the baseline, target under 8 MiB "
          f"{verdict('resident memory', extra < 8)}")
    size = stripped_size(os.path.join(os.path.dirname(sim.rstrip('/')), "release", "Lumitrax.exe"))
    print(f"release program, stripped: {size / 1024.0:7.1f} KiB   target under 1024 KiB   "
          f"{verdict('program size', size < 1024 * 1024)}")
    print(f"start to the first idle poll cycle: {start_ms:6.0f} ms (Wine's process start included;"
          " no limit)")
    if missed:
        print("MISSED: " + ", ".join(missed))
        sys.exit(1)


if __name__ == "__main__":
    main()
