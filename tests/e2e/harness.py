"""Runs the real QvUninst.exe under Wine, one fresh prefix per case.

A case names an exact command line, the fixtures to lay out (files, folders, registry keys and
values, files held open and named mutexes held by another process), the answers to give to the
program's message boxes in order, and the folders and registry keys to snapshot before and after.
The result holds every box (caption and text as the ANSI code page's bytes and as UTF-16, buttons,
flags, answer), the exit code, the program's calls as Wine's relay trace saw them, and both
snapshots. A case runs under the Japanese locale (code page 932) unless it names another.

All work inside Wine is done by qvdriver.exe (built from qvdriver.cpp): it sets up the fixtures
within the prefix's running session (so values that Wine rewrites at session start, such as the
Shell Folders, stay as the case put them), starts the program with CreateProcessA and the exact
line, polls for the program's own message boxes and clicks the answer, and reads the snapshots live.
"""

from __future__ import annotations

import datetime as _dt
import os
import re
import shlex
import shutil
import socket
import struct
import subprocess
import tempfile
import time
import zlib
from dataclasses import dataclass, field
from pathlib import Path, PureWindowsPath
from typing import Iterable, Sequence

CP = "cp932"
UTF8 = "utf-8"

# Host locales for Wine, by the ANSI code page they give.
JAPANESE, WESTERN, CHINESE = "ja_JP.UTF-8", "en_US.UTF-8", "zh_CN.UTF-8"

# The system's list of installed programs: one key per product, named by its DisplayName value and
# removed through its UninstallString.
UNINSTALL_LIST = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"

# The program's calls that the relay trace records.
RELAY_CALLS = (
    "user32.MessageBoxA",
    "user32.MessageBoxW",
    "kernel32.CreateFileA",
    "shell32.SHChangeNotify",
    "kernel32.FindFirstFileA",
    "advapi32.RegDeleteKeyA",
    "advapi32.RegCreateKeyExA",
    "advapi32.RegSetValueExA",
    "kernel32.CreateMutexA",
    "kernel32.DeleteFileA",
    "kernel32.MoveFileExA",
    "advapi32.RegDeleteValueA",
    "kernel32.SetFileAttributesA",
    "kernel32.MoveFileA",
    "kernel32.RemoveDirectoryA",
)

# The wide twins of the calls above that take names: made only where the code page is not 932.
WIDE_NAME_CALLS = (
    "kernel32.CreateFileW",
    "kernel32.FindFirstFileW",
    "advapi32.RegOpenKeyExW",
    "advapi32.RegDeleteKeyW",
    "advapi32.RegCreateKeyExW",
    "advapi32.RegSetValueExW",
    "kernel32.CreateMutexW",
    "kernel32.DeleteFileW",
    "kernel32.MoveFileExW",
    "advapi32.RegDeleteValueW",
    "kernel32.SetFileAttributesW",
    "kernel32.MoveFileW",
    "kernel32.RemoveDirectoryW",
)

ROOTS = {
    "HKEY_CLASSES_ROOT": 0x80000000, "HKCR": 0x80000000,
    "HKEY_CURRENT_USER": 0x80000001, "HKCU": 0x80000001,
    "HKEY_LOCAL_MACHINE": 0x80000002, "HKLM": 0x80000002,
    "HKEY_USERS": 0x80000003, "HKU": 0x80000003,
    "HKEY_CURRENT_CONFIG": 0x80000005, "HKCC": 0x80000005,
}
ROOT_NAMES = {0x80000000: "HKCR", 0x80000001: "HKCU", 0x80000002: "HKLM", 0x80000003: "HKU", 0x80000005: "HKCC"}

REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7

BOX_CALLS = ("user32.MessageBoxA", "user32.MessageBoxW")

ANSWER_IDS = {"ok": 1, "cancel": 2, "abort": 3, "retry": 4, "ignore": 5, "yes": 6, "no": 7}

# Attributes of files as the program and Windows see them.
READONLY, HIDDEN, SYSTEM, DIRECTORY, ARCHIVE = 0x1, 0x2, 0x4, 0x10, 0x20

SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"


def cp932(text: str | bytes) -> bytes:
    """Texts in the tests are written in UTF-8; the program works with code page 932 bytes."""
    return text if isinstance(text, bytes) else text.encode(CP)


def _hex(data: bytes) -> str:
    return data.hex() if data else "-"


def _unhex(text: str) -> bytes:
    return b"" if text == "-" else bytes.fromhex(text)


def png_from_bmp(bmp: Path, png: Path) -> None:
    """Writes a 24-bit bottom-up BMP (what qvdriver saves) as a PNG, with the standard library only."""
    data = bmp.read_bytes()
    offset = int.from_bytes(data[10:14], "little")
    width, height = struct.unpack("<ii", data[18:26])
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        bgr = data[offset + y * stride:offset + y * stride + width * 3]
        rgb = bytearray(bgr)
        rgb[0::3], rgb[2::3] = bgr[2::3], bgr[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind: bytes, body: bytes) -> bytes:
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                    chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def split_key(key: str | bytes) -> tuple[int, bytes]:
    """'HKLM\\Software\\X' -> (0x80000002, b'Software\\X')."""
    raw = cp932(key)
    root, _, path = raw.partition(b"\\")
    return ROOTS[root.decode("ascii").upper()], path


