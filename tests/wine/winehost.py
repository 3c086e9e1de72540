"""A Wine prefix of our own, kept warm for a whole run: running Windows programs, the registry,
and mapping between Unix and Windows paths.

Which Wine runs is a parameter (WINE, WINESERVER), so the same code serves 64-bit Wine here and
32-bit Wine elsewhere; TIME_FACTOR stretches the time limits (never the "no sooner than" bounds)
for slow machines.
"""
import glob
import os
import subprocess
import threading
import time

WINE = os.environ.get("WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver")
TIME_FACTOR = float(os.environ.get("TIME_FACTOR", "1"))


def to_windows(unix_path):
    """Z: is the Unix root in every prefix."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


class Prefix:
    def __init__(self, directory):
        self.directory = os.path.abspath(directory)
        self.env = dict(os.environ, WINEPREFIX=self.directory, WINEDEBUG="-all")
        self.env.pop("DISPLAY", None)
        self.temp_windows = None
        self.temp_unix = None

    def start(self):
        """Creates the prefix once, then keeps one server running for the whole run."""
        subprocess.run([WINESERVER, "-w"], env=self.env, check=False)
        if not os.path.exists(os.path.join(self.directory, "system.reg")):
            os.makedirs(self.directory, exist_ok=True)
            self.run(["wineboot", "-i"], timeout=300)
            subprocess.run([WINESERVER, "-w"], env=self.env, check=False)
        # The persistent server exits at once if another still runs; the wait above ends that.
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True)
        # Wine's background services inherit the standard handles of the call that starts them:
        # this first call sends them to /dev/null, so later reads of a pipe can end.
        self.run(["cmd", "/c", "exit"], timeout=120)
        # No debugger is started on a crash; the crash message still reaches standard error.
        self.reg(["add", r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug", "/v",
                  "Debugger", "/d", "", "/f"])
        out = self.run(["cmd", "/c", "echo %TEMP%"], capture=True).stdout.strip()
        self.temp_windows = out
        self.temp_unix = self.unix_path(out)
        os.makedirs(self.temp_unix, exist_ok=True)

    def stop(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, check=False)
        subprocess.run([WINESERVER, "-w"], env=self.env, check=False)

    def unix_path(self, windows_path):
        drive = windows_path[0].lower()
        rest = windows_path[2:].replace("\\", "/").lstrip("/")
        return os.path.join(os.path.realpath(
            os.path.join(self.directory, "dosdevices", drive + ":")), rest)

    def map_drive(self, letter, unix_directory):
        link = os.path.join(self.directory, "dosdevices", letter.lower() + ":")
        if os.path.islink(link):
            os.unlink(link)
        os.symlink(os.path.abspath(unix_directory), link)

    def run(self, args, cwd=None, env=None, capture=False, timeout=60, wine=None):
        """Runs a program to its end; wine names another Wine loader for it than WINE."""
        merged = dict(self.env, **(env or {}))
        return subprocess.run([wine or WINE] + list(args), cwd=cwd, env=merged,
                              stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE if capture else subprocess.DEVNULL,
                              stderr=subprocess.PIPE if capture else subprocess.DEVNULL,
                              timeout=timeout * TIME_FACTOR, text=True, errors="replace")

    def start_program(self, args, cwd=None, env=None):
        merged = dict(self.env, **(env or {}))
        return subprocess.Popen([WINE] + list(args), cwd=cwd, env=merged, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                errors="replace")

    def reg(self, args):
        result = self.run(["reg"] + list(args), capture=True)
        if result.returncode != 0:
            raise RuntimeError("reg %s failed: %s" % (args, result.stdout + result.stderr))

    def installed_version(self, reg_path, view=None):
        """The text of value Version of HKLM\\Software\\<reg_path>, in the given registry view
        ("32" or "64", the tool's own when None); None when there is none."""
        args = ["query", "HKLM\\Software\\" + reg_path, "/v", "Version"]
        if view:
            args.append("/reg:" + view)
        result = self.run(["reg"] + args, capture=True)
        for line in result.stdout.splitlines():
            words = line.split()
            if len(words) >= 3 and words[0] == "Version":
                return words[-1]
        return None

    def import_reg(self, unix_file):
        """Imports a .reg file: the way to store exact bytes, e.g. a string without terminator."""
        result = self.run(["regedit", "/s", to_windows(unix_file)], capture=True)
        if result.returncode != 0:
            raise RuntimeError("regedit failed: " + result.stdout + result.stderr)


def autorun(package, reg_path, version, loader="loader.exe"):
    """The text of a medium's autorun.inf, as a publisher writes it."""
    return ("[autorun]\r\nopen=%s\r\nRuntimePackage=%s\r\nRegPath=%s\r\nVersion=%s\r\n"
            % (loader, package, reg_path, version))


def probe_runs(log_path):
    """The probe's runs from its log, in order: [{'started', 'ended', 'acp', 'module', 'cwd',
    'beside'}] ('ended' is missing while a run goes on; 'beside' is the sorted names in the
    directory it ran from)."""
    runs = {}
    if not os.path.exists(log_path):
        return []
    with open(log_path, encoding="utf-8") as log:
        for line in log:
            text = line.rstrip("\r\n")
            words = text.split(" ")
            if words[0] == "started":
                runs[words[3]] = {"started": int(words[1]), "acp": int(words[5]),
                                  "module": text[text.index(" module ") + 8:text.index(" cwd ")],
                                  "cwd": text[text.index(" cwd ") + 5:]}
            elif words[0] == "beside":
                names = text.split(" ", 2)[2] if len(words) > 2 else ""
                runs[words[1]]["beside"] = sorted(n for n in names.split("|") if n)
            elif words[0] == "ended":
                runs[words[3]]["ended"] = int(words[1])
    return list(runs.values())


def now_ms():
    return int(time.time() * 1000)


class Poller:
    """Looks at something every interval seconds on a thread of its own until stopped; the
    subclass's _look says what it sees."""

    def __init__(self, interval):
        self._interval = interval
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._poll, daemon=True)
        self._thread.start()

    def _look(self):
        raise NotImplementedError

    def _poll(self):
        while not self._stop.is_set():
            self._look()
            time.sleep(self._interval)

    def stop(self):
        self._stop.set()
        self._thread.join()


