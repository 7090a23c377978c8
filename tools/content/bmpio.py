"""Reading and writing the game's picture files: 24-bit uncompressed BMPs,
stored bottom-up with a 40-byte BITMAPINFOHEADER."""

import struct

import numpy as np

FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
PIXELS_PER_METRE = 2835  # 72 dots per inch


def encode_bmp(rgb):
    """Returns the bytes of a BMP file holding `rgb` (height x width x 3, uint8)."""
    rgb = np.ascontiguousarray(rgb, dtype=np.uint8)
    height, width, channels = rgb.shape
    if channels != 3:
        raise ValueError("a BMP picture needs three channels")
    row_bytes = width * 3
    stride = (row_bytes + 3) & ~3
    rows = np.zeros((height, stride), dtype=np.uint8)
    # Bottom-up rows of blue, green, red.
    rows[:, :row_bytes] = rgb[::-1, :, ::-1].reshape(height, row_bytes)
    pixels = rows.tobytes()
    offset = FILE_HEADER_SIZE + INFO_HEADER_SIZE
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", INFO_HEADER_SIZE, width, height, 1, 24, 0, len(pixels),
                              PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    return file_header + info_header + pixels


def decode_bmp(data):
    """Returns the pixels (height x width x 3, uint8, top row first) of a BMP
    written by encode_bmp; raises ValueError for anything else."""
    if len(data) < FILE_HEADER_SIZE + INFO_HEADER_SIZE or data[:2] != b"BM":
        raise ValueError("not a BMP file")
    _, _, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (info_size, width, height, planes, bits, compression, _, _, _, _, _) = struct.unpack_from(
        "<IiiHHIIiiII", data, FILE_HEADER_SIZE)
    if info_size != INFO_HEADER_SIZE or planes != 1 or bits != 24 or compression != 0:
        raise ValueError("not a 24-bit uncompressed BMP with a 40-byte header")
    if width <= 0 or height <= 0:
        raise ValueError("not a bottom-up BMP of positive size")
    stride = (width * 3 + 3) & ~3
    if offset + stride * height > len(data):
        raise ValueError("the pixel block is cut short")
    rows = np.frombuffer(data, dtype=np.uint8, count=stride * height, offset=offset).reshape(height, stride)
    return rows[::-1, :width * 3].reshape(height, width, 3)[:, :, ::-1].copy()
