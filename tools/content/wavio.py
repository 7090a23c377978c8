"""16-bit PCM WAV files: RIFF "WAVE" with a 16-byte "fmt " chunk and a
"data" chunk."""

import struct

import numpy as np


def encode_wav(samples, rate):
    """samples: float array in -1..1, shape (n,) for mono or (n, channels)."""
    samples = np.asarray(samples, dtype=np.float64)
    if samples.ndim == 1:
        samples = samples[:, None]
    channels = samples.shape[1]
    pcm = np.clip(np.rint(samples * 32767.0), -32768, 32767).astype("<i2").tobytes()
    block = channels * 2
    header = struct.pack("<4sI4s4sIHHIIHH4sI", b"RIFF", 36 + len(pcm), b"WAVE", b"fmt ", 16, 1, channels, rate,
                         rate * block, block, 16, b"data", len(pcm))
    return header + pcm


def decode_wav(data):
    """(rate, channels, bits, format tag, sample bytes) of a RIFF WAVE file;
    raises ValueError when it is not one."""
    if len(data) < 12 or data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError("not a RIFF WAVE file")
    pos, fmt, pcm = 12, None, None
    while pos + 8 <= len(data):
        cid, size = struct.unpack_from("<4sI", data, pos)
        body = data[pos + 8:pos + 8 + size]
        if cid == b"fmt " and size >= 16:
            fmt = struct.unpack_from("<HHIIHH", body, 0)
        elif cid == b"data":
            pcm = body
        pos += 8 + size + (size & 1)
    if fmt is None or pcm is None:
        raise ValueError("a WAVE file without fmt or data")
    tag, channels, rate, _, _, bits = fmt
    return rate, channels, bits, tag, pcm
