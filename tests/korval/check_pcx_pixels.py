#!/usr/bin/env python3
"""Has Python's PIL read every <name>.pcx in a folder and compares its pixels, dot for dot,
with <name>.pbm beside it (the pixels our reader takes from the same file, black = ink).

A one-bit PCX keeps a clear bit for ink; PIL reads such a file as mode "1", where a clear
bit is 0 (black). PIL (9.x) does not take a row's length from the header's bytes-per-line
field but works it out from the width (rounded up to an even number of bytes); the BMP
conversion writes the rows of the BMP, padded to 4 bytes, which that guess misses for some
widths. For those files PIL is given the header's row length before it decodes; everything
else (run-length decoding, bit order, sizes) is PIL's own. The count is reported."""
import pathlib
import sys

from PIL import Image, PcxImagePlugin

MINIMUM_FILES = 10  # the PCX tests keep far more; fewer means the keeping broke


def read_pbm(path):
    data = path.read_bytes()
    fields = data.split(maxsplit=3)
    if fields[0] != b"P4":
        raise ValueError(f"{path.name}: not a binary PBM")
    width, height = int(fields[1]), int(fields[2])
    bits = fields[3]
    row_bytes = (width + 7) // 8
    if len(bits) != row_bytes * height:
        raise ValueError(f"{path.name}: {len(bits)} bytes of pixels for {width} x {height}")
    black = [[bool(bits[y * row_bytes + x // 8] & (0x80 >> (x % 8))) for x in range(width)]
             for y in range(height)]
    return width, height, black


def pil_guessed_stride(width, header_stride):
    stride = (width + 7) // 8
    if stride != header_stride:
        stride += stride % 2
    return stride


def read_with_pil(path):
    """The picture as PIL reads it: (width, height, black rows, whether the row length was
    given to PIL)."""
    image = Image.open(path)
    if image.format != "PCX" or image.mode != "1":
        raise ValueError(f"{path.name}: PIL reads {image.format} mode {image.mode}")
    header = path.read_bytes()[:128]
    header_stride = header[66] | header[67] << 8
    width, height = image.size
    given = pil_guessed_stride(width, header_stride) != header_stride
    if given:
        decoder, extents, offset, (rawmode, _) = image.tile[0]
        image.tile = [(decoder, extents, offset, (rawmode, header_stride))]
    image.load()
    pixels = image.load()
    black = [[pixels[x, y] == 0 for x in range(width)] for y in range(height)]
    return width, height, black, given


def compare(pcx):
    ours_w, ours_h, ours = read_pbm(pcx.with_suffix(".pbm"))
    pil_w, pil_h, theirs, given = read_with_pil(pcx)
    if (pil_w, pil_h) != (ours_w, ours_h):
        return f"{pcx.name}: PIL reads {pil_w} x {pil_h}, ours {ours_w} x {ours_h}", given
    for y in range(ours_h):
        if theirs[y] != ours[y]:
            x = next(i for i in range(ours_w) if theirs[y][i] != ours[y][i])
            return f"{pcx.name}: first different pixel at ({x}, {y})", given
    return None, given


def main():
    folder = pathlib.Path(sys.argv[1])
    files = sorted(folder.glob("*.pcx"))
    failures, given = [], 0
    for pcx in files:
        problem, stride_given = compare(pcx)
        given += stride_given
        if problem:
            failures.append(problem)
    for problem in failures:
        print(problem)
    print(f"{len(files)} PCX files read by PIL {PcxImagePlugin.Image.__version__}, "
          f"{len(files) - len(failures)} identical to ours "
          f"({given} with the header's row length given to PIL)")
    if len(files) < MINIMUM_FILES:
        print(f"expected at least {MINIMUM_FILES} PCX files")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
