#!/usr/bin/python3
"""Signing with scripts/sign.sh, against a throw-away certificate authority and code-signing
certificate that openssl makes here (RSA, so a signature with a fixed time is deterministic).

Parameters (environment): SOURCE_DIR (the repository), WINDOWS_BUILD_ROOT (where the win32 and
win64 presets build), RELEASE_DIR (the archives release.reproducible kept), WINE_DIR (the Wine
checks' folder: the prefix and scratch space), HOST_CHECKER (the build machine's medium-check).

usage: signing.py Signing | SignedArchive | SignedTwinUnderWine
"""
import hashlib
import http.server
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zipfile

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import winehost  # noqa: E402

SOURCE_DIR = os.environ["SOURCE_DIR"]
BUILD_ROOT = os.environ["WINDOWS_BUILD_ROOT"]
SIGN = os.path.join(SOURCE_DIR, "scripts", "sign.sh")
CHECK_IMAGE = os.path.join(SOURCE_DIR, "tests", "image", "check_image.py")
WIN32_LOADER = os.path.join(BUILD_ROOT, "win32", "loader", "loader.exe")
WIN64_LOADER = os.path.join(BUILD_ROOT, "win64", "loader", "loader.exe")
RELEASE_ZIP = os.path.join(os.environ.get("RELEASE_DIR", ""),
                           "corvane-loader-1.1.22.712-win32.zip")
# Blanks and a dollar sign: the password also has to survive the shell's quoting.
PASSWORD = "Xq7 corvane$pw-83"
WIN64_CHECKER = os.path.join(BUILD_ROOT, "win64", "checker", "medium-check.exe")
MSI_PACKAGE = os.path.join(BUILD_ROOT, "win32", "tests", "wine", "runtime-x86.msi")
# Any fixed time will do: verification checks the chain at the present time.
SIGNING_TIME = "1796083200"

# A time-stamp's time as a report gives it; Wine 8 does not decode an RFC 3161 token's time.
TIME_FORM = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC|at a time this machine does not decode"

scratch = None
ca = None


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


def openssl(*arguments):
    result = run(["openssl"] + list(arguments), cwd=scratch)
    if result.returncode != 0:
        raise RuntimeError("openssl %s: %s" % (arguments[0], result.stderr))


