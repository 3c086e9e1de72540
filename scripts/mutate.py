#!/usr/bin/python3
"""Mutation testing of the loader's sources, and of the medium checker's decisions and findings,
against the host suites that cover them.

Each mutant is one small fault in one line of loader/*.cpp or loader/*.h, or of the checker's
checker/predict/ and checker/rules/ files: a relational or
equality operator changed, && and || swapped, an integer constant or an index moved by one,
return 0 and return 1 (FALSE and TRUE) swapped, or a statement line removed. Mutants are built
one at a time in copies of the tree under build/mutation/, never in the working tree, so only
the mutated object recompiles. A loader mutant meets the host unit suite; a checker mutant meets
the checker's table tests and then medium-check over the host table of media. A mutant they do
not notice runs again against the sanitizer build, which sees overruns the plain build cannot.
A failure, a crash or the time limit kills a mutant.

Every survivor is printed with its id. Survivors whose id is listed in
tests/mutation/equivalents.txt are reported apart; any other survivor makes the exit status 1.

usage: mutate.py [FILE ...] [-k PATTERN] [-j JOBS] [--plain] [--list] [--timeout SECONDS] [-v]
"""
import argparse
import bisect
import collections
import dataclasses
import hashlib
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PROGRAM = "mutate.py"

# What tests the files of each mutated folder: the build targets, and the commands that must all
# pass, run in the copy with {build} standing for the preset's build folder.
LOADER_SUITE = (("unit_tests", "checker_tests"),
                (("{build}/tests/unit_tests", "--gtest_brief=1", "--gtest_fail_fast"),
                 ("{build}/tests/checker_tests", "--gtest_brief=1", "--gtest_fail_fast")))
CHECKER_SUITE = (("checker_tests", "medium-check", "checker_packages"),
                 (("{build}/tests/checker_tests", "--gtest_brief=1", "--gtest_fail_fast"),
                  ("/usr/bin/python3", "tests/checker/host_table.py", "{build}/checker/medium-check",
                   "docs/medium-check.schema.json", "{build}/mutation-media",
                   "{build}/checker-packages")))
SUITES = {"loader": LOADER_SUITE, "checker/predict": CHECKER_SUITE, "checker/rules": CHECKER_SUITE}
SANITIZER_ENV = {
    "ASAN_OPTIONS": "halt_on_error=1:detect_leaks=1",
    "UBSAN_OPTIONS": "halt_on_error=1:print_stacktrace=1",
}

RELATIONAL = {"<": ("<=", ">="), "<=": ("<", ">"), ">": (">=", "<="), ">=": (">", "<")}
EQUALITY = {"==": ("!=",), "!=": ("==",)}
LOGICAL = {"&&": ("||",), "||": ("&&",)}
OPERATOR_NAMES = {"<": "lt", "<=": "le", ">": "gt", ">=": "ge", "==": "eq", "!=": "ne",
                  "&&": "and", "||": "or"}
RETURN_SWAPS = {"0": "1", "1": "0", "FALSE": "TRUE", "TRUE": "FALSE"}

# The sources as read when the mutants were made: every mutant and every restored file is
# written from these, so an edit of the working tree during a run cannot mix into it. Bytes that
# are not UTF-8 (a double-byte name in a comment) go through unchanged.
SOURCES = {}

TOKEN = re.compile(r"""
    (?P<preprocessor>^[ \t]*\#(?:\\\n|[^\n])*)
  | (?P<space>[ \t\r\f\v]+|\n)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*')
  | (?P<number>(?:0[xX][0-9a-fA-F]+|[0-9]+)[uUlL]*(?![\w.]))
  | (?P<othernumber>\.?[0-9][\w.]*)
  | (?P<identifier>[A-Za-z_]\w*)
  | (?P<punctuator><<=|>>=|->\*|\.\.\.|->|\+\+|--|<<|>>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|::|
                    [-+*/%&|^!~=<>?:;,.(){}\[\]])
""", re.VERBOSE | re.MULTILINE | re.DOTALL)


@dataclasses.dataclass(frozen=True)
class Token:
    kind: str
    text: str
    line: int  # 0-based
    column: int
    scope: str  # "code", "init", "type", "namespace" or "top": where the token stands
    function: str  # the enclosing function, "" outside one