def key_name(root: int, path: bytes) -> bytes:
    name = ROOT_NAMES.get(root, "%08X" % root).encode()
    return name + b"\\" + path if path else name


def filetime(when: _dt.datetime) -> int:
    """A FILETIME (100 ns since 1601, UTC) for a datetime; naive datetimes count as UTC."""
    if when.tzinfo is None:
        when = when.replace(tzinfo=_dt.timezone.utc)
    epoch = _dt.datetime(1601, 1, 1, tzinfo=_dt.timezone.utc)
    delta = when - epoch
    return (delta.days * 86400 + delta.seconds) * 10_000_000 + delta.microseconds * 10


class HarnessError(AssertionError):
    """The run did not go as the case said: a box too many, a box that never came, a fixture that failed."""


# ------------------------------------------------------------------------------------------------
# Fixtures


@dataclass(frozen=True)
class Folder:
    path: str | bytes

    def job(self) -> list[str]:
        path = cp932(self.path)
        return [f"dir {_hex(p)}" for p in _parents(path) + [path]]


@dataclass(frozen=True)
class File:
    """A file with content; attributes (READONLY, HIDDEN, ...) and a last-write time if given.
    Folders on the way are created."""

    path: str | bytes
    data: str | bytes = b""
    attributes: int = 0
    mtime: _dt.datetime | None = None

    def job(self) -> list[str]:
        path = cp932(self.path)
        lines = [f"dir {_hex(parent)}" for parent in _parents(path)]
        when = "%x" % filetime(self.mtime) if self.mtime else "-"
        return lines + [f"file {_hex(path)} {_hex(cp932(self.data))} {self.attributes:x} {when}"]


def _parents(path: bytes) -> list[bytes]:
    parts = path.split(b"\\")
    return [b"\\".join(parts[:i]) for i in range(2, len(parts))]


@dataclass(frozen=True)
class RegKey:
    key: str | bytes

    def job(self) -> list[str]:
        root, path = split_key(self.key)
        return [f"regkey {root:x} {_hex(path)}"]


@dataclass(frozen=True)
class RegValue:
    """A registry value. Data as str is REG_SZ (NUL added), int is REG_DWORD, bytes is REG_BINARY
    unless a type is given; the key is created as needed. An empty name is the default value."""

    key: str | bytes
    name: str | bytes
    data: str | bytes | int
    type: int | None = None

    def raw(self) -> tuple[int, bytes]:
        if isinstance(self.data, int):
            return (self.type or REG_DWORD), self.data.to_bytes(4, "little")
        if isinstance(self.data, str):
            if CP == UTF8:  # a run whose names are UTF-8 (run's utf8): the wide calls store UTF-16
                return (self.type or REG_SZ), (self.data + "\0").encode("utf-16-le")
            return (self.type or REG_SZ), cp932(self.data) + b"\0"
        return (self.type or REG_BINARY), self.data

    def job(self) -> list[str]:
        root, path = split_key(self.key)
        kind, data = self.raw()
        return [f"regval {root:x} {_hex(path)} {_hex(cp932(self.name))} {kind} {_hex(data)}"]


@dataclass(frozen=True)
class RegDelete:
    """Removes a key with everything below it before the run."""

    key: str | bytes

    def job(self) -> list[str]:
        root, path = split_key(self.key)
        return [f"regdel {root:x} {_hex(path)}"]


@dataclass(frozen=True)
class HeldFile:
    """Another process keeps this (existing) file open with share mode 0 for the whole run."""

    path: str | bytes

    def job(self) -> list[str]:
        return ["hold " + _hex(cp932(self.path))]


@dataclass(frozen=True)
class HeldMutex:
    """Another process holds a named mutex for the whole run, as a running product program does."""

    name: str | bytes

    def job(self) -> list[str]:
        return ["mutex " + _hex(cp932(self.name))]


@dataclass(frozen=True)
class Service:
    """A service installed with the service control manager (its own process, started on demand)
    and started: the setup waits until it reports itself running. Its program must be there."""

    name: str
    command: str

    def job(self) -> list[str]:
        return [f"service {_hex(cp932(self.name))} {_hex(cp932(self.command))}"]


def script(*lines: str | bytes, end: bytes = b"\r\n") -> bytes:
    """An uninstall script from its lines, CR LF after each."""
    return b"".join(cp932(line) + end for line in lines)


# ------------------------------------------------------------------------------------------------
# Results


@dataclass
class Arg:
    value: int
    text: bytes | str | None = None  # bytes for an ANSI string, str for a wide one
    truncated: bool = False


@dataclass
class Call:
    name: str  # module in lower case: "kernel32.CreateFileA"
    args: list[Arg]
    retval: int | None = None

    def arg(self, i: int) -> int:
        return self.args[i].value

    def text(self, i: int) -> bytes | str | None:
        return self.args[i].text


@dataclass
class Box:
    caption: bytes
    text: bytes  # as read from the box's text control, in the ANSI code page
    buttons: tuple[str, ...]
    answer: str
    wide_caption: str = ""  # both as read in UTF-16: what the user sees
    wide_text: str = ""
    call: Call | None = None  # the MessageBoxA or MessageBoxW call that showed it
    picture: Path | None = None  # the box as the screen showed it (PNG), when pictures were asked for

    @property
    def flags(self) -> int | None:
        return self.call.arg(3) if self.call else None

    @property
    def retval(self) -> int | None:
        return self.call.retval if self.call else None

    def __str__(self) -> str:
        flags = "?" if self.flags is None else "%#x" % self.flags
        return f"[{self.wide_caption}] {self.wide_text!r} flags={flags} buttons={','.join(self.buttons)} answer={self.answer}"


