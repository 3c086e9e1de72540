#!/usr/bin/python3
"""The loader under Wine, end to end: the real registry, ini reader, temporary directory, shell
and named mutexes, with our probe program as the package. The package is staged alone in a new
directory of the temporary directory (CL and eight hexadecimal digits), which goes with it.

Parameters (environment): LOADER_EXE, PROBE_EXE, SUITE_DIR (scratch space for the media),
PREFIX_DIR (the Wine prefix, created when missing), and those of winehost (WINE, WINESERVER,
TIME_FACTOR). Optional, each enabling a group of cases:
  WOW64=1              the loader is a 32-bit program in a 64-bit prefix (WoW64); PROBE64_EXE is
                       then the 64-bit build of the probe, and WINE32 the 32-bit Wine loader
  MSI_IN_VIEW          an MSI package that records its version in the registry view the loader
                       reads; MSI_OTHER_VIEW one that records it in the other view
  DOUBLE_BYTE_LOCALES  Unix locales (ja_JP.UTF-8, zh_CN.UTF-8) giving Wine double-byte ANSI code
                       pages, separated by blanks
  MEDIUM_IMAGE_DIR     where a disc image made by medium-check init --iso is mounted read-only,
                       its package the probe as setup.exe and nothing installed for its RegPath
"""
import glob
import ntpath
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winehost  # noqa: E402

LOADER_EXE = os.environ["LOADER_EXE"]
PROBE_EXE = os.environ["PROBE_EXE"]
WOW64 = os.environ.get("WOW64") == "1"
PROBE64_EXE = os.environ.get("PROBE64_EXE")
WINE32 = os.environ.get("WINE32")
MSI_IN_VIEW = os.environ.get("MSI_IN_VIEW")
MSI_OTHER_VIEW = os.environ.get("MSI_OTHER_VIEW")
DOUBLE_BYTE_LOCALES = os.environ.get("DOUBLE_BYTE_LOCALES", "").split()
MEDIUM_IMAGE_DIR = os.environ.get("MEDIUM_IMAGE_DIR")
SUITE_DIR = os.path.abspath(os.environ["SUITE_DIR"])
PREFIX_DIR = os.path.abspath(os.environ["PREFIX_DIR"])
CRASH_MARKERS = ("Unhandled exception", "Unhandled page fault", "Backtrace:", "wine: Unhandled")
STAGING_DIRECTORY = "CL" + "[0-9A-F]" * 8
# DLLs an installer loads by name from its own directory, which anyone may leave in %TEMP%.
PLANTED_DLLS = ("version.dll", "dwmapi.dll", "cryptbase.dll")

prefix = None

# The anti-AutoRun setting of many organisations' images: every autorun.inf mapped to a registry
# key that does not exist. Windows' profile functions read it in the 64-bit view; under WoW64 the
# 32-bit view holds it too, so the machine is hardened whichever view Wine reads.
MAPPING_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\autorun.inf"
VIEWS = [["/reg:64"], ["/reg:32"]] if WOW64 else [[]]


def set_mapping(present):
    for view in VIEWS:
        if present:
            prefix.reg(["add", MAPPING_KEY, "/ve", "/d", "@SYS:DoesNotExist", "/f"] + view)
        else:
            prefix.run(["reg", "delete", MAPPING_KEY, "/f"] + view)


def setUpModule():
    global prefix
    prefix = winehost.Prefix(PREFIX_DIR)
    prefix.start()
    # The prefix is kept between runs; what earlier runs left is cleared.
    for msi in (MSI_IN_VIEW, MSI_OTHER_VIEW):
        if msi:
            prefix.run(["msiexec", "/x", winehost.to_windows(msi), "/qn"], timeout=300)
    prefix.run(["reg", "delete", "HKLM\\Software\\CorvaneSuite", "/f"])
    set_mapping(False)
    if WOW64:
        prefix.run(["reg", "delete", "HKLM\\Software\\CorvaneSuite", "/f", "/reg:32"])
    shutil.rmtree(prefix.temp_unix, ignore_errors=True)
    os.makedirs(prefix.temp_unix)


def tearDownModule():
    prefix.stop()