@dataclasses.dataclass
class Mutant:
    path: str  # relative to the root, with forward slashes
    line: int  # 0-based
    original: str  # the line, without its end
    mutated: str
    function: str
    id: str = ""
    outcome: str = ""  # "not compiling", "killed" or "survived"
    detail: str = ""  # how it was killed: "unit suite" or "sanitizer build", and why

    @property
    def where(self):
        return f"{self.path}:{self.line + 1}"


def fail(message):
    print(f"{PROGRAM}: {message}", file=sys.stderr)
    sys.exit(2)


def tokenize(text):
    """The tokens that matter for mutation, each with its place and the scope it stands in.
    Comments, blanks and preprocessor lines are dropped."""
    line_starts = [0] + [m.end() for m in re.finditer(r"\n", text)]
    tokens = []
    scopes = [("top", "")]  # (kind, function) for each open brace
    pending = []  # the tokens since the last ; { or } in the current scope
    position = 0
    while position < len(text):
        match = TOKEN.match(text, position)
        if match is None:
            raise ValueError(f"cannot read the character at offset {position}")
        position = match.end()
        kind = match.lastgroup
        if kind in ("preprocessor", "space", "comment"):
            continue
        line = bisect.bisect_right(line_starts, match.start()) - 1
        scope, function = scopes[-1]
        token = Token(kind, match.group(), line, match.start() - line_starts[line], scope,
                      function)
        tokens.append(token)
        if token.text == "{":
            scopes.append(opened_scope(scope, function, pending))
            pending = []
        elif token.text == "}":
            if len(scopes) > 1:
                scopes.pop()
            pending = []
        elif token.text == ";":
            pending = []
        else:
            pending.append(token)
    return tokens


def opened_scope(scope, function, pending):
    """What a brace opens, from the scope it is in and the tokens before it."""
    texts = [token.text for token in pending]
    if texts and texts[-1] in ("=", "(", ",", "return"):
        return ("init", function)
    if scope in ("code", "init"):
        return (scope, function)
    if "namespace" in texts or "extern" in texts:
        return ("namespace", "")
    if "(" in texts:
        opening = texts.index("(")
        name = texts[opening - 1] if opening > 0 else ""
        return ("code", name)
    return ("type", "")


def line_hash(text):
    """Names a line by its text, blanks collapsed, so the name survives line shifts and
    re-indentation."""
    return hashlib.sha1(" ".join(text.split()).encode()).hexdigest()[:8]


def template_brackets(tokens):
    """The indices of < and > that enclose a cast's type, which are not comparisons."""
    marked = set()
    for index, token in enumerate(tokens):
        if token.text != "<" or index == 0:
            continue
        before = tokens[index - 1].text
        if not (before.endswith("_cast") or before == "template"):
            continue
        depth = 0
        for inner in range(index, len(tokens)):
            text = tokens[inner].text
            if text == "<":
                depth += 1
            elif text in (">", ">>"):
                depth -= len(text)
            if depth <= 0:
                marked.update((index, inner))
                break
    return marked


def shifted_literal(text, delta):
    match = re.fullmatch(r"(0[xX][0-9a-fA-F]+|[0-9]+)([uUlL]*)", text)
    digits, suffix = match.groups()
    if digits[:2].lower() == "0x":
        value = int(digits, 16) + delta
        return None if value < 0 else f"{digits[:2]}{value:X}{suffix}"
    if len(digits) > 1 and digits.startswith("0"):
        return None  # octal: none in the loader, and not worth the arithmetic
    value = int(digits) + delta
    return None if value < 0 else f"{value}{suffix}"


def candidate_edits(tokens, lines):
    """(token index or None, line, start column, end column, replacement, operation name) for
    every mutation of the file, in source order."""
    templates = template_brackets(tokens)
    edits = []
    for index, token in enumerate(tokens):
        text = token.text
        end = token.column + len(text)
        previous = tokens[index - 1].text if index > 0 else ""
        following = tokens[index + 1].text if index + 1 < len(tokens) else ""

        if text in RELATIONAL and index not in templates:
            for replacement in RELATIONAL[text]:
                edits.append((token.line, token.column, end, replacement,
                              f"{OPERATOR_NAMES[text]}->{OPERATOR_NAMES[replacement]}"))
        elif text in EQUALITY or text in LOGICAL:
            for replacement in EQUALITY.get(text, ()) + LOGICAL.get(text, ()):
                edits.append((token.line, token.column, end, replacement,
                              f"{OPERATOR_NAMES[text]}->{OPERATOR_NAMES[replacement]}"))
        elif previous == "return" and following == ";" and text in RETURN_SWAPS:
            replacement = RETURN_SWAPS[text]
            edits.append((token.line, token.column, end, replacement,
                          f"return{text}->return{replacement}"))
        elif token.kind == "number":
            for delta in (1, -1):
                replacement = shifted_literal(text, delta)
                if replacement is not None:
                    edits.append((token.line, token.column, end, replacement,
                                  f"{text}->{replacement}"))
        elif text == "[":
            edits.extend(index_edits(tokens, index))

    edits.extend(removal_edits(tokens, lines))
    edits.sort(key=lambda edit: (edit[0], edit[1]))
    return edits