@dataclass(frozen=True)
class Entry:
    is_folder: bool
    attributes: int
    size: int
    mtime: int  # FILETIME


@dataclass
class Snapshot:
    files: dict[bytes, Entry] = field(default_factory=dict)  # full Windows path -> entry
    keys: dict[bytes, dict[bytes, tuple[int, bytes]]] = field(default_factory=dict)  # 'HKLM\\..' -> values

    def value(self, key: str | bytes, name: str | bytes) -> tuple[int, bytes] | None:
        root, path = split_key(key)
        values = self._key(root, path)
        return None if values is None else values.get(_lower(cp932(name)))

    def has_key(self, key: str | bytes) -> bool:
        root, path = split_key(key)
        return self._key(root, path) is not None

    def has_file(self, path: str | bytes) -> bool:
        return _lower(cp932(path)) in {_lower(p) for p in self.files}

    def installed_programs(self) -> dict[bytes, bytes]:
        """The system's list of installed programs, as it is kept (watch UNINSTALL_LIST): each entry
        key's name and its display name (without the NUL), for the entries that have one."""
        prefix = _lower(cp932(UNINSTALL_LIST)) + b"\\"
        listed = {}
        for name, values in self.keys.items():
            rest = name[len(prefix):]
            if _lower(name).startswith(prefix) and b"\\" not in rest:
                shown = {_lower(n): v for n, v in values.items()}.get(b"displayname")
                if shown is not None:
                    listed[rest] = shown[1].rstrip(b"\0")
        return listed

    def _key(self, root: int, path: bytes):
        wanted = _lower(key_name(root, path))
        for name, values in self.keys.items():
            if _lower(name) == wanted:
                return {_lower(n): v for n, v in values.items()}
        return None


def _lower(raw: bytes) -> bytes:
    """ASCII lower-casing that leaves both bytes of a double-byte character alone."""
    out = bytearray()
    i = 0
    while i < len(raw):
        c = raw[i]
        if (0x81 <= c <= 0x9F or 0xE0 <= c <= 0xFC) and i + 1 < len(raw):
            out += raw[i:i + 2]
            i += 2
            continue
        out.append(c + 32 if 0x41 <= c <= 0x5A else c)
        i += 1
    return bytes(out)


@dataclass
class Diff:
    removed_files: list[bytes]
    created_files: list[bytes]
    changed_files: list[bytes]
    removed_keys: list[bytes]
    created_keys: list[bytes]
    removed_values: list[tuple[bytes, bytes]]
    created_values: list[tuple[bytes, bytes]]
    changed_values: list[tuple[bytes, bytes]]
    kinds: dict[bytes, str] = field(default_factory=dict, compare=False)  # path -> "file" or "folder"

    def empty(self) -> bool:
        return not any(v for k, v in vars(self).items() if k != "kinds")

    def lines(self) -> list[str]:
        def d(raw: bytes) -> str:
            return raw.decode(CP, "replace")

        out = [f"- {self.kinds.get(p, 'file'):6} {d(p)}" for p in self.removed_files]
        out += [f"+ {self.kinds.get(p, 'file'):6} {d(p)}" for p in self.created_files]
        out += [f"~ {self.kinds.get(p, 'file'):6} {d(p)}" for p in self.changed_files]
        out += [f"- key    {d(k)}" for k in self.removed_keys]
        out += [f"+ key    {d(k)}" for k in self.created_keys]
        out += [f"- value  {d(k)} : {d(n) or '(default)'}" for k, n in self.removed_values]
        out += [f"+ value  {d(k)} : {d(n) or '(default)'}" for k, n in self.created_values]
        out += [f"~ value  {d(k)} : {d(n) or '(default)'}" for k, n in self.changed_values]
        return out


def _changed(before: Entry, after: Entry) -> bool:
    """A folder changes by its kind or attributes; its time moves whenever its content does."""
    if before.is_folder and after.is_folder:
        return before.attributes != after.attributes
    return before != after


def diff(before: Snapshot, after: Snapshot) -> Diff:
    files_b, files_a = before.files, after.files
    keys_b, keys_a = before.keys, after.keys
    common = [k for k in keys_b if k in keys_a]
    return Diff(
        removed_files=sorted(p for p in files_b if p not in files_a),
        created_files=sorted(p for p in files_a if p not in files_b),
        changed_files=sorted(p for p in files_b if p in files_a and _changed(files_b[p], files_a[p])),
        removed_keys=sorted(k for k in keys_b if k not in keys_a),
        created_keys=sorted(k for k in keys_a if k not in keys_b),
        removed_values=sorted((k, n) for k in common for n in keys_b[k] if n not in keys_a[k]),
        created_values=sorted((k, n) for k in common for n in keys_a[k] if n not in keys_b[k]),
        changed_values=sorted((k, n) for k in common for n in keys_b[k] if n in keys_a[k] and keys_b[k][n] != keys_a[k][n]),
        kinds={p: "folder" if e.is_folder else "file" for p, e in {**files_b, **files_a}.items()},
    )


