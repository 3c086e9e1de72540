#!/usr/bin/python3
"""Prints the benchmark tables: image size against the empty-program floor, the time to the
package's first instruction, dynamic memory, stack; then the start cost of the up-to-date path
under Wine against two floors, in CPU time and wall time.

usage: bench.py ROOT_OF_BUILDS WORK_DIR PAIRS
"""
import collections
import csv
import glob
import itertools
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import time

import pefile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))
import startstats  # noqa: E402
import winehost  # noqa: E402

ALLOCATION_SYMBOLS = re.compile(
    r"\b_{0,2}(?:imp_+)?_?(malloc|calloc|realloc|_Znw[jm]|_Zna[jm]|HeapAlloc|LocalAlloc|"
    r"GlobalAlloc)(@\d+)?\b")
REG_PATH = "CorvaneBench\\Runtime"
# The programs whose starts are timed, and what each is measured against.
PROGRAMS = ("loader", "empty", "empty_imports")
NAMES = {"loader": "loader", "empty": "the empty program", "empty_imports": "the import floor"}
DESCRIPTIONS = {"loader": "loader, up to date", "empty": "empty program",
                "empty_imports": "import floor: empty, same imports as the loader"}
COMPARISONS = (("loader", "empty", ""), ("loader", "empty_imports", "at most 1.10"),
               ("empty_imports", "empty", ""))
WARM_UP_ROUNDS = 6
ORDER_SEED = 13
# An interval reaching further than this from its median is flagged in the table.
WIDE_INTERVAL = 0.05
MEASURES = (("cpu", "CPU time"), ("wall", "wall time"))
Start = collections.namedtuple("Start", "wall cpu")


def row(label, value, target=""):
    print("| %-52s | %-28s | %-22s |" % (label, value, target))


def medium(work, name, build, package_version):
    directory = os.path.join(work, name)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for program in PROGRAMS:
        shutil.copy(os.path.join(build, "loader", program + ".exe"), directory)
    shutil.copy(os.path.join(build, "tests", "wine", "probe.exe"), os.path.join(directory, "setup.exe"))
    with open(os.path.join(directory, "autorun.inf"), "w", newline="") as out:
        out.write(winehost.autorun("setup.exe", REG_PATH, package_version))
    return directory


def imported_libraries(path):
    image = pefile.PE(path, fast_load=True)
    image.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    return sorted(entry.dll.decode().lower() for entry in image.DIRECTORY_ENTRY_IMPORT)