def index_edits(tokens, opening):
    """An index moved by one: [i] -> [i + 1], [i - 1]. Indices that are a literal or end in
    one (c[1], [end - 1]) are left to the literal mutations, which move them already."""
    depth = 0
    for closing in range(opening, len(tokens)):
        if tokens[closing].line != tokens[opening].line:
            return []
        depth += {"[": 1, "]": -1}.get(tokens[closing].text, 0)
        if depth == 0:
            break
    else:
        return []
    inside = tokens[opening + 1:closing]
    if not inside or inside[-1].kind == "number":
        return []
    close = tokens[closing]
    return [(close.line, close.column, close.column, f" {sign} 1", f"idx{sign}1")
            for sign in "+-"]


def removal_edits(tokens, lines):
    """Whole statement lines in a function body, removed: the line starts a statement and ends
    it, with its brackets balanced."""
    by_line = collections.defaultdict(list)
    for index, token in enumerate(tokens):
        by_line[token.line].append(index)
    edits = []
    for line, indices in sorted(by_line.items()):
        first, last = tokens[indices[0]], tokens[indices[-1]]
        before = tokens[indices[0] - 1].text if indices[0] > 0 else ";"
        texts = [tokens[i].text for i in indices]
        balanced = all(texts.count(a) == texts.count(b) for a, b in ("()", "[]", "{}"))
        if (last.text == ";" and len(texts) > 1 and first.scope == "code"
                and first.text not in ("}", "{", "else") and before in (";", "{", "}")
                and balanced):
            edits.append((line, 0, len(lines[line]), "", "del"))
    return edits


def mutants_of(path):
    """Every mutant of one file, each with an id that survives line shifts: the file, the hash
    of the original line, the operation, and its occurrence among that file's mutants with the
    same line text and operation."""
    relative = path.relative_to(ROOT).as_posix()
    text = SOURCES.setdefault(relative, path.read_bytes().decode("utf-8", "surrogateescape"))
    lines = text.split("\n")
    tokens = tokenize(text)
    functions = {}
    for token in tokens:
        functions.setdefault(token.line, token.function)
    seen = set()
    occurrences = collections.Counter()
    mutants = []
    for line, start, end, replacement, operation in candidate_edits(tokens, lines):
        original = lines[line]
        mutated = original[:start] + replacement + original[end:]
        if mutated == original or (line, mutated) in seen:
            continue
        seen.add((line, mutated))
        digest = line_hash(original)
        occurrences[(digest, operation)] += 1
        mutants.append(Mutant(
            path=relative, line=line, original=original, mutated=mutated,
            function=functions.get(line, ""),
            id=f"{relative} {digest} {operation} {occurrences[(digest, operation)]}"))
    return mutants


def mutated_text(mutant):
    lines = SOURCES[mutant.path].split("\n")
    lines[mutant.line] = mutant.mutated
    return "\n".join(lines)


def read_equivalents(path):
    """id -> (class, reason). Each entry: ID | CLASS | REASON, where CLASS is "equivalent" or
    "caught by <test>"."""
    entries = {}
    if not path.exists():
        return entries
    for number, raw in enumerate(path.read_text().splitlines(), start=1):
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        parts = [part.strip() for part in line.split("|", 2)]
        if len(parts) != 3 or not all(parts):
            fail(f"{path}:{number}: expected ID | CLASS | REASON")
        identifier = " ".join(parts[0].split())
        if len(identifier.split()) != 4:
            fail(f"{path}:{number}: an id is FILE HASH OPERATION OCCURRENCE: {parts[0]}")
        if parts[1] != "equivalent" and not re.fullmatch(r"caught by \S.*", parts[1]):
            fail(f"{path}:{number}: the class is 'equivalent' or 'caught by <test>': "
                 f"{parts[1]}")
        if identifier in entries:
            fail(f"{path}:{number}: listed twice: {identifier}")
        entries[identifier] = (parts[1], parts[2])
    return entries