@dataclass
class CheckerRun:
    """QvCheck.exe run to its end before the program, in the same prefix and session."""

    output: bytes  # its standard output and error, as written (code page 932 here)
    exit_code: int | None
    calls: list[Call]  # its own traced calls


@dataclass
class Result:
    line: bytes
    boxes: list[Box]
    exit_code: int | None
    calls: list[Call]  # the program's own traced calls, in order
    before: Snapshot
    after: Snapshot
    seconds: float
    trouble: list[str]  # what went against the case; empty when the run went as told
    case_dir: Path
    checker: CheckerRun | None = None  # when the case ran QvCheck.exe first
    middle: Snapshot | None = None  # between the checker's run and the program's
    restarted: set[bytes] | None = None  # after a restart of Windows: the paths below the watched folders
    # The silent mode's logs (QvUninst.log) found below C:\users after the run: Windows path -> bytes.
    silent_logs: dict[str, bytes] = field(default_factory=dict)

    def calls_to(self, name: str) -> list[Call]:
        return [c for c in self.calls if c.name.lower() == name.lower()]

    def call_names(self) -> list[str]:
        return [c.name for c in self.calls]

    @property
    def diff(self) -> Diff:
        return diff(self.before, self.after)

    def describe(self) -> str:
        lines = [f"command line: {self.line!r}"]
        lines += [f"  box {i + 1}: {box}" for i, box in enumerate(self.boxes)]
        lines += [f"  exit code: {self.exit_code}"]
        lines += [f"  trouble: {t}" for t in self.trouble]
        # A box the driver never saw may still have been asked for: the relay tells what came back.
        shown = [c for c in self.calls if c.name in BOX_CALLS]
        if len(shown) > len(self.boxes):
            lines += [f"  {c.name.split('.')[1]} call {i + 1} (seen by the relay): flags={c.args[3].value:#x} "
                      f"retval={c.retval}" for i, c in enumerate(shown) if i >= len(self.boxes)]
        return "\n".join(lines)


# ------------------------------------------------------------------------------------------------
# Relay trace


_CALL = re.compile(r"^([0-9a-f]+):([0-9a-f]+):Call ([A-Za-z0-9_]+)\.(\w+)\((.*)\) ret=[0-9a-f]+$")
_RET = re.compile(r"^([0-9a-f]+):([0-9a-f]+):Ret  ([A-Za-z0-9_]+)\.(\w+)\(\) retval=([0-9a-f]+) ret=[0-9a-f]+$")


def _as_32_bits(value: int) -> int:
    """What the 32-bit program passes or gets. A 64-bit trace shows handles and root keys
    sign-extended (HKEY_CURRENT_USER as ffffffff80000001, INVALID_HANDLE_VALUE as all ones) and may
    show a DWORD argument or a LONG result with garbage above bit 31: their low 32 bits are the
    value. In a 32-bit trace every value already has 32 bits."""
    return value & 0xFFFFFFFF


def _parse_args(text: str) -> list[Arg]:
    args: list[Arg] = []
    i, n = 0, len(text)
    while i < n:
        j = i
        while j < n and text[j] in "0123456789abcdefABCDEF":
            j += 1
        arg = Arg(_as_32_bits(int(text[i:j], 16)) if j > i else 0)
        i = j
        if text.startswith(' "', i) or text.startswith(' L"', i):
            wide = text[i + 1] == "L"
            i += 3 if wide else 2
            raw = bytearray()
            while i < n and text[i] != '"':
                c = text[i]
                if c == "\\" and i + 1 < n:
                    e = text[i + 1]
                    digits = text[i + 1:i + 5]
                    if wide and len(digits) == 4 and all(h in "0123456789abcdefABCDEF" for h in digits):
                        # A wide string shows a character outside printable ASCII as \ and four hex digits.
                        raw += chr(int(digits, 16)).encode("utf-8", "surrogatepass")
                        i += 5
                        continue
                    if e == "x":
                        k = i + 2
                        while k < n and k < i + (6 if wide else 4) and text[k] in "0123456789abcdefABCDEF":
                            k += 1
                        code = int(text[i + 2:k], 16)
                        raw += chr(code).encode("utf-8") if wide else bytes([code])
                        i = k
                        continue
                    raw += {"n": b"\n", "r": b"\r", "t": b"\t"}.get(e, e.encode("latin-1", "replace"))
                    i += 2
                    continue
                raw += c.encode("utf-8") if wide else c.encode("latin-1", "replace")
                i += 1
            i += 1  # the closing quote
            arg.text = raw.decode("utf-8", "replace") if wide else bytes(raw)
            if text.startswith("...", i):
                arg.truncated = True
                i += 3
        args.append(arg)
        if i < n and text[i] == ",":
            i += 1
    return args


def parse_relay(lines: Iterable[bytes], pid: int) -> list[Call]:
    """The traced calls of one process, in the order they were made, each with its return value."""
    calls: list[Call] = []
    open_calls: dict[int, list[Call]] = {}
    for raw in lines:
        line = raw.rstrip(b"\r\n").decode("latin-1")
        m = _CALL.match(line)
        if m:
            if int(m.group(1), 16) != pid:
                continue
            call = Call(f"{m.group(3).lower()}.{m.group(4)}", _parse_args(m.group(5)))
            calls.append(call)
            open_calls.setdefault(int(m.group(2), 16), []).append(call)
            continue
        m = _RET.match(line)
        if m and int(m.group(1), 16) == pid:
            stack = open_calls.get(int(m.group(2), 16), [])
            name = f"{m.group(3).lower()}.{m.group(4)}"
            for k in range(len(stack) - 1, -1, -1):
                if stack[k].name == name:
                    stack[k].retval = _as_32_bits(int(m.group(5), 16))
                    del stack[k:]
                    break
    return calls


