#!/usr/bin/python3
"""Checks a release as tools/release.sh wrote it to DIST, built from the checkout SOURCE:

- the three archives and SHA256SUMS, which checks them;
- the Windows zip: its files and nothing else, the reference, its pictures and the sample byte for
  byte as in SOURCE, SHA256SUMS of its files, the makers' README; QvUninst.exe a 32-bit (PE32,
  i386) GUI program under 320 KiB that imports only Windows system DLLs, QvCheck.exe the same as a
  console program, neither with a link time in its header;
- the Linux tar.gz: the same files with qvcheck, which needs nothing but the C library of Debian 12
  (glibc 2.36) and reports on the sample (exit code 0) and the other scripts as the unit layer's
  check of the checker expects;
- the Debian package: the same qvcheck, owned by root, with its manual page, the copyright file, and
  a README that names just what the package holds;
- every entry of each archive dated at the commit (SOURCE_DATE_EPOCH, else the commit's date),
  with fixed modes and owners, and no file that names the folder SOURCE.

Usage: check_dist.py DIST SOURCE
"""
import gzip
import hashlib
import io
import os
import pathlib
import re
import subprocess
import sys
import tarfile
import tempfile
import time
import unittest
import zipfile

DIST, SOURCE = (pathlib.Path(a).resolve() for a in sys.argv[1:3]) if len(sys.argv) >= 3 else (None, None)

SIZE_LIMIT = 320 * 1024
SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll", "version.dll"}
# What a fresh Debian 12 has of the C library: its shared objects and their symbol versions.
C_LIBRARY = {"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"}
NEWEST_GLIBC = (2, 36)


def version():
    text = subprocess.run(["g++", "-E", "-P", "-x", "c++", "-I", str(SOURCE / "src"), "-"], check=True,
                          input='#include "common/version.h"\nQV_PRODUCT_VERSION_TEXT\n', capture_output=True,
                          text=True).stdout
    return re.sub(r'[" \n]', "", text)


def commit_date():
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return int(subprocess.run(["git", "-C", str(SOURCE), "log", "-1", "--format=%ct"], check=True,
                              capture_output=True, text=True).stdout)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def pictures(script_md):
    """The pictures the reference shows, relative to its folder."""
    return set(re.findall(r"\]\(([^):#]+\.png)\)", script_md.decode("utf-8")))


VERSION = version() if SOURCE else None
WIN = f"QvUninst-{VERSION}-win32"
LINUX = f"qvcheck-{VERSION}-linux-x86_64"
DEB = f"qvcheck_{VERSION}_amd64.deb"


def reference_files():
    """Each file both archives take from the checkout, by its name in the archive."""
    names = ["docs/script.md", "samples/Sample/Uninst.inf"]
    names += ["docs/" + p for p in pictures((SOURCE / "docs" / "script.md").read_bytes())]
    return {name: (SOURCE / name).read_bytes() for name in names}


class Mixin:
    """Checks of one unpacked archive: files holds each file's bytes by its name below the top folder."""

    def check_common_files(self, files, readme_line_end):
        for name, data in reference_files().items():
            self.assertEqual(files.get(name), data, name)
        # Every picture the archived reference shows is in the archive.
        for picture in pictures(files["docs/script.md"]):
            self.assertIn("docs/" + picture, files)
        readme = files["README.txt"]
        self.assertNotRegex(readme, rb"@[A-Z]+@")
        self.assertIn(f"Quorvel Uninstaller {VERSION}".encode(), readme)
        self.assertEqual(readme.count(b"\r"), readme.count(b"\r\n") if readme_line_end == b"\r\n" else 0)
        for command in (rb'QvUninst.exe /u "C:\Program Files\Example\"',
                        rb'QvUninst.exe /s "C:\Program Files\Example\"', b"sha256sum -c", b"NoRepair",
                        b"QvUninst.log"):
            self.assertIn(command, readme)

    def check_sums(self, files):
        listed = {}
        for line in files["SHA256SUMS"].decode("ascii").splitlines():
            digest, name = line.split("  ", 1)
            listed[name] = digest
        self.assertEqual(set(listed), set(files) - {"SHA256SUMS"})
        for name, digest in listed.items():
            self.assertEqual(sha256(files[name]), digest, name)

    def check_no_build_path(self, files):
        for name, data in files.items():
            self.assertNotIn(str(SOURCE).encode(), data, name)


