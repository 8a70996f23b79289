"""How the Wine layers run on a host: the 32-bit way where the 32-bit Wine loader starts, else the
64-bit way, and a clear failure when neither runs. Stand-in loaders make each kind of host here."""

import os
import shutil

import pytest

from harness import WineUnavailable, pe_mode, wine_mode


@pytest.fixture
def loaders(tmp_path):
    """Makes stand-in loaders: 'starts' answers --version, 'foreign' is an ELF file the kernel
    refuses to run ("Exec format error", as a 32-bit loader on a kernel without 32-bit support),
    'missing' is not there."""

    def make(kind, name):
        path = tmp_path / name
        if kind == "starts":
            path.write_text("#!/bin/sh\necho wine-8.0\n")
        elif kind == "foreign":
            elf = bytearray(open(shutil.which("true"), "rb").read())
            elf[18:20] = (0xB7).to_bytes(2, "little")  # e_machine: another processor
            path.write_bytes(bytes(elf))
        if kind != "missing":
            path.chmod(0o755)
        return str(path)

    def environ(wine32, wine64, asked=None):
        env = dict(os.environ, QV_WINE32_LOADER=make(wine32, "wine"), QV_WINE64_LOADER=make(wine64, "wine64"))
        env.pop("QV_WINE_MODE", None)
        if asked:
            env["QV_WINE_MODE"] = asked
        return env

    return environ


def test_the_32_bit_way_where_the_32_bit_loader_starts_else_the_64_bit_way(loaders):
    both = wine_mode(environ=loaders("starts", "starts"))
    assert (both.name, both.preset, both.env["WINEARCH"]) == ("win32", "mingw", "win32")
    assert both.loader.endswith("/wine") and both.why.startswith("32-bit way: the 32-bit Wine loader starts")

    no_32 = wine_mode(environ=loaders("foreign", "starts"))
    assert (no_32.name, no_32.preset, no_32.env["WINEARCH"]) == ("win64", "mingw64", "win64")
    assert no_32.loader.endswith("/wine64"), "the 64-bit loader by its own path, never /usr/bin/wine"
    assert no_32.server == "/usr/lib/wine/wineserver64"
    assert "does not start here" in no_32.why and "Exec format error" in no_32.why

    assert wine_mode(environ=loaders("missing", "starts")).name == "win64"


def test_a_way_asked_for_must_start(loaders):
    assert wine_mode(environ=loaders("starts", "starts", asked="win64")).name == "win64"
    assert wine_mode("win64", environ=loaders("starts", "starts")).name == "win64"
    with pytest.raises(WineUnavailable, match=r"^wine: the 32-bit way was asked for, but .*Exec format error"):
        wine_mode(environ=loaders("foreign", "starts", asked="win32"))
    with pytest.raises(WineUnavailable, match=r"unknown way 'win16'"):
        wine_mode(environ=loaders("starts", "starts", asked="win16"))


def test_neither_way_fails_with_one_line_that_says_what_is_missing(loaders):
    with pytest.raises(WineUnavailable) as failure:
        wine_mode(environ=loaders("foreign", "missing"))
    message = str(failure.value)
    assert "\n" not in message
    assert "neither way runs here" in message and "Exec format error" in message
    assert "wine64 is not installed" in message


def test_a_programs_width_names_its_mode(tmp_path):
    def program(machine):
        path = tmp_path / f"{machine:x}.exe"
        header = bytearray(0x80)
        header[:2], header[0x3C:0x40] = b"MZ", (0x40).to_bytes(4, "little")
        header[0x40:0x46] = b"PE\0\0" + machine.to_bytes(2, "little")
        path.write_bytes(bytes(header))
        return path

    assert [pe_mode(program(0x14C)), pe_mode(program(0x8664))] == ["win32", "win64"]
    with pytest.raises(ValueError, match="neither i386 nor x86-64"):
        pe_mode(program(0xAA64))