def make_authority(name):
    """A certificate authority and a code-signing certificate it issued, with the key both as
    an encrypted PEM file and in a PKCS#12 file, each under PASSWORD."""
    files = {kind: os.path.join(scratch, "%s.%s" % (name, kind))
             for kind in ("ca.key", "ca.pem", "key.pem", "csr", "cert.pem", "chain.pem", "p12")}
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", files["ca.key"], "-out",
            files["ca.pem"], "-days", "2", "-subj", "/CN=Throw-away CA " + name,
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-keyout", files["key.pem"], "-passout",
            "file:password", "-out", files["csr"], "-subj",
            "/O=Throw-away Makers, Inc./CN=Throw-away Publisher " + name)
    with open(os.path.join(scratch, "code-signing.ext"), "w") as out:
        out.write("basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                  "extendedKeyUsage=codeSigning\n")
    openssl("x509", "-req", "-in", files["csr"], "-CA", files["ca.pem"], "-CAkey",
            files["ca.key"], "-set_serial", "1", "-days", "2", "-extfile", "code-signing.ext",
            "-out", files["cert.pem"])
    with open(files["chain.pem"], "w") as out:
        for part in ("cert.pem", "ca.pem"):
            with open(files[part]) as pem:
                out.write(pem.read())
    openssl("pkcs12", "-export", "-inkey", files["key.pem"], "-passin", "file:password", "-in",
            files["cert.pem"], "-certfile", files["ca.pem"], "-out", files["p12"], "-passout",
            "file:password-again")
    return files


def setUpModule():
    global scratch, ca
    scratch = tempfile.mkdtemp(prefix="loader-signing.")
    # Runs even when the set-up fails half-way.
    unittest.addModuleCleanup(shutil.rmtree, scratch, ignore_errors=True)
    # openssl reads the second line of a file named for both -passin and -passout: two files.
    for name in ("password", "password-again"):
        with open(os.path.join(scratch, name), "w") as out:
            out.write(PASSWORD + "\n")
    ca = make_authority("main")


def make_time_stamping_authority():
    """A time-stamping certificate from the throw-away authority; returns openssl ts's
    configuration for answering with it."""
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "tsa.key.pem", "-out", "tsa.csr",
            "-subj", "/CN=Throw-away Time-Stamping Authority")
    with open(os.path.join(scratch, "tsa.ext"), "w") as out:
        out.write("basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                  "extendedKeyUsage=critical,timeStamping\n")
    openssl("x509", "-req", "-in", "tsa.csr", "-CA", ca["ca.pem"], "-CAkey", ca["ca.key"],
            "-set_serial", "2", "-days", "2", "-extfile", "tsa.ext", "-out", "tsa.cert.pem")
    with open(os.path.join(scratch, "tsa.serial"), "w") as out:
        out.write("01\n")
    config = os.path.join(scratch, "tsa.cnf")
    with open(config, "w") as out:
        out.write("[tsa]\ndefault_tsa = answer\n[answer]\n" + "".join(
            "%s = %s\n" % pair for pair in [
                ("serial", os.path.join(scratch, "tsa.serial")),
                ("signer_cert", os.path.join(scratch, "tsa.cert.pem")),
                ("signer_key", os.path.join(scratch, "tsa.key.pem")),
                ("certs", ca["ca.pem"]), ("signer_digest", "sha256"),
                ("default_policy", "1.2.3.4.1"), ("digests", "sha256, sha384, sha512"),
                ("ess_cert_id_alg", "sha256"), ("tsa_name", "no"), ("ess_cert_id_chain", "no")]))
    return config


class TimeStampService(http.server.BaseHTTPRequestHandler):
    """A local RFC 3161 service: openssl ts answers each request."""
    config = None
    answered = 0

    def do_POST(self):
        query, reply = os.path.join(scratch, "query.tsq"), os.path.join(scratch, "reply.tsr")
        with open(query, "wb") as out:
            out.write(self.rfile.read(int(self.headers["Content-Length"])))
        result = run(["openssl", "ts", "-reply", "-config", self.config, "-queryfile", query,
                      "-out", reply])
        body = b""
        if result.returncode == 0:
            TimeStampService.answered += 1
            with open(reply, "rb") as data:
                body = data.read()
        self.send_response(200 if body else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *arguments):
        pass


def sign(inputs, out_dir, key="pkcs12", password_from="environment", prefix=(), temporary=None,
         timestamp=None):
    """Runs sign.sh; returns the finished process. key: "pkcs12" or "pem"."""
    command = list(prefix) + ["bash", SIGN]
    if key == "pkcs12":
        command += ["--pkcs12", ca["p12"]]
    else:
        command += ["--certs", ca["chain.pem"], "--key", ca["key.pem"]]
    env = dict(os.environ)
    env.pop("SIGN_PASSWORD", None)
    if password_from == "environment":
        env["SIGN_PASSWORD"] = PASSWORD
    else:
        command += ["--pass-file", os.path.join(scratch, "password")]
    if temporary:
        env["TMPDIR"] = temporary
    if timestamp:
        command += ["--timestamp", timestamp]
    command += ["--time", SIGNING_TIME] + (["--out", out_dir] if out_dir else []) + list(inputs)
    return run(command, env=env)


def digest(path):
    with open(path, "rb") as data:
        return hashlib.sha256(data.read()).hexdigest()


def verify(path, authority, time_stamped=False):
    """Exit status and everything osslsigncode printed (it splits its report over both streams)."""
    result = run(["osslsigncode", "verify", "-CAfile", authority["ca.pem"], "-in", path] +
                 (["-TSA-CAfile", authority["ca.pem"]] if time_stamped else []))
    return result.returncode, result.stdout + result.stderr


def with_code_byte_changed(path, out_path):
    with open(path, "rb") as data:
        image = bytearray(data.read())
    code = next(section for section in pefile.PE(data=bytes(image), fast_load=True).sections
                if section.Characteristics & pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_CNT_CODE"])
    image[code.PointerToRawData + code.SizeOfRawData // 2] ^= 0xFF
    with open(out_path, "wb") as out:
        out.write(image)


def certificate_table_problems(unsigned, signed):
    """What differs between the two images beyond the certificate table and the two header fields
    that signing sets (the security directory entry and the checksum)."""
    problems = []
    pe = pefile.PE(data=signed, fast_load=True)
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    before = pefile.PE(data=unsigned, fast_load=True).OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if (before.VirtualAddress, before.Size) != (0, 0):
        problems.append("the unsigned image already has a certificate table")
    checksum_at = pe.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum")
    security_at = security.get_file_offset()
    allowed = set(range(checksum_at, checksum_at + 4)) | set(range(security_at, security_at + 8))
    changed = [at for at in range(len(unsigned)) if unsigned[at] != signed[at]]
    if set(changed) - allowed:
        problems.append("bytes changed outside the two fields: %s" % sorted(set(changed) - allowed)[:8])
    table_at, table_size = security.VirtualAddress, security.Size
    if not 0 <= table_at - len(unsigned) < 8 or signed[len(unsigned):table_at].strip(b"\0"):
        problems.append("the table does not follow the image: at %d, image ends at %d"
                        % (table_at, len(unsigned)))
    if table_at + table_size != len(signed):
        problems.append("the table does not end the file: %d + %d != %d"
                        % (table_at, table_size, len(signed)))
    length, revision, kind = struct.unpack_from("<IHH", signed, table_at)
    if (revision, kind) != (0x0200, 2) or not table_size - 8 < length <= table_size:
        problems.append("not one PKCS#7 certificate entry: length %d, revision %#x, type %d"
                        % (length, revision, kind))
    if pe.OPTIONAL_HEADER.CheckSum != pe.generate_checksum():
        problems.append("checksum %#x, computed %#x" % (pe.OPTIONAL_HEADER.CheckSum,
                                                        pe.generate_checksum()))
    return problems


def sign_time_stamped(inputs, out_dir):
    """sign.sh with a time-stamp from a local RFC 3161 service, started for the call."""
    TimeStampService.config = TimeStampService.config or make_time_stamping_authority()
    TimeStampService.answered = 0
    service = http.server.HTTPServer(("127.0.0.1", 0), TimeStampService)
    thread = threading.Thread(target=service.serve_forever)
    thread.start()
    try:
        return sign(inputs, out_dir, timestamp="http://127.0.0.1:%d/" % service.server_port)
    finally:
        service.shutdown()
        service.server_close()
        thread.join()


def issue(name, start, end, usage="codeSigning"):
    """A certificate the throw-away authority issues to publisher name, valid from start to end
    (Unix times), for the extended key usage given; its PEM file and its key's (no password)."""
    folder = os.path.join(scratch, "issued")
    os.makedirs(folder, exist_ok=True)
    if not os.path.exists(os.path.join(folder, "serial")):
        open(os.path.join(folder, "index.txt"), "w").close()
        with open(os.path.join(folder, "serial"), "w") as out:
            out.write("10\n")
    config = os.path.join(folder, name + ".cnf")
    with open(config, "w") as out:
        out.write("[ca]\ndefault_ca = issuing\n[issuing]\n" + "".join(
            "%s = %s\n" % pair for pair in [
                ("database", os.path.join(folder, "index.txt")),
                ("serial", os.path.join(folder, "serial")), ("new_certs_dir", folder),
                ("certificate", ca["ca.pem"]), ("private_key", ca["ca.key"]),
                ("default_md", "sha256"), ("policy", "any"), ("unique_subject", "no")]) +
            "[any]\norganizationName = optional\ncommonName = supplied\n[usage]\n"
            "basicConstraints = critical,CA:FALSE\nkeyUsage = critical,digitalSignature\n"
            "extendedKeyUsage = %s\n" % usage)
    files = {kind: os.path.join(folder, "%s.%s" % (name, kind)) for kind in ("key", "csr", "pem")}
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", files["key"], "-out", files["csr"],
            "-subj", "/O=Throw-away Makers, Inc./CN=Throw-away Publisher " + name)
    openssl("ca", "-batch", "-config", config, "-extensions", "usage", "-preserveDN", "-notext",
            "-startdate", time.strftime("%Y%m%d%H%M%SZ", time.gmtime(start)),
            "-enddate", time.strftime("%Y%m%d%H%M%SZ", time.gmtime(end)), "-in", files["csr"],
            "-out", files["pem"])
    return files


def sign_with(certificate, out_path, stamped_at=None):
    """The win32 loader signed with an issued certificate, time-stamped at the time given (a Unix
    time) by osslsigncode's own RFC 3161 authority with the throw-away time-stamping certificate,
    so that the time-stamp's time is the test's to choose."""
    command = ["osslsigncode", "sign", "-certs", certificate["pem"], "-key", certificate["key"],
               "-h", "sha256", "-in", WIN32_LOADER, "-out", out_path]
    if stamped_at is not None:
        TimeStampService.config = TimeStampService.config or make_time_stamping_authority()
        chain = os.path.join(scratch, "tsa.chain.pem")
        with open(chain, "w") as out:
            for part in (os.path.join(scratch, "tsa.cert.pem"), ca["ca.pem"]):
                with open(part) as pem:
                    out.write(pem.read())
        command += ["-TSA-certs", chain, "-TSA-key", os.path.join(scratch, "tsa.key.pem"),
                    "-TSA-time", str(int(stamped_at))]
    result = run(command)
    if result.returncode != 0:
        raise RuntimeError("osslsigncode sign: " + result.stdout + result.stderr)
    return out_path


def check_medium(checker, medium, path=None):
    """medium-check's JSON report of a medium: the build machine's, or with checker "wine" the
    win64 medium-check.exe's under Wine."""
    if checker == "wine":
        prefix = winehost.Prefix(os.path.join(os.environ["WINE_DIR"], "prefix"))
        result = prefix.run([WIN64_CHECKER, "--json", winehost.to_windows(medium)], capture=True)
    else:
        env = dict(os.environ, PATH=path) if path else None
        result = run([os.environ["HOST_CHECKER"], "--json", medium], env=env)
    return json.loads(result.stdout)


class Signing(unittest.TestCase):
    """The loader signed three ways: PKCS#12 with the password from the environment, PEM key and
    chain with the password from a file, and the 64-bit twin."""

    @classmethod
    def setUpClass(cls):
        cls.unsigned_before = {path: digest(path) for path in (WIN32_LOADER, WIN64_LOADER)}
        cls.out = os.path.join(scratch, "signing")
        cls.signed = []
        cls.ways = {}
        for label, source, key, password_from, architecture in [
                ("win32, PKCS#12, password from the environment", WIN32_LOADER, "pkcs12",
                 "environment", "X86"),
                ("win32, PEM, password from a file", WIN32_LOADER, "pem", "file", "X86"),
                ("win64 twin, PKCS#12", WIN64_LOADER, "pkcs12", "environment", "amd64")]:
            out_dir = os.path.join(cls.out, "%d" % len(cls.signed))
            result = sign([source], out_dir, key, password_from)
            if result.returncode != 0:
                raise RuntimeError("%s: sign.sh failed: %s" % (label, result.stderr))
            cls.signed.append((label, source, os.path.join(out_dir, "loader.exe"), architecture))
            cls.ways[label] = (key, password_from)

    def test_each_signed_file_verifies_and_a_changed_code_byte_is_rejected(self):
        other = make_authority("other")
        for label, _, signed, _ in self.signed:
            with self.subTest(label):
                status, report = verify(signed, ca)
                self.assertEqual(0, status, report)
                self.assertIn("Signature verification: ok", report)
                # Rejected for the chain alone: the digest still matches.
                status, report = verify(signed, other)
                self.assertNotEqual(0, status, "accepted against another authority")
                self.assertIn("Signature verification: failed", report)
                self.assertNotIn("MISMATCH", report)
                tampered = signed + ".tampered"
                with_code_byte_changed(signed, tampered)
                status, report = verify(tampered, ca)
                self.assertNotEqual(0, status, "tampered copy accepted")
                self.assertIn("Signature verification: failed", report)
                self.assertIn("MISMATCH", report)

    def test_signed_image_passes_the_same_image_checks(self):
        for label, unsigned, signed, architecture in self.signed:
            with self.subTest(label):
                before = run(["/usr/bin/python3", CHECK_IMAGE, architecture, unsigned])
                after = run(["/usr/bin/python3", CHECK_IMAGE, architecture, signed])
                self.assertEqual(0, before.returncode, before.stdout)
                self.assertEqual(before.stdout, after.stdout)
                self.assertEqual(0, after.returncode)

    def test_only_the_certificate_table_is_added(self):
        for label, unsigned, signed, _ in self.signed:
            with self.subTest(label):
                with open(unsigned, "rb") as a, open(signed, "rb") as b:
                    self.assertEqual([], certificate_table_problems(a.read(), b.read()))

    def test_fixed_time_gives_identical_bytes(self):
        for index, (label, source, signed, _) in enumerate(self.signed):
            with self.subTest(label):
                again = os.path.join(scratch, "again", str(index))
                self.assertEqual(0, sign([source], again, *self.ways[label]).returncode)
                self.assertEqual(digest(signed), digest(os.path.join(again, "loader.exe")))

    def test_unsigned_build_is_never_changed(self):
        copy_dir = os.path.join(scratch, "beside")
        os.makedirs(copy_dir, exist_ok=True)
        copy = shutil.copy(WIN32_LOADER, os.path.join(copy_dir, "loader.exe"))
        default = sign([copy], None)
        self.assertEqual(0, default.returncode, default.stderr)
        self.assertTrue(os.path.isfile(os.path.join(copy_dir, "signed", "loader.exe")),
                        "no signed copy in signed/ beside the input")
        onto_itself = sign([copy], copy_dir)
        self.assertNotEqual(0, onto_itself.returncode, "signed over its own input")
        self.assertEqual(digest(WIN32_LOADER), digest(copy))
        self.assertEqual(self.unsigned_before,
                         {path: digest(path) for path in self.unsigned_before})

    def test_time_stamp_from_an_rfc3161_service(self):
        out_dir = os.path.join(scratch, "time-stamped")
        result = sign_time_stamped([WIN32_LOADER], out_dir)
        self.assertEqual(0, result.returncode, result.stderr)
        self.assertEqual(1, TimeStampService.answered)
        status, report = verify(os.path.join(out_dir, "loader.exe"), ca, time_stamped=True)
        self.assertEqual(0, status, report)
        self.assertIn("Timestamp Server Signature verification: ok", report)
        self.assertIn("Signature verification: ok", report)

    def test_medium_check_reports_each_signature(self):
        """The signatures of a medium's loader and package, on both builds, each answer as
        Windows gives it. Where Wine 8's WinVerifyTrust answers otherwise, the row holds Wine's
        answer as a known difference (docs/windows-behaviour.md): it accepts a chain ending in
        the throw-away root, where Windows answers CERT_E_UNTRUSTEDROOT (MC504, tested from a
        hand-built observation in checker_tests), and a certificate outside its validity period
        or not for code signing, where Windows answers CERT_E_EXPIRED and CERT_E_WRONG_USAGE."""
        signed = os.path.join(scratch, "for-check")
        self.assertEqual(0, sign([WIN32_LOADER, MSI_PACKAGE], signed).returncode)
        stamped = os.path.join(scratch, "for-check-stamped")
        self.assertEqual(0, sign_time_stamped([WIN32_LOADER], stamped).returncode)
        tampered = os.path.join(scratch, "for-check-tampered.exe")
        with_code_byte_changed(os.path.join(signed, "loader.exe"), tampered)
        # An installer system's data appended to a signed program: Windows hashes what follows the
        # signature with the rest of the file.
        appended = os.path.join(scratch, "for-check-appended.exe")
        shutil.copy(os.path.join(signed, "loader.exe"), appended)
        with open(appended, "ab") as out:
            out.write(b"appended after signing")
        msi = os.path.join(signed, os.path.basename(MSI_PACKAGE))
        now = time.time()
        year = 365 * 24 * 3600
        expired = issue("expired", now - 6 * year, now - 5 * year)
        lapsing = issue("lapsing", now - 60, now + 5)
        future = issue("future", now + 14 * year, now + 15 * year)
        usage = issue("usage", now - 60, now + year, usage="emailProtection")
        lapsed = sign_with(lapsing, os.path.join(scratch, "lapsed.exe"), stamped_at=now)
        time.sleep(max(0.0, now + 6 - time.time()))
        # As Windows shows the subject; the build machine's report must show it the same.
        publisher = 'O="Throw-away Makers, Inc.", CN=Throw-away Publisher '
        main = publisher + "main"
        # label, loader.exe, the package (setup.msi, or none), the osslsigncode PATH or None,
        # then per file: state, signer, time-stamped; the codes; and Wine's answer (the states
        # and codes), where it differs.
        rows = [
            ("unsigned", WIN32_LOADER, None, None,
             {"loader.exe": ("unsigned", None, False)}, ["MC501"], None),
            ("signed, no time-stamp, signed MSI", os.path.join(signed, "loader.exe"), msi, None,
             {"loader.exe": ("verified", main, False), "setup.msi": ("verified", main, False)},
             ["MC503", "MC503"], None),
            ("signed and time-stamped", os.path.join(stamped, "loader.exe"), None, None,
             {"loader.exe": ("verified", main, True)}, [], None),
            ("one code byte changed", tampered, None, None,
             {"loader.exe": ("bad-digest", None, False)}, ["MC502"], None),
            # Wine, as osslsigncode, looks for the signature at the file's end and finds none.
            ("bytes appended after signing", appended, None, None,
             {"loader.exe": ("bad-digest", None, False)}, ["MC502"],
             ({"loader.exe": ("unsigned", None, False)}, ["MC501"])),
            ("no verifier", os.path.join(signed, "loader.exe"), None, "/nonexistent",
             {"loader.exe": ("not-checked", None, False)}, ["MC505"], None),
            ("unsigned, no verifier", WIN32_LOADER, None, "/nonexistent",
             {"loader.exe": ("unsigned", None, False)}, ["MC501"], None),
            ("certificate expired, no time-stamp",
             sign_with(expired, os.path.join(scratch, "expired.exe")), None, None,
             {"loader.exe": ("expired", publisher + "expired", False)}, ["MC506"],
             ({"loader.exe": ("verified", publisher + "expired", False)}, ["MC503"])),
            ("certificate expired, time-stamped after",
             sign_with(expired, os.path.join(scratch, "expired-stamped.exe"), stamped_at=now),
             None, None, {"loader.exe": ("expired", publisher + "expired", True)}, ["MC506"],
             ({"loader.exe": ("verified", publisher + "expired", True)}, [])),
            ("certificate expired since, time-stamped while valid", lapsed, None, None,
             {"loader.exe": ("verified", publisher + "lapsing", True)}, [], None),
            ("certificate not yet valid",
             sign_with(future, os.path.join(scratch, "future.exe")), None, None,
             {"loader.exe": ("expired", publisher + "future", False)}, ["MC506"],
             ({"loader.exe": ("verified", publisher + "future", False)}, ["MC503"])),
            # Windows answers CERT_E_WRONG_USAGE (MC508). Wine does not, and the build machine
            # judges the usage only where osslsigncode builds the chain to a root it holds,
            # which a throw-away one is not.
            ("certificate not for code signing",
             sign_with(usage, os.path.join(scratch, "usage.exe")), None, None,
             {"loader.exe": ("verified", publisher + "usage", False)}, ["MC503"], None),
        ]
        for label, loader, package, path, states, codes, wine in rows:
            medium = os.path.join(scratch, "medium-" + label.replace(" ", "-").replace(",", ""))
            os.makedirs(medium)
            shutil.copy(loader, os.path.join(medium, "loader.exe"))
            text = "[autorun]\r\nRuntimePackage=%s\r\nRegPath=Maker\\Rt\r\nVersion=2.1.0.5\r\n"
            with open(os.path.join(medium, "autorun.inf"), "w") as out:
                out.write(text % ("setup.msi" if package else "setup.exe"))
            if package:
                shutil.copy(package, os.path.join(medium, "setup.msi"))
            for build in ["host"] + ([] if path else ["wine"]):
                with self.subTest(label, build=build):
                    expected_states, expected_codes = wine if build == "wine" and wine else (
                        states, codes)
                    report = check_medium(build, medium, path)
                    got = {s["file"]: (s["state"], s["signer"], s["timestamp"] is not None)
                           for s in report["signatures"]}
                    # Both builds write a time they read as the Windows build does.
                    times = [s[key] for s in report["signatures"]
                             for key in ("timestamp", "validFrom", "validTo") if s[key]]
                    self.assertTrue(all(re.fullmatch(TIME_FORM, t) for t in times), times)
                    self.assertEqual(expected_states, got, report["signatures"])
                    found = [f["code"] for f in report["findings"]
                             if f["code"].startswith("MC5")]
                    self.assertEqual(expected_codes, found, report["findings"])

    def test_password_never_on_a_command_line_or_in_a_file(self):
        for key, password_from in [("pkcs12", "environment"), ("pem", "file")]:
            with self.subTest(key=key, password_from=password_from):
                self.assertEqual([], password_leaks(key, password_from))


def password_leaks(key, password_from):
    """Signs under strace, which records every program started (its arguments and environment,
    as the process list shows them) and every write; returns where the password turned up."""
    run_dir = tempfile.mkdtemp(prefix="traced.", dir=scratch)
    temporary = os.path.join(run_dir, "tmp")
    os.makedirs(temporary)
    trace = os.path.join(run_dir, "trace")
    strace = ["strace", "-f", "-qq", "-v", "-y", "-s", "1000000", "-o", trace,
              "-e", "trace=execve,read,write,pwrite64,writev"]
    result = sign([WIN32_LOADER], os.path.join(run_dir, "out"), key, password_from,
                  prefix=strace, temporary=temporary)
    if result.returncode != 0:
        return ["sign.sh failed: " + result.stderr]
    with open(trace, errors="replace") as lines:
        calls = lines.read().splitlines()
    leaks = []
    executions = [line for line in calls if " execve(" in line]
    if not any("osslsigncode" in line for line in executions):
        leaks.append("the trace saw no osslsigncode: it watched nothing")
    # The first program is sign.sh's shell, started by this test with SIGN_PASSWORD.
    for line in executions[1:]:
        if PASSWORD in line:
            leaks.append("a program started with it: " + line[:200])
    written = set()
    seen = False
    for line in calls:
        call = re.match(r"\d+ +(read|write|pwrite64|writev)\(\d+<([^>]*)>", line)
        if not call or PASSWORD not in line:
            continue
        seen = True
        if call.group(1) != "read" and not call.group(2).startswith("pipe:"):
            leaks.append("written to %s" % call.group(2))
    if not seen:
        leaks.append("the trace never saw the password handed over: it watched nothing")
    for line in calls:
        call = re.match(r"\d+ +(?:write|pwrite64|writev)\(\d+<(/[^>]*)>", line)
        if call:
            written.add(call.group(1))
    for folder in (run_dir, temporary):
        for parent, _, names in os.walk(folder):
            written.update(os.path.join(parent, name) for name in names if name != "trace")
    for path in sorted(written):
        if os.path.isfile(path) and os.path.dirname(path) != scratch:
            with open(path, "rb") as data:
                if PASSWORD.encode() in data.read():
                    leaks.append("in the file " + path)
    return leaks


class SignedArchive(unittest.TestCase):
    """The release archive signed: the same files, names and times, the executables signed."""

    def test_signed_archive(self):
        before = digest(RELEASE_ZIP)
        first, second = os.path.join(scratch, "zip-1"), os.path.join(scratch, "zip-2")
        for out_dir in (first, second):
            result = sign([RELEASE_ZIP], out_dir)
            self.assertEqual(0, result.returncode, result.stderr)
        name = os.path.basename(RELEASE_ZIP)
        self.assertEqual(digest(os.path.join(first, name)), digest(os.path.join(second, name)),
                         "signing the archive twice at a fixed time gave different bytes")
        self.assertEqual(before, digest(RELEASE_ZIP), "the unsigned archive changed")

        unsigned = zipfile.ZipFile(RELEASE_ZIP)
        signed = zipfile.ZipFile(os.path.join(first, name))
        self.assertEqual([(i.filename, i.date_time, i.external_attr) for i in unsigned.infolist()],
                         [(i.filename, i.date_time, i.external_attr) for i in signed.infolist()])
        executables = [n for n in unsigned.namelist() if n.lower().endswith(".exe")]
        self.assertEqual(2, len(executables), unsigned.namelist())
        unpacked = os.path.join(scratch, "zip-unpacked")
        signed.extractall(unpacked)
        for member in unsigned.namelist():
            with self.subTest(member):
                path = os.path.join(unpacked, member)
                if member in executables:
                    status, report = verify(path, ca)
                    self.assertEqual(0, status, report)
                    self.assertEqual([], certificate_table_problems(unsigned.read(member),
                                                                    signed.read(member)))
                elif member.endswith("/SHA256SUMS"):
                    folder = os.path.dirname(path)
                    check = run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=folder)
                    self.assertEqual(0, check.returncode, check.stdout)
                else:
                    self.assertEqual(unsigned.read(member), signed.read(member))


class SignedTwinUnderWine(unittest.TestCase):
    """The signed 64-bit twin still runs: the Wine suite's install and up-to-date cases."""

    def test_signed_twin_installs_then_finds_itself_up_to_date(self):
        out_dir = os.path.join(scratch, "twin")
        result = sign([WIN64_LOADER], out_dir)
        self.assertEqual(0, result.returncode, result.stderr)
        wine_dir = os.environ["WINE_DIR"]
        env = dict(os.environ, LOADER_EXE=os.path.join(out_dir, "loader.exe"),
                   PROBE_EXE=os.path.join(BUILD_ROOT, "win64", "tests", "wine", "probe.exe"),
                   SUITE_DIR=os.path.join(wine_dir, "signed-suite"),
                   PREFIX_DIR=os.path.join(wine_dir, "prefix"))
        suite = run(["/usr/bin/python3", os.path.join(SOURCE_DIR, "tests", "wine", "suite.py"),
                     "InstallDecision.test_no_key_installs_then_up_to_date",
                     "InstallDecision.test_up_to_date_does_nothing"], env=env)
        sys.stderr.write(suite.stderr)
        self.assertEqual(0, suite.returncode)
        self.assertIn("Ran 2 tests", suite.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
