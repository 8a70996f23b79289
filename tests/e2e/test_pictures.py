"""Pictures of the boxes as the user sees them: one per box, box-sized, not blank. Pixels are never
compared: fonts and themes may change them."""

import struct
import zlib

from harness import File, script
from texts import SIGNATURE


def colours(png) -> tuple[int, int, int]:
    """Width, height and number of distinct colours of a PNG the harness wrote (RGB, no filter)."""
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    width, height = struct.unpack(">II", data[16:24])
    idat, pos = b"", 8
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + size]
        pos += size + 12
    raw = zlib.decompress(idat)
    stride = 1 + width * 3
    pixels = {raw[y * stride + 1 + x * 3:y * stride + 4 + x * 3] for y in range(height) for x in range(width)}
    return width, height, len(pixels)


def test_each_box_is_saved_as_a_picture_that_is_not_blank(harness, tmp_path):
    result = harness.run("/u C:\\Ex\\", answers=["ok", "yes", "ok"], pictures=tmp_path,
                         setup=[File("C:\\Ex\\Uninst.inf", script(SIGNATURE, "[warning]", "サンプル", "end;"))])
    assert [b.picture.name for b in result.boxes] == ["box-1.png", "box-2.png", "box-3.png"]
    for box in result.boxes:
        width, height, count = colours(box.picture)
        assert 100 <= width <= 1200 and 60 <= height <= 800, (box, width, height)
        assert count > 1, box
    assert sorted(p.name for p in tmp_path.iterdir()) == ["box-1.png", "box-2.png", "box-3.png"]