class Archives(unittest.TestCase):
    def test_three_archives_and_their_sums(self):
        self.assertEqual({p.name for p in DIST.iterdir()},
                         {f"{WIN}.zip", f"{LINUX}.tar.gz", DEB, "SHA256SUMS"})
        lines = (DIST / "SHA256SUMS").read_text(encoding="ascii").splitlines()
        self.assertEqual(sorted(line.split("  ")[1] for line in lines), sorted([f"{WIN}.zip", f"{LINUX}.tar.gz", DEB]))
        subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=DIST, check=True)


class WindowsZip(unittest.TestCase, Mixin):
    @classmethod
    def setUpClass(cls):
        with zipfile.ZipFile(DIST / f"{WIN}.zip") as archive:
            cls.entries = archive.infolist()
            cls.files = {e.filename.removeprefix(WIN + "/"): archive.read(e) for e in cls.entries}

    def test_files(self):
        self.assertTrue(all(e.filename.startswith(WIN + "/") for e in self.entries))
        expected = {"QvUninst.exe", "QvCheck.exe", "README.txt", "SHA256SUMS"} | set(reference_files())
        self.assertEqual(set(self.files), expected)
        self.check_common_files(self.files, b"\r\n")
        self.check_sums(self.files)
        self.check_no_build_path(self.files)

    def test_entries_dated_at_the_commit_with_nothing_of_the_builder(self):
        # The zip format keeps local times in two-second steps (zip rounds up); the release writes UTC.
        dated = time.gmtime((commit_date() + 1) // 2 * 2)[:6]
        for entry in self.entries:
            self.assertEqual(entry.date_time, dated, entry.filename)
            self.assertEqual(entry.extra, b"", entry.filename)  # no owner, no Unix times
            self.assertEqual(entry.external_attr >> 16, 0o100644, entry.filename)

    def check_program(self, name, subsystem):
        data = self.files[name]
        header = data[0x3C] | data[0x3D] << 8
        self.assertEqual(data[header:header + 4], b"PE\0\0")
        time_stamp = int.from_bytes(data[header + 8:header + 12], "little")
        self.assertEqual(time_stamp, 0, f"{name}: link time in the header")
        with tempfile.TemporaryDirectory() as folder:
            path = pathlib.Path(folder) / name
            path.write_bytes(data)
            headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(path)], check=True, capture_output=True,
                                     text=True).stdout
        self.assertIn("file format pei-i386", headers)
        self.assertRegex(headers, r"Magic\s+010b\s+\(PE32\)")
        self.assertRegex(headers, subsystem)
        imported = {dll.lower() for dll in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imported and imported <= SYSTEM_DLLS, imported)

    def test_uninstaller_is_a_32_bit_gui_program_under_320_kib(self):
        self.check_program("QvUninst.exe", r"Subsystem\s+00000002\s+\(Windows GUI\)")
        print(f"\nQvUninst.exe: {len(self.files['QvUninst.exe'])} bytes, "
              f"{SIZE_LIMIT - len(self.files['QvUninst.exe'])} below 320 KiB", file=sys.stderr)
        self.assertLess(len(self.files["QvUninst.exe"]), SIZE_LIMIT)

    def test_checker_is_a_32_bit_console_program(self):
        self.check_program("QvCheck.exe", r"Subsystem\s+00000003\s+\(Windows CUI\)")