def one_start(prefix, program, cwd):
    """Starts a whole process and returns its wall time and its CPU time: user plus system time as
    the kernel accounts it for the finished process (and any children it waited for)."""
    started = time.perf_counter()
    child = subprocess.Popen([winehost.WINE, program], cwd=cwd, env=prefix.env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - started
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        raise SystemExit("%s ended with %d" % (program, child.returncode))
    return Start(wall, usage.ru_utime + usage.ru_stime)


def round_orders(rounds, seed):
    """The order of the programs in each round. Each block of six rounds runs the six orders once,
    in a shuffled sequence, so no program gains from its place: the first start of a round
    may find caches colder, or share the machine differently, than the last."""
    generator = random.Random(seed)
    orders = []
    while len(orders) < rounds:
        block = list(itertools.permutations(PROGRAMS))
        generator.shuffle(block)
        orders.extend(block)
    return orders[:rounds]


def start_costs(prefix, directory, pairs):
    """[{program: Start}] in the order started, one round per pair; each round starts every
    program once."""
    paths = {name: winehost.to_windows(os.path.join(directory, name + ".exe")) for name in PROGRAMS}
    for order in round_orders(WARM_UP_ROUNDS, ORDER_SEED + 1):
        for name in order:
            one_start(prefix, paths[name], directory)
    rounds = []
    for order in round_orders(pairs, ORDER_SEED):
        rounds.append({name: one_start(prefix, paths[name], directory) for name in order})
    return rounds


def save_starts(path, rounds):
    with open(path, "w", newline="") as out:
        writer = csv.writer(out)
        writer.writerow(["round", "place", "program", "wall_s", "cpu_s"])
        for number, starts in enumerate(rounds):
            for place, (name, start) in enumerate(starts.items()):
                writer.writerow([number, place, name, "%.6f" % start.wall, "%.6f" % start.cpu])


def milliseconds(values):
    return "%.1f ms" % (statistics.median(values) * 1000)


def time_cell(values, groups):
    if groups:
        return "two groups: %s (%d), %s (%d)" % (milliseconds(groups[0]), len(groups[0]),
                                                milliseconds(groups[1]), len(groups[1]))
    return milliseconds(values)


def ratio_cell(ratios, grouped):
    """The median of the pair ratios with its interval. No figure when the ratios, or the times
    they divide, fall into two groups: the median then jumps between groups from run to run."""
    if grouped:
        return "none: times in two groups"
    groups = startstats.two_groups(ratios)
    if groups:
        return "none: ratios in two groups, %.2f (%d) and %.2f (%d)" % (
            statistics.median(groups[0]), len(groups[0]),
            statistics.median(groups[1]), len(groups[1]))
    median, low, high = startstats.median_interval(ratios)
    width = startstats.relative_width(median, low, high)
    text = "%.3f (%.3f–%.3f, ±%.1f %%)" % (median, low, high, width * 100)
    return text + (", wider than ±%d %%" % (WIDE_INTERVAL * 100) if width > WIDE_INTERVAL else "")


def print_table(header, rows):
    widths = [max(len(line[column]) for line in [header] + rows) for column in range(len(header))]
    for line in [header, ["-" * width for width in widths]] + rows:
        print("| " + " | ".join(cell.ljust(width) for cell, width in zip(line, widths)) + " |")


def print_start_costs(rounds, seconds):
    series = {(name, measure): [getattr(starts[name], measure) for starts in rounds]
              for name in PROGRAMS for measure, _ in MEASURES}
    groups = {key: startstats.two_groups(values) for key, values in series.items()}
    print("Start cost under Wine (win64 builds, warm prefix): %d pairs after %d warm-up rounds;"
          % (len(rounds), WARM_UP_ROUNDS))
    print("each round starts every program once, the order balanced over blocks of six rounds.")
    print("Took %.0f s with the warm-up, %.2f s a pair." % (seconds, seconds / len(rounds)))
    print()
    print_table(["Median start"] + [title for _, title in MEASURES],
                [[DESCRIPTIONS[name]] + [time_cell(series[name, measure], groups[name, measure])
                                         for measure, _ in MEASURES] for name in PROGRAMS])
    print()
    print_table(["A against B: median of pair ratios (95 % interval)"] +
                [title for _, title in MEASURES] + ["Target"],
                [["%s against %s" % (NAMES[a], NAMES[b])] +
                 [ratio_cell([getattr(starts[a], measure) / getattr(starts[b], measure)
                              for starts in rounds], groups[a, measure] or groups[b, measure])
                  for measure, _ in MEASURES] + [target] for a, b, target in COMPARISONS])


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
    # The second floor means something only if it loads exactly the loader's libraries.
    libraries = {name: imported_libraries(os.path.join(win64, "loader", name + ".exe"))
                 for name in ("loader", "empty_imports")}
    if libraries["loader"] != libraries["empty_imports"]:
        raise SystemExit("the floor imports %s, the loader %s" % (
            libraries["empty_imports"], libraries["loader"]))

    prefix = winehost.Prefix(os.path.join(work, "prefix"))
    prefix.start()
    try:
        prefix.reg(["add", "HKLM\\Software\\" + REG_PATH, "/v", "Version", "/d", "2.1.0.5", "/f"])
        up_to_date = medium(work, "up-to-date", win64, "2.1.0.5")
        started = time.perf_counter()
        rounds = start_costs(prefix, up_to_date, pairs)
        seconds = time.perf_counter() - started
        not_installed = medium(work, "not-installed", win64, "9.0.0.0")
        delays = time_to_first_instruction(prefix, not_installed, 6)
    finally:
        prefix.stop()
    save_starts(os.path.join(work, "starts.csv"), rounds)

    objects = glob.glob(os.path.join(win32, "loader", "CMakeFiles", "loader.dir", "*.obj"))
    allocations = allocation_calls(objects)
    counted = subprocess.run([os.path.join(builds, "host", "tests", "allocation_test")],
                             capture_output=True, text=True).stdout
    counts = re.findall(r"allocations during the run, (.*): (\d+)", counted)
    graphs = glob.glob(os.path.join(builds, "bench-stack", "**", "*.ci"), recursive=True)
    stack = subprocess.run([sys.executable, os.path.join(HERE, "stack_depth.py")] + graphs,
                           capture_output=True, text=True, check=True).stdout.split(" ", 1)

    print()
    print("| %-52s | %-28s | %-22s |" % ("Figure", "Measured", "Target"))
    print("|%s|%s|%s|" % ("-" * 54, "-" * 30, "-" * 24))
    row("win32 loader.exe", "%d bytes (%.1f KiB)" % (loader_size, loader_size / 1024),
        "at most 26,112 bytes")
    row("empty WinMain, same toolchain, flags, resources", "%d bytes" % floor_size)
    row("logic cost (loader - floor)", "%d bytes (%.2f KiB)" % (
        loader_size - floor_size, (loader_size - floor_size) / 1024), "at most 5 KiB")
    row("not installed: start to package's first instruction", "%.0f ms (median of %d)" % (
        statistics.median(delays), len(delays)))
    row("allocation calls in the loader's objects (nm)", "%d %s" % (
        len(allocations), " ".join(allocations)), "0")
    for end, count in counts:
        row("allocations in a host run: " + end, count, "0")
    row("deepest stack of the loader's own code (win32)", "%s bytes" % stack[0])
    print()
    print("deepest path: " + stack[1].strip())
    print()
    print_start_costs(rounds, seconds)
    print()
    print("Each start: " + os.path.join(work, "starts.csv"))


if __name__ == "__main__":
    main()