# ------------------------------------------------------------------------------------------------
# Wine mode


MODE_SCRIPT = Path(__file__).resolve().parents[1] / "wine" / "mode.sh"
PE_MACHINES = {0x14C: "win32", 0x8664: "win64"}


class WineUnavailable(RuntimeError):
    """No way to run Windows programs on this host: the message is tests/wine/mode.sh's one line."""


@dataclass(frozen=True)
class WineMode:
    """How Windows programs run under Wine here, as tests/wine/mode.sh decided."""

    name: str  # "win32" or "win64"
    preset: str  # the MinGW build whose programs run in this mode
    why: str  # one line: which way runs and why
    env: dict[str, str]  # WINEARCH, WINELOADER, WINESERVER

    @property
    def loader(self) -> str:
        return self.env["WINELOADER"]

    @property
    def server(self) -> str:
        return self.env["WINESERVER"]


def wine_mode(mode: str | None = None, environ: dict[str, str] | None = None) -> WineMode:
    """The way the host runs Windows programs; with a mode, that way (the width of a made build)."""
    proc = subprocess.run(["bash", str(MODE_SCRIPT)] + ([mode] if mode else []), capture_output=True, text=True,
                          env=os.environ if environ is None else environ)
    if proc.returncode != 0:
        raise WineUnavailable(proc.stderr.strip() or f"{MODE_SCRIPT} failed")
    values = {}
    for line in proc.stdout.splitlines():
        name, sep, rest = line.partition("=")
        if sep:
            values[name] = "".join(shlex.split(rest))
    env = {k: values[k] for k in ("WINEARCH", "WINELOADER", "WINESERVER")}
    return WineMode(values["QV_WINE_MODE"], values["QV_PRESET"], values["QV_WINE_WHY"], env)


def pe_mode(program: Path) -> str:
    """The Wine mode a Windows program needs, from the machine field of its PE header."""
    data = Path(program).read_bytes()[:4096]
    offset = int.from_bytes(data[0x3C:0x40], "little")
    if data[:2] != b"MZ" or data[offset:offset + 4] != b"PE\0\0":
        raise ValueError(f"{program} is no Windows program")
    machine = int.from_bytes(data[offset + 4:offset + 6], "little")
    if machine not in PE_MACHINES:
        raise ValueError(f"{program} is built for machine {machine:#x}, neither i386 nor x86-64")
    return PE_MACHINES[machine]


# ------------------------------------------------------------------------------------------------
# Display and prefix