class ProcessWatcher(Poller):
    """Polls the process list for a process whose command line holds a text (Wine gives a Windows
    process the Windows command line), to see when a program the loader launched, but did not
    name, starts and ends. The last moment it is seen is no later than its end."""

    def __init__(self, text):
        self.text = text.lower()
        self.command_line = None
        self.first_seen = None
        self.last_seen = None
        super().__init__(0.01)

    def _look(self):
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as source:
                    command_line = source.read().replace(b"\0", b" ").decode("utf-8", "replace")
            except OSError:
                continue
            if self.text in command_line.lower():
                now = now_ms()
                self.command_line = command_line.strip()
                self.first_seen = self.first_seen or now
                self.last_seen = now


class Watcher(Poller):
    """Polls every few milliseconds for a file a glob pattern matches, to see when a staging copy
    comes and goes (a plain path is a pattern that matches itself); found is the last path it
    matched. The first moment none is seen is no sooner than the deletion."""

    def __init__(self, pattern):
        self.pattern = pattern
        self.seen = False
        self.found = None
        self.gone_at = None
        super().__init__(0.002)

    def _look(self):
        now = now_ms()
        matches = glob.glob(self.pattern)
        if matches:
            self.seen = True
            self.found = matches[0]
            self.gone_at = None
        elif self.seen and self.gone_at is None:
            self.gone_at = now

    def stop(self):
        """Stops polling after one last look: the loader may delete just before it ends."""
        super().stop()
        self._look()