def source_files():
    """The tree as the developer has it: tracked files and new ones git does not ignore."""
    try:
        listing = subprocess.run(
            ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            cwd=ROOT, check=True, capture_output=True).stdout
        return sorted({name for name in listing.decode().split("\0")
                       if name and (ROOT / name).is_file()})
    except (OSError, subprocess.CalledProcessError):
        found = []
        for directory, subdirectories, files in os.walk(ROOT):
            subdirectories[:] = [d for d in subdirectories
                                 if not (Path(directory) == ROOT and d in ("build", ".git"))]
            found += [(Path(directory) / f).relative_to(ROOT).as_posix() for f in files]
        return sorted(found)


def sync_copy(copy):
    """Makes copy hold exactly the tree's files, rewriting only those that differ, so the
    builds in it stay incremental from one run to the next."""
    names = source_files()
    for name in names:
        source, target = ROOT / name, copy / name
        if not target.exists() or target.read_bytes() != source.read_bytes():
            target.parent.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(source, target)
    wanted = set(names)
    for directory, subdirectories, files in os.walk(copy):
        if Path(directory) == copy:
            subdirectories[:] = [d for d in subdirectories if d != "build"]
        for name in files:
            path = Path(directory) / name
            if path.relative_to(copy).as_posix() not in wanted:
                path.unlink()


