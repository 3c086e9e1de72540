#!/usr/bin/python3
"""Prints the benchmark table: image size against the empty-program floor, the start cost of the
up-to-date path under Wine, the time to the package's first instruction, dynamic memory, stack.

usage: bench.py ROOT_OF_BUILDS WORK_DIR PAIRS
"""
import glob
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))
import winehost  # noqa: E402

ALLOCATION_SYMBOLS = re.compile(
    r"\b_{0,2}(?:imp_+)?_?(malloc|calloc|realloc|_Znw[jm]|_Zna[jm]|HeapAlloc|LocalAlloc|"
    r"GlobalAlloc)(@\d+)?\b")
REG_PATH = "CorvaneBench\\Runtime"


def row(label, value, target=""):
    print("| %-52s | %-28s | %-22s |" % (label, value, target))


def timed_run(prefix, program, cwd, env=None):
    started = time.perf_counter()
    result = prefix.run([program], cwd=cwd, env=env)
    elapsed = time.perf_counter() - started
    if result.returncode != 0:
        raise SystemExit("%s ended with %d" % (program, result.returncode))
    return elapsed


def medium(work, name, build, package_version):
    directory = os.path.join(work, name)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    shutil.copy(os.path.join(build, "loader", "loader.exe"), directory)
    shutil.copy(os.path.join(build, "loader", "empty.exe"), directory)
    shutil.copy(os.path.join(build, "tests", "wine", "probe.exe"), os.path.join(directory, "setup.exe"))
    with open(os.path.join(directory, "autorun.inf"), "w", newline="") as out:
        out.write("[autorun]\r\nRuntimePackage=setup.exe\r\nRegPath=%s\r\nVersion=%s\r\n"
                  % (REG_PATH, package_version))
    return directory


def start_costs(prefix, up_to_date, pairs):
    loader = winehost.to_windows(os.path.join(up_to_date, "loader.exe"))
    empty = winehost.to_windows(os.path.join(up_to_date, "empty.exe"))
    for _ in range(3):  # warm both
        timed_run(prefix, empty, up_to_date)
        timed_run(prefix, loader, up_to_date)
    empties, loaders, ratios = [], [], []
    for _ in range(pairs):
        a = timed_run(prefix, empty, up_to_date)
        b = timed_run(prefix, loader, up_to_date)
        empties.append(a)
        loaders.append(b)
        ratios.append(b / a)
    return empties, loaders, ratios


def time_to_first_instruction(prefix, directory, runs):
    """From the loader's start to the package's first instruction, nothing installed."""
    log = os.path.join(directory, "probe.log")
    loader = winehost.to_windows(os.path.join(directory, "loader.exe"))
    delays = []
    for _ in range(runs):
        if os.path.exists(log):
            os.remove(log)
        started = time.time() * 1000
        prefix.run([loader], cwd=directory, env={"PROBE_LOG": winehost.to_windows(log)})
        with open(log) as lines:
            first = int(lines.readline().split(" ")[1])
        delays.append(first - started)
    return delays


def allocation_calls(objects):
    found = set()
    for path in objects:
        undefined = subprocess.run(["i686-w64-mingw32-nm", "-u", path], capture_output=True,
                                   text=True, check=True).stdout
        for line in undefined.splitlines():
            match = ALLOCATION_SYMBOLS.search(line)
            if match:
                found.add(line.split()[-1])
    return sorted(found)


def main():
    builds, work, pairs = sys.argv[1], os.path.abspath(sys.argv[2]), int(sys.argv[3])
    win32 = os.path.join(builds, "win32")
    win64 = os.path.join(builds, "win64")
    os.makedirs(work, exist_ok=True)

    loader_size = os.path.getsize(os.path.join(win32, "loader", "loader.exe"))
    floor_size = os.path.getsize(os.path.join(win32, "loader", "empty.exe"))

    prefix = winehost.Prefix(os.path.join(work, "prefix"))
    prefix.start()
    try:
        prefix.reg(["add", "HKLM\\Software\\" + REG_PATH, "/v", "Version", "/d", "2.1.0.5", "/f"])
        up_to_date = medium(work, "up-to-date", win64, "2.1.0.5")
        empties, loaders, ratios = start_costs(prefix, up_to_date, pairs)
        not_installed = medium(work, "not-installed", win64, "9.0.0.0")
        delays = time_to_first_instruction(prefix, not_installed, 6)
    finally:
        prefix.stop()

    objects = glob.glob(os.path.join(win32, "loader", "CMakeFiles", "loader.dir", "*.obj"))
    allocations = allocation_calls(objects)
    counted = subprocess.run([os.path.join(builds, "host", "tests", "allocation_test")],
                             capture_output=True, text=True).stdout
    counts = re.findall(r"allocations during the run, (.*): (\d+)", counted)
    graphs = glob.glob(os.path.join(builds, "bench-stack", "**", "*.ci"), recursive=True)
    stack = subprocess.run([sys.executable, os.path.join(HERE, "stack_depth.py")] + graphs,
                           capture_output=True, text=True, check=True).stdout.split(" ", 1)

    quartiles = statistics.quantiles(ratios, n=4)
    print()
    print("| %-52s | %-28s | %-22s |" % ("Figure", "Measured", "Target"))
    print("|%s|%s|%s|" % ("-" * 54, "-" * 30, "-" * 24))
    row("win32 loader.exe", "%d bytes (%.1f KiB)" % (loader_size, loader_size / 1024),
        "at most 24 KiB")
    row("empty WinMain, same toolchain, flags, resources", "%d bytes" % floor_size)
    row("logic cost (loader - floor)", "%d bytes (%.2f KiB)" % (
        loader_size - floor_size, (loader_size - floor_size) / 1024), "at most 3 KiB")
    row("reference: a widely used installer stub", "about 34 KB")
    row("up-to-date path, win64 twin under Wine (median)", "%.1f ms" % (
        statistics.median(loaders) * 1000))
    row("empty program under Wine (median)", "%.1f ms" % (statistics.median(empties) * 1000))
    row("ratio, median of %d A/B pairs" % pairs, "%.3f" % statistics.median(ratios),
        "at most 1.10")
    row("ratio spread: quartiles, min..max", "%.3f-%.3f, %.3f..%.3f" % (
        quartiles[0], quartiles[2], min(ratios), max(ratios)))
    row("not installed: start to package's first instruction", "%.0f ms (median of %d)" % (
        statistics.median(delays), len(delays)))
    row("allocation calls in the loader's objects (nm)", "%d %s" % (
        len(allocations), " ".join(allocations)), "0")
    for end, count in counts:
        row("allocations in a host run: " + end, count, "0")
    row("deepest stack of the loader's own code (win32)", "%s bytes" % stack[0])
    print()
    print("deepest path: " + stack[1].strip())


if __name__ == "__main__":
    main()