class Display:
    """An Xvfb server on a free display number, stopped by its own process id."""

    def __init__(self) -> None:
        self.proc: subprocess.Popen | None = None
        self.name = ""

    def start(self) -> str:
        for number in range(91, 200):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            proc = subprocess.Popen(["Xvfb", f":{number}", "-nolisten", "tcp", "-screen", "0", "1024x768x24"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and proc.poll() is None:
                if _x_socket_ready(number):
                    self.proc, self.name = proc, f":{number}"
                    return self.name
                time.sleep(0.02)
            if proc.poll() is None:
                proc.terminate()
            proc.wait()
        raise RuntimeError("no free X display for Xvfb")

    def stop(self) -> None:
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None


def _box(fields: Sequence[str], answer: str) -> Box:
    """A box from the driver's fields: caption, text, both again in UTF-16, buttons."""
    caption, text, wide_caption, wide_text, buttons = fields
    return Box(_unhex(caption), _unhex(text), tuple(buttons.split(",")), answer,
               _unhex(wide_caption).decode("utf-16-le", "replace"), _unhex(wide_text).decode("utf-16-le", "replace"))


def _x_socket_ready(number: int) -> bool:
    path = f"/tmp/.X11-unix/X{number}"
    if not os.path.exists(path):
        return False
    try:
        with socket.socket(socket.AF_UNIX) as s:
            s.connect(path)
        return True
    except OSError:
        return False


# Files at least this large are Wine's own binaries: hard-linked into a case's prefix, not copied.
# Nothing writes to them in place (a deletion only unlinks the case's name).
_LINK_SIZE = 64 * 1024


def copy_prefix(pristine: Path, target: Path) -> None:
    """A case's own prefix: the pristine one, small files copied and Wine's large files hard-linked.

    Wine links the user's Desktop, Documents, Music, Templates and the like to the host's home
    folder; in the copy they become empty folders of their own, so that a case that deletes
    desktop shortcuts or lists all of drive C never reaches the host's files. The drive letters stay links."""
    for folder, subfolders, files in os.walk(pristine):
        rel = Path(folder).relative_to(pristine)
        dest = target / rel
        dest.mkdir(parents=True, exist_ok=True)
        for name in list(subfolders) + list(files):
            src = Path(folder) / name
            if not src.is_symlink():
                continue
            if name in subfolders:
                subfolders.remove(name)
            else:
                files.remove(name)
            link = os.readlink(src)
            if rel.parts[:1] == ("drive_c",) and os.path.isabs(link):
                (dest / name).mkdir()
            else:
                os.symlink(link, dest / name)
        for name in files:
            src = Path(folder) / name
            if src.stat().st_size >= _LINK_SIZE and rel.parts[:1] == ("drive_c",):
                os.link(src, dest / name)
            else:
                shutil.copy2(src, dest / name)


def _set_relay_include(prefix: Path, calls: Sequence[str]) -> None:
    """Sets HKCU\\Software\\Wine\\Debug RelayInclude in the (stopped) prefix's user hive."""
    reg = prefix / "user.reg"
    text = reg.read_text("latin-1")
    value = '"RelayInclude"="%s"\n' % ";".join(calls)
    m = re.search(r"^\[Software\\\\Wine\\\\Debug\][^\n]*\n(#[^\n]*\n)*", text, re.M)
    if m:
        text = text[:m.end()] + value + text[m.end():]
    else:
        text += "\n[Software\\\\Wine\\\\Debug] 0\n" + value
    reg.write_text(text, "latin-1")


def _win_path(path: Path) -> bytes:
    """A Unix path as Wine's Z: drive shows it."""
    return b"Z:" + str(path.resolve()).replace("/", "\\").encode()


def _unix_path(path: bytes) -> Path:
    """The Unix path of a path on Wine's Z: drive."""
    return Path(path[2:].decode().replace("\\", "/"))


# ------------------------------------------------------------------------------------------------
# The harness


class Harness:
    """Runs cases. One per test session: holds the display and the paths; each run gets a new prefix."""

    PROGRAM = r"C:\windows\QvUninst.exe"
    CHECKER = r"C:\windows\QvCheck.exe"

    def __init__(self, program: Path, driver: Path, pristine: Path, display: str, wine: WineMode,
                 keep: bool = False, work_root: Path | None = None, checker: Path | None = None) -> None:
        self.program, self.driver, self.pristine = Path(program), Path(driver), Path(pristine)
        self.checker = Path(checker) if checker else None
        self.wine = wine
        self.display, self.keep, self.work_root = display, keep, work_root
        self.retiring: list[tuple[subprocess.Popen, Path]] = []

    def _retire(self, env: dict[str, str], case_dir: Path) -> None:
        """Ends the case's Wine session. Stopping the wineserver takes most of a second, so it runs
        on while the next case starts; its folder is removed once it has ended."""
        stop = subprocess.Popen([self.wine.server, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.retiring.append((stop, case_dir))
        self._reap(keep_running=2)

    def _reap(self, keep_running: int = 0) -> None:
        while self.retiring:
            running = [item for item in self.retiring if item[0].poll() is None]
            if len(running) <= keep_running:
                break
            running[0][0].wait()
            self._collect()
        self._collect()

    def _collect(self) -> None:
        for stop, case_dir in [item for item in self.retiring if item[0].poll() is not None]:
            self.retiring.remove((stop, case_dir))
            if not self.keep:
                shutil.rmtree(case_dir, ignore_errors=True)

    def close(self) -> None:
        """Waits for every case's session to end and removes what the cases left."""
        self._reap()

    def env(self, prefix: Path, locale: str = JAPANESE) -> dict[str, str]:
        env = dict(os.environ)
        env.update(self.wine.env)
        env.update(WINEPREFIX=str(prefix), LC_ALL=locale, LANG=locale,
                   DISPLAY=self.display, WINEDEBUG="-all,+relay,+pid", WINEDLLOVERRIDES="winemenubuilder.exe=d")
        return env

    def run(self, args: str | bytes = b"", *, line: str | bytes | None = None, answers: Sequence[str] = (),
            setup: Sequence[object] = (), watch_folders: Sequence[str | bytes] = (),
            watch_keys: Sequence[str | bytes] = (), exe: str | bytes | None = None,
            cwd: str | bytes | None = None, timeout: float = 10.0, program_mtime: _dt.datetime | None = None,
            rest_as_user: bool = False, pictures: Path | None = None, check: bool = True,
            checker: str | bytes | None = None, locale: str = JAPANESE, restart: bool = False,
            utf8: bool = False, relay_also: Sequence[str] = ()) -> Result:
        """Runs the program once.

        args:   the command line after the program's quoted path, byte for byte;
        line:   instead, the whole command line exactly as the program is to receive it;
        answers: one per expected box, in order ("yes", "no", "ok", ...);
        setup:  fixtures (Folder, File, RegKey, RegValue, RegDelete, HeldFile, HeldMutex), in order;
        watch_folders, watch_keys: snapshot before and after the run;
        exe:    the program to start instead of QvUninst.exe (with line=), such as the system's list
                of installed programs; the boxes of every program it starts are answered, and the
                calls and exit code are those of the QvUninst.exe it starts;
        program_mtime: last-write time of the program's copy (naive: local time), else the copy's own;
        rest_as_user: once the answers are used up, answer further boxes Yes where offered, else OK;
        pictures: a folder where each box is saved as box-N.png (N from 1), as the screen showed it;
        check:  raise HarnessError when the boxes do not match the answers or the run timed out;
        checker: the arguments of a QvCheck.exe run made first, to its end, in the same prefix and
                session (fixtures held for both); result.checker and result.middle tell what it did;
        locale: the host locale Wine runs under, which sets the ANSI code page (JAPANESE: 932,
                WESTERN: 1252, CHINESE: 936); byte strings of paths and fixtures are that code page's.
        restart: after the run, restart Windows in the prefix (wineboot -r carries out what was left
                to the restart) and write down what then stands below watch_folders (result.restarted).
        utf8:   texts of the command line, fixtures and watches are written in UTF-8 and reach Windows
                through the wide calls, whatever the locale; REG_SZ data is stored in UTF-16; the
                snapshots' names are UTF-8 bytes.
        relay_also: calls to trace besides RELAY_CALLS, such as WIDE_NAME_CALLS.
        """
        global CP
        saved, CP = CP, (UTF8 if utf8 else CP)
        try:
            return self._run(args, line, answers, setup, watch_folders, watch_keys, exe, cwd, timeout, program_mtime,
                             rest_as_user, pictures, check, checker, locale, restart, utf8, relay_also)
        finally:
            CP = saved

    def _run(self, args, line, answers, setup, watch_folders, watch_keys, exe, cwd, timeout, program_mtime,
             rest_as_user, pictures, check, checker, locale, restart, utf8, relay_also) -> Result:
        for answer in answers:
            if answer not in ANSWER_IDS:
                raise ValueError(f"unknown answer {answer!r}")
        if line is None:
            line = b'"' + cp932(self.PROGRAM) + b'"' + (b" " + cp932(args) if args else b"")
        line = cp932(line)

        started = time.monotonic()
        case_dir = Path(tempfile.mkdtemp(prefix="qv-e2e-", dir=self.work_root))
        prefix = self._case_prefix(case_dir, relay_also)
        program_copy = prefix / "drive_c" / "windows" / "QvUninst.exe"
        shutil.copyfile(self.program, program_copy)
        if program_mtime is not None:
            stamp = program_mtime.timestamp()
            os.utime(program_copy, (stamp, stamp))

        log_path, job_path, err_path = case_dir / "log.txt", case_dir / "job.txt", case_dir / "stderr.txt"
        job = ["log " + _hex(_win_path(log_path))] + (["utf8"] if utf8 else [])
        for fixture in setup:
            job += fixture.job()
        job += ["list " + _hex(cp932(f)) for f in watch_folders]
        for key in watch_keys:
            root, path = split_key(key)
            job.append(f"dump {root:x} {_hex(path)}")
        if checker is not None:
            if self.checker is None:
                raise ValueError("this harness has no QvCheck.exe")
            shutil.copyfile(self.checker, prefix / "drive_c" / "windows" / "QvCheck.exe")
            job += ["first-exe " + _hex(cp932(self.CHECKER)),
                    "first-line " + _hex(b'"' + cp932(self.CHECKER) + b'" ' + cp932(checker)),
                    "first-out " + _hex(_win_path(case_dir / "checker.txt"))]
        job += ["exe " + _hex(cp932(exe if exe is not None else self.PROGRAM)), "line " + _hex(line),
                f"timeout {int(timeout * 1000)}"]
        if cwd is not None:
            job.append("cwd " + _hex(cp932(cwd)))
        job += [f"answer {a}" for a in answers]
        if rest_as_user:
            job.append("rest-as-user")
        if pictures is not None:
            Path(pictures).mkdir(parents=True, exist_ok=True)
            job.append("pictures " + _hex(_win_path(Path(pictures))))
        job_path.write_text("\n".join(job) + "\n")

        env = self.env(prefix, locale)
        try:
            with open(err_path, "wb") as err:
                # Started in the prefix's drive C, so the program's current folder is C:\ unless
                # the case names another: nothing relative ever reaches the host's files.
                proc = subprocess.run([self.wine.loader, str(self.driver), _win_path(job_path).decode()], env=env,
                                      cwd=prefix / "drive_c",
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err,
                                      timeout=timeout * (len(answers) + 2) + 30)
            driver_status = proc.returncode
        except subprocess.TimeoutExpired:
            driver_status = None
        result = self._read(line, log_path, err_path, answers, driver_status, case_dir)
        drive = prefix / "drive_c"
        result.silent_logs = {"C:\\" + "\\".join(p.relative_to(drive).parts): p.read_bytes()
                              for p in (drive / "users").rglob("QvUninst.log")}
        if restart:
            result.restarted = self._restart(env, prefix, watch_folders)
        self._retire(env, case_dir)
        result.seconds = time.monotonic() - started
        if check and result.trouble:
            raise HarnessError("the run did not go as the case said:\n" + result.describe())
        return result

    def _case_prefix(self, case_dir: Path, relay_also: Sequence[str]) -> Path:  # a copy of the pristine one
        prefix = case_dir / "prefix"
        copy_prefix(self.pristine, prefix)
        _set_relay_include(prefix, (*RELAY_CALLS, *relay_also))
        return prefix

    def _restart(self, env: dict[str, str], prefix: Path, folders: Sequence[str | bytes]) -> set[bytes]:
        """Restarts Windows in the prefix; the paths (lower-cased, as Windows writes them) that then
        stand below the folders, the folders themselves included."""
        quiet = dict(env, WINEDEBUG="-all")
        subprocess.run([self.wine.loader, "wineboot", "-r"], env=quiet, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120, check=True)
        subprocess.run([self.wine.server, "-w"], env=quiet, timeout=120)
        found: set[bytes] = set()
        drive = prefix / "drive_c"
        for folder in folders:
            raw = cp932(folder)
            assert raw[:3].lower() == b"c:\\", "watch folders below C:\\ only"
            host = drive.joinpath(*[part.decode("cp932") for part in raw[3:].split(b"\\") if part])
            for place in [host, *host.rglob("*")] if host.exists() else []:
                rel = place.relative_to(drive).parts
                found.add(b"c:\\" + b"\\".join(p.encode("cp932") for p in rel).lower())
        return found

    def _read(self, line: bytes, log_path: Path, err_path: Path, answers: Sequence[str],
              driver_status: int | None, case_dir: Path) -> Result:
        boxes: list[Box] = []
        trouble: list[str] = []
        exit_code: int | None = None
        pid: int | None = None
        started: dict[int, bytes] = {}  # programs the launched one started: pid -> file name
        picture: Path | None = None  # the picture of the box that comes next in the log
        exits: dict[int, int] = {}
        snapshots = {"before": Snapshot(), "middle": Snapshot(), "after": Snapshot()}
        checker_pid: int | None = None
        checker_exit: int | None = None
        current: Snapshot | None = None
        log = log_path.read_text("ascii").splitlines() if log_path.exists() else []
        if driver_status != 0:
            trouble.append(f"qvdriver ended with status {driver_status}")
        for text in log:
            f = text.split(" ")
            op = f[0]
            if op == "snapshot":
                current = snapshots[f[1]]
            elif op == "end-snapshot":
                current = None
            elif op in ("file", "dir") and current is not None:
                folder, rel = _unhex(f[1]), _unhex(f[2])
                current.files[folder.rstrip(b"\\") + b"\\" + rel] = Entry(op == "dir", int(f[3], 16), int(f[4]), int(f[5], 16))
            elif op == "regkey" and current is not None:
                current.keys.setdefault(key_name(int(f[1], 16), _unhex(f[2])), {})
            elif op == "regval" and current is not None:
                current.keys.setdefault(key_name(int(f[1], 16), _unhex(f[2])), {})[_unhex(f[3])] = (int(f[4]), _unhex(f[5]))
            elif op == "launched":
                pid = int(f[1])
            elif op == "process":
                started[int(f[1])] = _unhex(f[3])
            elif op == "exit-of":
                exits[int(f[1])] = int(f[2])
            elif op == "picture":
                picture = _unix_path(_unhex(f[1]))
            elif op == "picture-error":
                trouble.append(f"box {len(boxes) + 1}: no picture saved at {_unhex(f[1])!r}")
            elif op == "first-launched":
                checker_pid = int(f[1])
            elif op == "first-exit":
                checker_exit = int(f[1])
            elif op == "first-timeout":
                trouble.append("QvCheck.exe did not end in time")
            elif op == "box":
                boxes.append(_box(f[3:8], f[8]))
                if picture is not None:
                    boxes[-1].picture = picture.with_suffix(".png")
                    png_from_bmp(picture, boxes[-1].picture)
                    picture.unlink()
                    picture = None
            elif op == "unexpected-box":
                box = _box(f[1:6], "-")
                trouble.append(f"box {len(boxes) + 1} was not expected (answers given: {list(answers)}): {box}")
            elif op == "no-button":
                box = _box(f[2:7], f[7])
                trouble.append(f"box {int(f[1]) + 1} has no button {f[7]!r}: {box}")
            elif op == "stuck-box":
                trouble.append(f"box {int(f[1]) + 1} did not close after the answer")
            elif op == "timeout":
                want = answers[len(boxes)] if len(boxes) < len(answers) else None
                trouble.append(f"timed out waiting for box {len(boxes) + 1}" + (f" (answer {want!r})" if want else " or for the end"))
            elif op in ("exit", "killed"):
                exit_code = int(f[1]) if op == "exit" else None
            elif op in ("setup-error", "launch-error"):
                trouble.append("qvdriver: " + text)
        if exit_code is not None and len(boxes) < len(answers) and not trouble:
            trouble.append(f"the program ended (exit code {exit_code}) after {len(boxes)} box(es); "
                           f"box {len(boxes) + 1} (answer {answers[len(boxes)]!r}) never appeared")

        # Launched through another program (the system's list of installed programs), the
        # uninstaller is the started program of its name: its calls, boxes and exit code count.
        program = [p for p, name in started.items() if name.lower() == PureWindowsPath(self.PROGRAM).name.lower().encode()]
        if program:
            pid = program[0]
            exit_code = exits.get(pid) if exit_code is not None else None
        calls: list[Call] = []
        if pid is not None and err_path.exists():
            with open(err_path, "rb") as err:
                calls = parse_relay(err, pid)
        checker = None
        if checker_pid is not None:
            output = (case_dir / "checker.txt").read_bytes() if (case_dir / "checker.txt").exists() else b""
            with open(err_path, "rb") as err:
                checker = CheckerRun(output, checker_exit, parse_relay(err, checker_pid))
        shown = [c for c in calls if c.name in BOX_CALLS]
        for box, call in zip(boxes, shown):
            box.call = call
        return Result(line, boxes, exit_code, calls, snapshots["before"], snapshots["after"], 0.0, trouble, case_dir,
                      checker, snapshots["middle"] if checker_pid is not None else None)
