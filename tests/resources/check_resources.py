#!/usr/bin/python3
"""Checks the built QvUninst.exe as a file: a 32-bit (PE32, i386) GUI program of under 320 KiB
that imports only Windows system DLLs, and its resources, read back with wrestool (icoutils): the
icon group MAINICON with its one 32 by 32, 16-colour image, the version record with its numbers and
strings, and the application manifest.

Usage: check_resources.py QvUninst.exe QvUninst.ico COMPILER
(QvUninst.ico is the icon the build drew; COMPILER the C++ compiler that built the program.)
"""
import os
import re
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET

EXE, ICO, COMPILER = sys.argv[1:4] if len(sys.argv) >= 4 else (None, None, None)

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
LANG_JAPANESE = 0x0411
# The program is about 275 KiB: its logic (the tables of shared registry keys and values, the
# guard's evidence of what a key registers, the silent mode's log and the wide calls among it) and
# the runtime it links (of the win32 thread model: the posix one adds a threads library of about
# 22 KB). The ceiling leaves room to grow, and none for a runtime part the program does not use
# (the demangler alone is about 46 KB, the C library's formatted printing 27).
SIZE_LIMIT = 320 * 1024 - 1
SYSTEM_DLLS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll", "version.dll"}

EXPECTED_STRINGS = {
    "CompanyName": "Quorvel Software",
    "FileDescription": "アンインストーラー",
    "FileVersion": "2.0.9.0",
    "InternalName": "QvUninst",
    "OriginalFilename": "QvUninst.exe",
    "ProductName": "Quorvel Uninstaller",
    "ProductVersion": "2.09",
    "Comments": "このアプリケーションは制作者の作った全てのアプリケーション共通のアンインストーラーです。削除しないで下さい。",
    "Author": "Quorvel Software 開発チーム",
}


def resource_list():
    out = subprocess.run(["wrestool", "-l", EXE], check=True, capture_output=True, text=True).stdout
    entries = []
    for line in out.splitlines():
        fields = dict(re.findall(r"--(type|name|language)=(\S+)", line))
        entries.append(fields)
    return entries


def extract(type_id, name):
    return subprocess.run(["wrestool", "-x", "--raw", f"--type={type_id}", f"--name={name}", EXE],
                          check=True, capture_output=True).stdout


def parse_version_node(data, offset):
    """One node of the version record: (key, value bytes, type, children); children in order."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    # Text values count UTF-16 units, binary values bytes.
    size = value_length * 2 if value_type == 1 else value_length
    value = data[position:position + size]
    position = (position + size + 3) & ~3
    children = []
    while position < end:
        child = parse_version_node(data, position)
        children.append(child)
        position = (position + child[4] + 3) & ~3
    return key, value, value_type, children, length


def text_value(value):
    text = value.decode("utf-16-le")
    return text[:-1] if text.endswith("\0") else text


class ProgramFile(unittest.TestCase):
    def test_32_bit_gui_program_that_imports_only_system_dlls(self):
        headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", EXE], check=True, capture_output=True,
                                 text=True).stdout
        self.assertIn("file format pei-i386", headers)
        self.assertRegex(headers, r"Magic\s+010b\s+\(PE32\)")
        self.assertRegex(headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imported and imported <= SYSTEM_DLLS, imported)

    def test_fits_in_320_kib(self):
        # One self-contained file: the program links only the parts of the runtime it uses.
        self.assertLessEqual(os.path.getsize(EXE), SIZE_LIMIT)


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.entries = resource_list()

    def entry(self, type_id, name):
        found = [e for e in self.entries if e.get("type") == str(type_id) and e.get("name") == name]
        self.assertEqual(len(found), 1, f"type {type_id} name {name} in {self.entries}")
        return found[0]

    def test_icon_group_holds_one_32x32_16_colour_image(self):
        self.entry(RT_GROUP_ICON, "'MAINICON'")
        group = extract(RT_GROUP_ICON, "+MAINICON")
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        width, height, colours, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
        self.assertEqual((width, height, colours, planes, bits), (32, 32, 16, 1, 4))
        self.assertEqual(len([e for e in self.entries if e.get("type") == str(RT_ICON)]), 1)
        image = extract(RT_ICON, icon_id)
        self.assertEqual(len(image), size)
        header = struct.unpack_from("<IiiHH", image, 0)
        self.assertEqual(header, (40, 32, 64, 1, 4))
        # The image is the icon the build drew from its pixel map.
        with open(ICO, "rb") as drawn:
            self.assertEqual(image, drawn.read()[22:])

    def test_version_record(self):
        self.assertEqual(self.entry(RT_VERSION, "1").get("language"), str(LANG_JAPANESE))
        key, fixed, _, children, _ = parse_version_node(extract(RT_VERSION, 1), 0)
        self.assertEqual(key, "VS_VERSION_INFO")
        fields = struct.unpack("<13I", fixed)
        self.assertEqual(fields[0], 0xFEEF04BD)
        file_ms, file_ls, product_ms, product_ls = fields[2:6]
        self.assertEqual((file_ms, file_ls), (0x00020000, 0x00090000))  # 2.0.9.0
        self.assertEqual((product_ms, product_ls), (0x00020000, 0x00090000))
        file_os, file_type = fields[8], fields[9]
        self.assertEqual(file_os, 0x4)    # VOS__WINDOWS32
        self.assertEqual(file_type, 0x1)  # VFT_APP

        blocks = {child[0]: child for child in children}
        self.assertEqual(set(blocks), {"StringFileInfo", "VarFileInfo"})
        tables = blocks["StringFileInfo"][3]
        self.assertEqual([table[0] for table in tables], ["041103A4"])
        strings = {}
        for name, value, value_type, _, _ in tables[0][3]:
            self.assertEqual(value_type, 1, name)
            strings[name] = text_value(value).encode("cp932")
        self.assertEqual(set(strings), set(EXPECTED_STRINGS) | {"Credits"})
        for name, expected in EXPECTED_STRINGS.items():
            self.assertEqual(strings[name], expected.encode("cp932"), name)

        # The credit line names the compiler that built the program, as it names its version.
        version = subprocess.run([COMPILER, "-dumpfullversion"], check=True, capture_output=True,
                                 text=True).stdout.strip()
        self.assertEqual(strings["Credits"], ("開発ツール：MinGW-w64 GCC " + version).encode("cp932"))

        # The version box shows the author and the credit line with the very same bytes.
        with open(EXE, "rb") as program:
            code = program.read()
        self.assertIn("制作者：".encode("cp932") + strings["Author"] + b"\r\n", code)
        self.assertIn("提供元：Quorvel Software\r\n\r\n".encode("cp932") + strings["Credits"] + b"\r\n\r\n", code)

        translations = blocks["VarFileInfo"][3]
        self.assertEqual(translations[0][0], "Translation")
        self.assertEqual(struct.unpack("<HH", translations[0][1]), (LANG_JAPANESE, 932))

    def test_manifest_asks_for_an_execution_level(self):
        manifest = ET.fromstring(extract(RT_MANIFEST, 1))
        levels = manifest.findall(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].get("level"), "requireAdministrator")
        identities = manifest.findall(".//{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
        self.assertEqual({i.get("processorArchitecture") for i in identities}, {"x86"})
        # No code page is forced on the process: names reach Windows through the wide calls where
        # its code page is not 932, and a forced one would make the user's own paths unreachable.
        self.assertEqual([e.tag for e in manifest.iter() if e.tag.endswith("activeCodePage")], [])


if __name__ == "__main__":
    if EXE is None:
        sys.exit(__doc__)
    unittest.main(argv=sys.argv[:1], verbosity=2)