class LinuxTar(unittest.TestCase, Mixin):
    @classmethod
    def setUpClass(cls):
        raw = (DIST / f"{LINUX}.tar.gz").read_bytes()
        cls.gzip_header = raw[:10]
        with tarfile.open(fileobj=io.BytesIO(gzip.decompress(raw))) as archive:
            cls.members = archive.getmembers()
            cls.files = {m.name.removeprefix(LINUX + "/"): archive.extractfile(m).read()
                         for m in cls.members if m.isfile()}

    def test_files(self):
        self.assertTrue(all(m.name == LINUX or m.name.startswith(LINUX + "/") for m in self.members))
        self.assertEqual(set(self.files), {"qvcheck", "README.txt", "SHA256SUMS"} | set(reference_files()))
        self.check_common_files(self.files, b"\n")
        self.check_sums(self.files)
        self.check_no_build_path(self.files)

    def test_entries_dated_at_the_commit_owned_by_root(self):
        self.assertEqual(self.gzip_header[4:8], b"\0\0\0\0")  # no time
        self.assertFalse(self.gzip_header[3] & 0x08)  # no file name
        for member in self.members:
            self.assertEqual((member.mtime, member.uid, member.gid), (commit_date(), 0, 0), member.name)
            mode = 0o755 if member.isdir() or member.name.endswith("/qvcheck") else 0o644
            self.assertEqual(member.mode, mode, member.name)

    def test_qvcheck_needs_only_the_c_library_of_debian_12(self):
        with tempfile.TemporaryDirectory() as folder:
            path = pathlib.Path(folder) / "qvcheck"
            path.write_bytes(self.files["qvcheck"])
            dynamic = subprocess.run(["readelf", "-h", "-d", "--dyn-syms", "-W", str(path)], check=True,
                                     capture_output=True, text=True).stdout
        self.assertRegex(dynamic, r"Class:\s+ELF64")
        self.assertRegex(dynamic, r"Machine:\s+Advanced Micro Devices X86-64")
        needed = set(re.findall(r"\(NEEDED\)\s+Shared library: \[(\S+)\]", dynamic))
        self.assertTrue(needed and needed <= C_LIBRARY, needed)
        versions = {tuple(int(n) for n in v.split(".")) for v in re.findall(r"@GLIBC_([0-9.]+)", dynamic)}
        self.assertLessEqual(max(versions), NEWEST_GLIBC)
        self.assertFalse(re.search(r"@(GLIBCXX|CXXABI|GCC)_", dynamic), "needs the C++ runtime or libgcc_s")

    def test_qvcheck_from_the_archive_checks_scripts(self):
        with tempfile.TemporaryDirectory() as folder:
            subprocess.run(["tar", "-xzf", str(DIST / f"{LINUX}.tar.gz"), "-C", folder], check=True)
            unpacked = pathlib.Path(folder) / LINUX
            sample = subprocess.run(["./qvcheck", "samples/Sample/"], cwd=unpacked, capture_output=True, timeout=60)
            self.assertEqual(sample.returncode, 0, sample.stdout.decode("utf-8", "replace"))
            # One fault of each kind, exactly as expected, and a missing script.
            reports = subprocess.run(["/usr/bin/python3", str(SOURCE / "tests/check/check_reports.py"),
                                      str(unpacked / "qvcheck")], capture_output=True, text=True, timeout=120)
            self.assertEqual(reports.returncode, 0, reports.stdout + reports.stderr)


class DebianPackage(unittest.TestCase):
    def test_the_same_qvcheck_owned_by_root(self):
        fields = {}
        for name in ("Package", "Version", "Architecture"):
            fields[name] = subprocess.run(["dpkg-deb", "-f", str(DIST / DEB), name], check=True, capture_output=True,
                                          text=True).stdout.strip()
        self.assertEqual(fields, {"Package": "qvcheck", "Version": VERSION, "Architecture": "amd64"})
        listing = subprocess.run(["dpkg-deb", "-c", str(DIST / DEB)], check=True, capture_output=True,
                                 text=True).stdout.splitlines()
        self.assertTrue(all(" root/root " in line for line in listing), listing)
        self.assertIn("./usr/bin/qvcheck", [line.split()[-1] for line in listing])
        qvcheck = subprocess.run(["dpkg-deb", "--fsys-tarfile", str(DIST / DEB)], check=True, capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(qvcheck)) as archive:
            installed = archive.extractfile("./usr/bin/qvcheck").read()
        with tarfile.open(DIST / f"{LINUX}.tar.gz") as archive:
            shipped = archive.extractfile(f"{LINUX}/qvcheck").read()
        self.assertEqual(sha256(installed), sha256(shipped))

    def test_manual_page_copyright_and_a_readme_of_what_is_in_it(self):
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", str(DIST / DEB)], check=True, capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            paths = {m.name.removeprefix(".") for m in archive.getmembers()}
            text = {p: archive.extractfile("." + p).read() for p in
                    ("/usr/share/doc/qvcheck/README", "/usr/share/doc/qvcheck/copyright")}
            manual = gzip.decompress(archive.extractfile("./usr/share/man/man1/qvcheck.1.gz").read())
        self.assertIn(f'.TH QVCHECK 1 "'.encode(), manual)
        self.assertIn(f"qvcheck {VERSION}".encode(), manual)
        self.assertIn(b"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/",
                      text["/usr/share/doc/qvcheck/copyright"])
        for placed in (manual, *text.values()):
            self.assertNotRegex(placed, rb"@[A-Z]+@")
        named = re.findall(rb"^\s*(/usr/\S+)", text["/usr/share/doc/qvcheck/README"], re.M)
        self.assertGreater(len(named), 4)
        for path in named:
            self.assertIn(path.decode().rstrip("/"), paths)


if __name__ == "__main__":
    if DIST is None:
        sys.exit(__doc__)
    unittest.main(argv=sys.argv[:1], verbosity=2)