@dataclasses.dataclass
class Worker:
    """One copy of the tree with its own host and sanitizer builds."""
    copy: Path
    presets: tuple
    dirty: str = ""  # the file that holds a mutant, if any

    def prepare(self):
        sync_copy(self.copy)
        for relative in SOURCES:
            self.write(relative, SOURCES[relative], only_if_changed=True)
        for preset in self.presets:
            if not (self.copy / "build" / preset / "build.ninja").exists():
                configure = subprocess.run(["cmake", "--preset", preset], cwd=self.copy,
                                           capture_output=True, text=True)
                if configure.returncode != 0:
                    fail(f"configuring {preset} in {self.copy} failed:\n{configure.stdout}"
                         f"{configure.stderr}")
            for suite in set(SUITES.values()):
                if not self.build(preset, suite):
                    fail(f"the unmutated tree does not build ({preset}, {self.copy}); see cmake "
                         f"--build {self.copy}/build/{preset} --target {' '.join(suite[0])}")

    def build(self, preset, suite):
        result = subprocess.run(
            ["cmake", "--build", str(self.copy / "build" / preset), "--target", *suite[0]],
            cwd=self.copy, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return result.returncode == 0

    def run(self, preset, suite, timeout):
        """"passed", "failed", "crashed" or "timed out"."""
        environment = dict(os.environ, **(SANITIZER_ENV if preset != "host" else {}))
        build = str(self.copy / "build" / preset)
        for command in suite[1]:
            with subprocess.Popen([part.format(build=build) for part in command], cwd=self.copy,
                                  env=environment, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True) as process:
                try:
                    code = process.wait(timeout=timeout)
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait()
                    return "timed out"
            if code != 0:
                return "crashed" if code < 0 else "failed"
        return "passed"

    def write(self, relative, text, only_if_changed=False):
        # A fresh modification time, later than the object built from the previous content.
        content = text.encode("utf-8", "surrogateescape")
        target = self.copy / relative
        if not only_if_changed or target.read_bytes() != content:
            target.write_bytes(content)

    def restore(self):
        if self.dirty:
            self.write(self.dirty, SOURCES[self.dirty])
            self.dirty = ""

    def test(self, mutant, timeouts):
        if self.dirty and self.dirty != mutant.path:
            self.restore()
        self.write(mutant.path, mutated_text(mutant))
        self.dirty = mutant.path
        suite = suite_of(mutant.path)
        for preset, step in zip(self.presets, ("unit suite", "sanitizer build")):
            if not self.build(preset, suite):
                mutant.outcome = "not compiling"
                mutant.detail = step
                return
            verdict = self.run(preset, suite, timeouts[preset, suite])
            if verdict != "passed":
                mutant.outcome = "killed"
                mutant.detail = f"{step}: {verdict}"
                return
        mutant.outcome = "survived"


def suite_of(relative):
    return SUITES[Path(relative).parent.as_posix()]


def collect(files, pattern):
    folders = [ROOT / folder for folder in SUITES]
    if files:
        paths = []
        for name in files:
            path = Path(name).resolve() if Path(name).exists() else (ROOT / name).resolve()
            if path.parent not in folders or not path.is_file():
                fail(f"not a file of {', '.join(f + '/' for f in SUITES)}: {name}")
            paths.append(path)
    else:
        paths = [path for folder in folders
                 for path in sorted(folder.glob("*.cpp")) + sorted(folder.glob("*.h"))]
    mutants = []
    for path in paths:
        try:
            mutants += mutants_of(path)
        except ValueError as error:
            fail(f"{path.relative_to(ROOT)}: {error}")
    if pattern:
        expression = re.compile(pattern)
        mutants = [m for m in mutants
                   if expression.search(f"{m.where} {m.function} {m.id}")]
    return mutants


def duration(seconds):
    minutes, seconds = divmod(round(seconds), 60)
    return f"{minutes} min {seconds} s" if minutes else f"{seconds} s"


def run_all(mutants, workers, timeouts, verbose):
    pending = queue.Queue()
    for mutant in mutants:
        pending.put(mutant)
    done = [0]
    lock = threading.Lock()
    stop = threading.Event()
    show_progress = sys.stdout.isatty() and not verbose

    def work(worker):
        while not stop.is_set():
            try:
                mutant = pending.get_nowait()
            except queue.Empty:
                break
            worker.test(mutant, timeouts)
            with lock:
                done[0] += 1
                if verbose:
                    print(f"[{done[0]}/{len(mutants)}] {mutant.outcome:<13} {mutant.where} "
                          f"{mutant.detail} [{mutant.id}]", flush=True)
                elif show_progress:
                    print(f"\r{done[0]}/{len(mutants)} mutants", end="", flush=True)
        worker.restore()

    threads = [threading.Thread(target=work, args=(worker,)) for worker in workers]
    for thread in threads:
        thread.start()
    try:
        for thread in threads:
            thread.join()
    except KeyboardInterrupt:
        stop.set()
        for thread in threads:
            thread.join()
        print(f"\n{PROGRAM}: interrupted", file=sys.stderr)
        sys.exit(130)
    if show_progress:
        print()


def print_survivor(mutant, note=""):
    print(f"    {mutant.where}: {mutant.original.strip()}")
    print(f"    {' ' * len(mutant.where)}  -> {mutant.mutated.strip() or '(line removed)'}")
    print(f"    {' ' * len(mutant.where)}  id: {mutant.id}{note}")


def print_grouped(mutants, listed=None):
    groups = collections.defaultdict(list)
    for mutant in mutants:
        groups[(mutant.path, mutant.function or "(outside functions)")].append(mutant)
    for (path, function), members in groups.items():
        print(f"  {path}  {function}")
        for mutant in members:
            note = ""
            if listed is not None:
                kind, reason = listed[mutant.id]
                note = f"\n    {' ' * len(mutant.where)}  {kind}: {reason}"
            print_survivor(mutant, note)


def report(mutants, listed, equivalents_path, whole_set, sanitized):
    survivors = [m for m in mutants if m.outcome == "survived"]
    unlisted = [m for m in survivors if m.id not in listed]
    known = [m for m in survivors if m.id in listed]
    relative = equivalents_path.relative_to(ROOT) if equivalents_path.is_relative_to(ROOT) \
        else equivalents_path

    if unlisted:
        print(f"Survivors not listed in {relative} ({len(unlisted)}):")
        print_grouped(unlisted)
    if known:
        print(f"Listed survivors ({len(known)}):")
        print_grouped(known, listed)
    by_id = {m.id: m for m in mutants}
    stale = [(identifier, by_id[identifier].outcome) for identifier in listed
             if identifier in by_id and by_id[identifier].outcome != "survived"]
    if whole_set:
        stale += [(identifier, "no such mutant") for identifier in listed
                  if identifier not in by_id]
    if stale:
        print(f"Entries of {relative} that no longer survive ({len(stale)}):")
        for identifier, outcome in stale:
            print(f"  {identifier}: {outcome}")

    print("\nBy file:")
    print(f"  {'file':<32}{'mutants':>8}{'not compiling':>15}{'killed':>8}{'survived':>10}")
    for path in dict.fromkeys(m.path for m in mutants):
        counts = collections.Counter(m.outcome for m in mutants if m.path == path)
        print(f"  {path:<32}{sum(counts.values()):>8}{counts['not compiling']:>15}"
              f"{counts['killed']:>8}{counts['survived']:>10}")

    counts = collections.Counter(m.outcome for m in mutants)
    steps = collections.Counter(m.detail.split(":")[0] for m in mutants if m.outcome == "killed")
    killed, survived = counts["killed"], counts["survived"]
    by_step = (f" ({steps['unit suite']} by the unit suite, {steps['sanitizer build']} by its "
               f"sanitizer build)" if sanitized else " by the unit suite alone")
    print(f"\n{len(mutants)} mutants: {counts['not compiling']} not compiling, {killed} killed"
          f"{by_step}, {survived} survived ({len(known)} listed, {len(unlisted)} not)")
    if killed + survived:
        print(f"score {killed}/{killed + survived} = {killed / (killed + survived):.3f}")
    return 1 if unlisted else 0


def parse_arguments():
    parser = argparse.ArgumentParser(
        prog=PROGRAM, description="Mutation testing of loader/, checker/predict/ and "
                                  "checker/rules/ against the host suites that cover them.")
    parser.add_argument("files", nargs="*", metavar="FILE",
                        help="only the mutants of these files")
    parser.add_argument("-k", metavar="PATTERN",
                        help="only mutants where the regular expression PATTERN is found in "
                             "'FILE:LINE FUNCTION ID'")
    parser.add_argument("-j", "--jobs", type=int, default=1, metavar="JOBS",
                        help="mutants tested at once, each in a copy of its own (default 1)")
    parser.add_argument("--plain", action="store_true",
                        help="the unit suite alone: no second run against the sanitizer build")
    parser.add_argument("--list", action="store_true",
                        help="print the mutants and their ids without building anything")
    parser.add_argument("--timeout", type=float, metavar="SECONDS",
                        help="time limit of one suite run (default: ten times the unmutated "
                             "run, at least 10 s)")
    parser.add_argument("--equivalents", type=Path,
                        default=ROOT / "tests" / "mutation" / "equivalents.txt",
                        help="the known survivors (default tests/mutation/equivalents.txt)")
    parser.add_argument("--work", type=Path, default=ROOT / "build" / "mutation",
                        help="where the copies and their builds are kept (default "
                             "build/mutation)")
    parser.add_argument("-v", "--verbose", action="store_true", help="a line per mutant")
    arguments = parser.parse_args()
    if arguments.jobs < 1:
        parser.error("-j needs at least 1")
    return arguments


def main():
    sys.stdout.reconfigure(errors="backslashreplace")
    arguments = parse_arguments()
    started = time.monotonic()
    mutants = collect(arguments.files, arguments.k)
    if arguments.list:
        for mutant in mutants:
            print(f"{mutant.where}: {mutant.function or '-'}: [{mutant.id}]\n"
                  f"    {mutant.original.strip()}\n"
                  f" -> {mutant.mutated.strip() or '(line removed)'}")
        print(f"{len(mutants)} mutants")
        return 0
    equivalents = arguments.equivalents.resolve()
    listed = read_equivalents(equivalents)
    if not mutants:
        fail("no mutant matches")

    presets = ("host",) if arguments.plain else ("host", "host-asan")
    work = arguments.work.resolve()
    workers = [Worker(work / f"tree{n}", presets) for n in range(min(arguments.jobs, len(mutants)))]
    for worker in workers:
        worker.prepare()
    timeouts = {}
    for preset in presets:
        for suite in {suite_of(mutant.path) for mutant in mutants}:
            begin = time.monotonic()
            if workers[0].run(preset, suite, None) != "passed":
                fail(f"{' and '.join(suite[0])} fail without any mutant ({preset})")
            timeouts[preset, suite] = (arguments.timeout or
                                       max(10.0, 10 * (time.monotonic() - begin)))
    prepared = time.monotonic()
    print(f"{len(mutants)} mutants, {len(workers)} at a time, "
          f"{' then '.join(presets)}; copies ready in {duration(prepared - started)}",
          flush=True)

    run_all(mutants, workers, timeouts, arguments.verbose)
    status = report(mutants, listed, equivalents,
                    whole_set=not arguments.files and not arguments.k,
                    sanitized=not arguments.plain)
    finished = time.monotonic()
    print(f"time {duration(finished - started)} (copies and first builds "
          f"{duration(prepared - started)}, mutants {duration(finished - prepared)})")
    return status


if __name__ == "__main__":
    sys.exit(main())