class Medium:
    """A folder with the loader, its autorun.inf and the probe as the package."""

    def __init__(self, name, package="setup.exe", reg_path=None, version="2.1.0.5",
                 descriptor=None, source=PROBE_EXE, loader="loader.exe", encoding="ascii"):
        """The package is a copy of source; the descriptor is written in the given encoding,
        which is the ANSI code page the loader will read it in."""
        self.directory = os.path.join(SUITE_DIR, "media", name)
        shutil.rmtree(self.directory, ignore_errors=True)
        os.makedirs(self.directory)
        self.loader = os.path.join(self.directory, loader)
        shutil.copy(LOADER_EXE, self.loader)
        self.package = package
        self.reg_path = reg_path or "CorvaneSuite\\" + name
        self.log = os.path.join(self.directory, "probe.log")
        if package is not None and "\\" not in package and "/" not in package:
            shutil.copy(source, os.path.join(self.directory, package))
        if descriptor is None:
            descriptor = winehost.autorun(package, self.reg_path, version, loader)
        with open(os.path.join(self.directory, "autorun.inf"), "wb") as out:
            out.write(descriptor.encode(encoding))

    def place(self, relative, source=None, content=None):
        path = os.path.join(self.directory, relative.replace("\\", "/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if source:
            shutil.copy(source, path)
        else:
            with open(path, "w") as out:
                out.write(content)
        return path

    def env(self, sleep_ms=0, writes_version=None):
        env = {"PROBE_LOG": winehost.to_windows(self.log), "PROBE_SLEEP_MS": str(sleep_ms)}
        if writes_version:
            env.update(PROBE_REGPATH=self.reg_path, PROBE_VERSION=writes_version)
        return env

    def runs(self):
        return winehost.probe_runs(self.log)

    def set_installed(self, *args):
        """Records an installed version. Under WoW64 it goes to the 32-bit view unless args name
        a view, as a 32-bit installer records it."""
        view = ["/reg:32"] if WOW64 and not any(a.startswith("/reg:") for a in args) else []
        prefix.reg(["add", "HKLM\\Software\\" + self.reg_path, "/v", "Version"] + list(args) +
                   view + ["/f"])


class LoaderCase(unittest.TestCase):
    def setUp(self):
        self.started = time.time()

    def tearDown(self):
        sys.stderr.write(" [%.1f s] " % (time.time() - self.started))

    def run_loader(self, medium, env=None, program=None, cwd=None, wine=None):
        """Runs the loader to its end; it must exit 0 without any crash report."""
        started = winehost.now_ms()
        result = prefix.run([program or winehost.to_windows(medium.loader)],
                            cwd=cwd or medium.directory, env=env, capture=True, timeout=120,
                            wine=wine)
        self.assertEqual(0, result.returncode, result.stderr)
        for marker in CRASH_MARKERS:
            self.assertNotIn(marker, result.stderr)
        return started

    def staging(self, name):
        """A glob pattern of the staging copy of a package so named."""
        return os.path.join(prefix.temp_unix, STAGING_DIRECTORY, name.replace("\\", "/"))

    def staging_directories(self):
        return glob.glob(os.path.join(prefix.temp_unix, STAGING_DIRECTORY))

    def assert_staged(self, module, package):
        """The module is the package alone in a staging directory of the temporary directory."""
        directory, name = ntpath.split(module)
        self.assertEqual(prefix.temp_windows.lower(), ntpath.dirname(directory).lower(), module)
        self.assertRegex(ntpath.basename(directory), "^CL[0-9A-F]{8}$")
        self.assertEqual(package.lower(), name.lower())

    def assert_installed_from_staging(self, medium, watcher, started):
        runs = medium.runs()
        self.assertEqual(1, len(runs), runs)
        run = runs[0]
        self.assert_staged(run["module"], medium.package)
        # The package saw nothing but itself in its directory.
        self.assertEqual([medium.package.lower()], [name.lower() for name in run["beside"]])
        self.assertEqual(winehost.to_windows(medium.directory).lower(), run["cwd"].lower())
        self.assertTrue(watcher.seen)
        self.assertIsNotNone(watcher.gone_at, "the staging copy was not removed")
        self.assertEqual([], self.staging_directories(), "the staging directory was not removed")
        # Two pauses of 2000 ms lie between the package's end and the deletion.
        self.assertGreaterEqual(watcher.gone_at - run["ended"], 4000)
        self.assertGreaterEqual(run["started"], started)

    def install(self, medium, env=None, **probe):
        """Runs the loader on a medium where installation is due: the package must run alone from
        its staging copy, be waited for, and the copy and its directory go after both pauses."""
        watcher = winehost.Watcher(self.staging(medium.package))
        started = self.run_loader(medium, dict(medium.env(**probe), **(env or {})))
        watcher.stop()
        self.assert_installed_from_staging(medium, watcher, started)


class InstallDecision(LoaderCase):
    def install_case(self, name, installed_args=None):
        medium = Medium(name)
        if installed_args is not None:
            medium.set_installed(*installed_args)
        self.install(medium, sleep_ms=300)

    def test_no_key_installs_then_up_to_date(self):
        medium = Medium("fresh")
        self.install(medium, sleep_ms=500, writes_version="2.1.0.5")
        # The package recorded its version: the next start does nothing.
        self.run_loader(medium, medium.env())
        self.assertEqual(1, len(medium.runs()))
        self.assertEqual([], self.staging_directories())

    def test_older_installs(self):
        self.install_case("older", ["/d", "2.1.0.4"])

    def test_unreadable_or_empty_values_install(self):
        self.install_case("dword", ["/t", "REG_DWORD", "/d", "5"])
        self.install_case("binary300", ["/t", "REG_BINARY", "/d", "31" * 300])
        self.install_case("text300", ["/d", "9" * 300])
        self.install_case("empty", ["/d", ""])

    def test_up_to_date_does_nothing(self):
        cases = [("equal", "2.1.0.5", "2.1.0.5"), ("newer", "2.1.0.5", "10.0.0.0"),
                 ("equal-other-form", "21000005", "2.1.0.5"),
                 ("travelling-unnormalisable", "2.1", "1.0.0.0")]
        for name, travelling, installed in cases:
            with self.subTest(name):
                medium = Medium(name, version=travelling)
                medium.set_installed("/d", installed)
                self.run_loader(medium, medium.env())
                self.assertEqual([], medium.runs())
                self.assertEqual([], self.staging_directories())


class Staging(LoaderCase):
    def test_package_sees_nothing_but_itself(self):
        # DLLs an installer would load from its own directory lie in the temporary directory: the
        # package runs beside none of them, and they stay as they were.
        planted = [os.path.join(prefix.temp_unix, name) for name in PLANTED_DLLS]
        for path in planted:
            shutil.copy(PROBE_EXE, path)
        try:
            medium = Medium("alone", package="alone-setup.exe")
            self.install(medium, sleep_ms=300)
            for path in planted:
                with open(path, "rb") as kept, open(PROBE_EXE, "rb") as source:
                    self.assertEqual(source.read(), kept.read())
        finally:
            for path in planted:
                os.remove(path)

    def test_file_named_as_the_package_is_left_untouched(self):
        # Another program's setup.exe in the temporary directory, plain or read-only: the loader
        # neither deletes nor overwrites it.
        for read_only in (False, True):
            with self.subTest(read_only=read_only):
                medium = Medium("named-as-package", package="named-setup.exe")
                other = os.path.join(prefix.temp_unix, "named-setup.exe")
                with open(other, "w") as out:
                    out.write("another program's file")
                if read_only:
                    os.chmod(other, 0o444)
                self.install(medium, sleep_ms=300)
                with open(other) as kept:
                    self.assertEqual("another program's file", kept.read())
                os.chmod(other, 0o644)
                os.remove(other)

    def test_nothing_left_in_the_temporary_directory(self):
        before = sorted(os.listdir(prefix.temp_unix))
        medium = Medium("nothing-left", package="left-setup.exe")
        self.install(medium, sleep_ms=300)
        self.assertEqual(before, sorted(os.listdir(prefix.temp_unix)))

    def test_read_only_package(self):
        # Every file on a CD is read-only, and the copy takes the attribute with it; the copy must
        # still go, and the medium stays as it was.
        medium = Medium("read-only", package="ro-setup.exe")
        source = os.path.join(medium.directory, medium.package)
        os.chmod(source, 0o444)
        self.install(medium, sleep_ms=300)
        self.assertEqual(0, os.stat(source).st_mode & 0o222)

    def test_sub_directory_name_runs_in_place(self):
        # A new directory holds no sub-directory: never staged, even where the temporary directory
        # holds one of that name.
        redist = os.path.join(prefix.temp_unix, "redist")
        os.makedirs(redist, exist_ok=True)
        medium = Medium("subpath", package="redist\\setup.exe")
        source = medium.place("redist/setup.exe", source=PROBE_EXE)
        started = winehost.now_ms()
        self.run_loader(medium, medium.env())
        runs = medium.runs()
        self.assertEqual(1, len(runs))
        self.assertEqual(winehost.to_windows(source).lower(), runs[0]["module"].lower())
        self.assertTrue(os.path.exists(source))
        self.assertEqual([], os.listdir(redist))
        self.assertEqual([], self.staging_directories())
        self.assertGreaterEqual(winehost.now_ms() - started, 2000)
        os.rmdir(redist)

    def test_failed_launch_still_removes_the_copy(self):
        medium = Medium("noassoc", package="package.corvane-no-such-type")
        medium.place("package.corvane-no-such-type", content="not a program")
        watcher = winehost.Watcher(self.staging(medium.package))
        started = self.run_loader(medium, medium.env())
        watcher.stop()
        self.assertEqual([], medium.runs())
        self.assertTrue(watcher.seen)
        self.assertIsNotNone(watcher.gone_at)
        self.assertGreaterEqual(watcher.gone_at - started, 2000)
        self.assertEqual([], self.staging_directories())


class Guard(LoaderCase):
    def test_second_loader_ends_at_once_and_touches_nothing(self):
        first = Medium("guard-first")
        second = Medium("guard-second", package="other-setup.exe")
        running = prefix.start_program([winehost.to_windows(
            os.path.join(first.directory, "loader.exe"))], cwd=first.directory,
            env=first.env(sleep_ms=int(3000 * winehost.TIME_FACTOR)))
        deadline = time.time() + 30 * winehost.TIME_FACTOR
        while not first.runs() and time.time() < deadline:
            time.sleep(0.02)
        self.assertEqual(1, len(first.runs()), "the first loader's package did not start")
        self.run_loader(second, second.env())
        # The second loader ended while the first still waited on its package.
        self.assertNotIn("ended", first.runs()[0])
        self.assertEqual([], second.runs())
        self.assertEqual([], glob.glob(self.staging("other-setup.exe")))
        _, errors = running.communicate(timeout=60 * winehost.TIME_FACTOR)
        self.assertEqual(0, running.returncode, errors)
        self.assertEqual(1, len(first.runs()))

    def test_burst_of_loaders_launches_the_package_once(self):
        medium = Medium("burst")
        loader = winehost.to_windows(os.path.join(medium.directory, "loader.exe"))
        loaders = [prefix.start_program([loader], cwd=medium.directory,
                                        env=medium.env(sleep_ms=int(1000 * winehost.TIME_FACTOR)))
                   for _ in range(6)]
        for process in loaders:
            _, errors = process.communicate(timeout=60 * winehost.TIME_FACTOR)
            self.assertEqual(0, process.returncode, errors)
        self.assertEqual(1, len(medium.runs()))
        self.assertEqual([], self.staging_directories())


class Locations(LoaderCase):
    def test_loader_at_the_root_of_a_drive(self):
        medium = Medium("driveroot", package="root-setup.exe")
        prefix.map_drive("q", medium.directory)
        watcher = winehost.Watcher(self.staging(medium.package))
        started = self.run_loader(medium, medium.env(), program="Q:\\loader.exe")
        watcher.stop()
        runs = medium.runs()
        self.assertEqual(1, len(runs))
        self.assert_staged(runs[0]["module"], "root-setup.exe")
        self.assertIsNotNone(watcher.gone_at)
        self.assertGreaterEqual(watcher.gone_at - runs[0]["ended"], 4000)
        self.assertGreaterEqual(runs[0]["started"], started)

    def test_folder_the_code_page_cannot_name(self):
        # The ANSI path gets '?' for each Thai letter and names nothing; its short form names the
        # folder, and the loader installs from it.
        medium = Medium("\u0e17\u0e14\u0e2a\u0e2d\u0e1a", package="thai-setup.exe",
                        reg_path="CorvaneSuite\\thai")
        self.install(medium, sleep_ms=300)

    def test_folder_the_code_page_best_fits(self):
        # A Polish name on a Western machine: the ANSI path gets look-alike letters, no '?'
        # ("L\xF3dz" in 1252), and names a folder that does not exist; the short form names the
        # medium's, and the loader installs from it.
        medium = Medium("\u0141\u00f3d\u017a", package="lodz-setup.exe",
                        reg_path="CorvaneSuite\\lodz")
        self.install(medium, sleep_ms=300)


class Hardened(LoaderCase):
    """A machine that maps every autorun.inf to the registry: the profile functions read nothing
    of the medium's, and the loader reads it itself, as they would read a file nothing maps."""

    @classmethod
    def setUpClass(cls):
        set_mapping(True)

    @classmethod
    def tearDownClass(cls):
        set_mapping(False)

    def test_installs_when_nothing_is_installed_then_up_to_date(self):
        medium = Medium("hardened-fresh")
        self.install(medium, sleep_ms=500, writes_version="2.1.0.5")
        self.run_loader(medium, medium.env())
        self.assertEqual(1, len(medium.runs()))

    def test_up_to_date_does_nothing(self):
        medium = Medium("hardened-equal")
        medium.set_installed("/d", "2.1.0.5")
        self.run_loader(medium, medium.env())
        self.assertEqual([], medium.runs())
        self.assertEqual([], self.staging_directories())

    def test_descriptor_read_as_where_nothing_maps_it(self):
        # Blanks, quotes, other sections, duplicate keys and a second section of the name.
        reg_path = "CorvaneSuite\\hardened-quirks"
        descriptor = "\r\n".join([
            "; a medium", "[other]", "RuntimePackage=other-setup.exe", "  [ AutoRun ]  ",
            " runtimepackage = \"quirk-setup.exe\" ", "RuntimePackage=second-setup.exe",
            "RegPath='%s'" % reg_path, "Version\t=  2.1.0.5 ", "[x]", "[autorun]",
            "Version=9.9.9.9", ""])
        medium = Medium("hardened-quirks", package="quirk-setup.exe", reg_path=reg_path,
                        descriptor=descriptor)
        self.install(medium, sleep_ms=300, writes_version="2.1.0.5")
        self.run_loader(medium, medium.env())
        self.assertEqual(1, len(medium.runs()))


class Mends(LoaderCase):
    def test_names_that_climb_out_never_touch_outside_the_temporary_directory(self):
        temp_parent = os.path.dirname(prefix.temp_unix)
        victim = os.path.join(temp_parent, "victim", "setup.exe")
        os.makedirs(os.path.dirname(victim), exist_ok=True)
        for name in ["..\\victim\\setup.exe", "../victim/setup.exe"]:
            with self.subTest(name):
                with open(victim, "w") as out:
                    out.write("the user's own file")
                medium = Medium("climb", package=name)
                medium.place("../victim/setup.exe", source=PROBE_EXE)
                self.run_loader(medium, medium.env())
                with open(victim) as kept:
                    self.assertEqual("the user's own file", kept.read())
                runs = medium.runs()
                self.assertEqual(1, len(runs))
                self.assertFalse(runs[0]["module"].lower().startswith(
                    prefix.temp_windows.lower()))

    def test_overlong_names_and_paths_never_crash(self):
        long_name = "p" * 259
        cases = [
            ("long-package", long_name, "CorvaneSuite\\long", "2.1.0.5"),
            ("long-regpath", "setup.exe", "R" * 259, "2.1.0.5"),
            ("long-version", "setup.exe", "CorvaneSuite\\longversion", "1." * 20),
            ("version-digits", "setup.exe", "CorvaneSuite\\digits",
             "1234567890.1234567890.1234567890"),
        ]
        for name, package, reg_path, version in cases:
            with self.subTest(name):
                medium = Medium(name, package="setup.exe",
                                descriptor=winehost.autorun(package, reg_path, version))
                self.run_loader(medium, medium.env())
                self.assertEqual([], self.staging_directories())

    def test_installed_value_longer_than_a_version(self):
        medium = Medium("long-installed")
        medium.set_installed("/d", "9.9.9.9" + " " * 200)
        self.run_loader(medium, medium.env())
        self.assertEqual(1, len(medium.runs()))

    def test_module_path_longer_than_max_path(self):
        deep = os.path.join("deep", *(["d" * 60] * 5))
        medium = Medium(deep, package="setup.exe")
        self.assertGreater(len(winehost.to_windows(medium.directory)), 260)
        # Wine cannot start a process in a working directory that long: start it from above.
        # Under WoW64, 64-bit Wine's starter cannot hand a 32-bit program at a path this long
        # to the 32-bit side ("File not found"): the 32-bit Wine loader starts it directly.
        self.run_loader(medium, medium.env(), cwd=SUITE_DIR, wine=WINE32 if WOW64 else None)
        self.assertEqual([], medium.runs())


@unittest.skipUnless(WOW64, "the loader does not run under WoW64 here")
class WoW64(LoaderCase):
    """A 32-bit loader on 64-bit Windows reads HKLM\\Software through the 32-bit registry view
    (WOW6432Node): what a 32-bit installer records there is found, what a 64-bit one records in the
    other view never is."""

    def test_version_in_the_32_bit_view_is_found(self):
        medium = Medium("wow64-view32")
        medium.set_installed("/d", "2.1.0.5", "/reg:32")
        self.run_loader(medium, medium.env())
        self.assertEqual([], medium.runs())
        self.assertEqual([], self.staging_directories())

    def test_version_only_in_the_64_bit_view_installs(self):
        medium = Medium("wow64-view64")
        medium.set_installed("/d", "2.1.0.5", "/reg:64")
        self.install(medium, sleep_ms=300)

    def test_32_and_64_bit_packages(self):
        # Each package records the medium's version in its own view; only the 32-bit one makes the
        # next start quiet.
        for bits, probe, quiet_after in ((32, PROBE_EXE, True), (64, PROBE64_EXE, False)):
            with self.subTest(bits=bits):
                medium = Medium("wow64-probe%d" % bits, source=probe)
                self.install(medium, sleep_ms=500, writes_version="2.1.0.5")
                self.assertEqual("2.1.0.5", prefix.installed_version(medium.reg_path, str(bits)))
                self.run_loader(medium, medium.env())
                self.assertEqual(1 if quiet_after else 2, len(medium.runs()))


@unittest.skipUnless(MSI_IN_VIEW, "no MSI package given")
class MsiPackage(LoaderCase):
    """The package is an MSI: the shell opens it with msiexec, the loader waits for msiexec, and
    the MSI records its version."""

    def msi_case(self, msi, quiet_after):
        package = os.path.basename(msi)
        name = os.path.splitext(package)[0]
        medium = Medium(name, package=package, reg_path="CorvaneSuite\\" + name, source=msi)
        watcher = winehost.Watcher(self.staging(package))
        msiexec = winehost.ProcessWatcher("msiexec")
        started = self.run_loader(medium)
        watcher.stop()
        msiexec.stop()
        self.assertIsNotNone(msiexec.last_seen, "msiexec did not run")
        self.assertIn(package.lower(), msiexec.command_line.lower())
        self.assertGreaterEqual(msiexec.first_seen, started)
        self.assertTrue(watcher.seen)
        self.assertIsNotNone(watcher.gone_at, "the staging copy was not removed")
        self.assertEqual([], self.staging_directories())
        # msiexec was last seen no later than its end: two pauses lie between that and the deletion.
        self.assertGreaterEqual(watcher.gone_at - msiexec.last_seen, 4000)
        self.assertEqual("2.1.0.5", prefix.installed_version(medium.reg_path, "64" if
                                                             "x64" in package else "32"))
        again = winehost.ProcessWatcher("msiexec")
        self.run_loader(medium)
        again.stop()
        self.assertEqual(quiet_after, again.last_seen is None)

    def test_msi_recording_in_the_loaders_view_installs_once(self):
        self.msi_case(MSI_IN_VIEW, quiet_after=True)

    @unittest.skipUnless(MSI_OTHER_VIEW, "no MSI package recording in the other view")
    def test_msi_recording_in_the_other_view_installs_on_every_start(self):
        self.msi_case(MSI_OTHER_VIEW, quiet_after=False)


class MountedMedium:
    """A medium that is already there, read-only: nothing is written to it, the probe logs
    beside the suite."""

    env = Medium.env
    runs = Medium.runs

    def __init__(self, directory, package):
        self.directory = directory
        self.package = package
        os.makedirs(SUITE_DIR, exist_ok=True)
        self.log = os.path.join(SUITE_DIR, "mounted-probe.log")
        if os.path.exists(self.log):
            os.remove(self.log)


@unittest.skipUnless(MEDIUM_IMAGE_DIR, "no disc image mounted")
class DiscImage(LoaderCase):
    def test_loader_runs_from_a_mounted_image(self):
        # As from a CD: a drive whose every file is read-only, the staged copy too.
        medium = MountedMedium(MEDIUM_IMAGE_DIR, "setup.exe")
        prefix.map_drive("r", medium.directory)
        watcher = winehost.Watcher(self.staging(medium.package))
        started = self.run_loader(medium, medium.env(), program="R:\\loader.exe")
        watcher.stop()
        runs = medium.runs()
        self.assertEqual(1, len(runs), runs)
        self.assert_staged(runs[0]["module"], "setup.exe")
        self.assertEqual(["setup.exe"], [name.lower() for name in runs[0]["beside"]])
        # Wine names the current directory by the drive that maps it.
        self.assertEqual("r:\\", runs[0]["cwd"].lower())
        self.assertTrue(watcher.seen)
        self.assertIsNotNone(watcher.gone_at, "the staging copy was not removed")
        self.assertEqual([], self.staging_directories())
        self.assertGreaterEqual(watcher.gone_at - runs[0]["ended"], 4000)
        self.assertGreaterEqual(runs[0]["started"], started)


# For each locale: its codec, a character whose trail byte is 0x5C, and names in its language.
DOUBLE_BYTE = {
    "ja_JP.UTF-8": ("cp932", "\u30bd", "\u30e1\u30c7\u30a3\u30a2", "\u30bb\u30c3\u30c8"),
    "zh_CN.UTF-8": ("gbk", "\u4e57", "\u4ecb\u8d28", "\u5b89\u88c5"),
}


@unittest.skipUnless(DOUBLE_BYTE_LOCALES, "no double-byte locale given")
class DoubleByteCodePages(LoaderCase):
    """In code pages 932 and 936 a trail byte can be 0x5C, the backslash. The loader's directory,
    its own name and the package's may hold such characters."""

    @staticmethod
    def took(locale, started):
        sys.stderr.write(" [%s %.1f s]" % (locale, time.time() - started))

    def code_page(self, locale):
        """The locale's environment, after checking with the probe that Wine gets the double-byte
        code page from it."""
        env = {"LC_ALL": locale}
        medium = Medium("code-page")
        prefix.run([PROBE_EXE], env=dict(medium.env(), **env))
        expected = 932 if DOUBLE_BYTE[locale][0] == "cp932" else 936
        self.assertEqual(expected, medium.runs()[0]["acp"],
                         "%s does not give code page %d: is the locale generated?"
                         % (locale, expected))
        return env

    def test_directory_and_names_with_a_trail_byte_of_0x5c(self):
        for locale in DOUBLE_BYTE_LOCALES:
            started = time.time()
            with self.subTest(locale):
                env = self.code_page(locale)
                codec, character, medium_name, package_name = DOUBLE_BYTE[locale]
                medium = Medium("%s%s-%s" % (medium_name, character, codec),
                                package=package_name + character + ".exe",
                                loader=package_name + character + "-loader.exe", encoding=codec)
                self.install(medium, env, sleep_ms=300)
            self.took(locale, started)

    def test_name_ending_in_a_trail_byte_is_staged(self):
        # Read byte by byte such a name ends in a separator; it is one character, so it is staged.
        # With no extension there is no program to open it: the copy goes after one pause.
        for locale in DOUBLE_BYTE_LOCALES:
            started = time.time()
            with self.subTest(locale):
                env = self.code_page(locale)
                codec, character, _, package_name = DOUBLE_BYTE[locale]
                medium = Medium("trail-" + codec, package=package_name + character,
                                encoding=codec)
                watcher = winehost.Watcher(self.staging(medium.package))
                launched = self.run_loader(medium, dict(medium.env(), **env))
                watcher.stop()
                self.assertTrue(watcher.seen, "the package was not staged")
                self.assertIsNotNone(watcher.gone_at)
                self.assertGreaterEqual(watcher.gone_at - launched, 2000)
                self.assertEqual([], self.staging_directories())
            self.took(locale, started)


if __name__ == "__main__":
    unittest.main(verbosity=2)
