"""One voice clip per message: 16-bit PCM, 22050 Hz, mono.

The clips are spoken by eSpeak NG from the kana readings in the scenario,
with a different voice and pitch per speaker. Where espeak-ng is not
installed (or fails), a soft synthetic murmur stands in whose length follows
the reading. Both ways give the same bytes on every run."""

import shutil
import subprocess

import numpy as np

from wavio import decode_wav, encode_wav

RATE = 22050

# eSpeak NG arguments per speaker; "NONE" is the narration.
SPEAKERS = {
    "シオリ": ["-v", "ja+f2", "-p", "62", "-s", "150"],
    "ハルト": ["-v", "ja+m3", "-p", "56", "-s", "160"],
    "ピコ": ["-v", "ja+f4", "-p", "92", "-s", "172"],
    "NONE": ["-v", "ja", "-p", "40", "-s", "145"],
}
# Base pitch (Hz) of the murmur per speaker.
MURMUR_PITCH = {"シオリ": 230.0, "ハルト": 140.0, "ピコ": 330.0, "NONE": 120.0}


def espeak_available():
    return shutil.which("espeak-ng") is not None


def spoken_kana(reading):
    """The readings are written as words separated by spaces; a は or へ that
    ends a word is the particle, pronounced わ or え, and を is always お."""
    out = []
    for i, ch in enumerate(reading):
        ends_word = i + 1 == len(reading) or reading[i + 1] in " 、。！？!?"
        if ch == "は" and ends_word and i > 0:
            ch = "わ"
        elif ch == "へ" and ends_word and i > 0:
            ch = "え"
        elif ch == "を":
            ch = "お"
        out.append(ch)
    return "".join(out)


def speak(speaker, reading):
    """Samples (float, -1..1) of the reading in the speaker's voice, or None
    when eSpeak NG cannot say it."""
    if not espeak_available():
        return None
    args = ["espeak-ng", "--stdout"] + SPEAKERS.get(speaker, SPEAKERS["NONE"]) + ["--", spoken_kana(reading)]
    try:
        result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60, check=True)
    except (OSError, subprocess.SubprocessError):
        return None
    data = result.stdout
    try:
        rate, channels, bits, tag, pcm = decode_wav(data)
    except ValueError:
        return None
    if tag != 1 or bits != 16 or channels != 1:
        return None
    samples = np.frombuffer(pcm[:len(pcm) // 2 * 2], dtype="<i2").astype(np.float64) / 32768.0
    if rate != RATE:
        positions = np.arange(0, len(samples) * RATE // rate) * (rate / RATE)
        samples = np.interp(positions, np.arange(len(samples)), samples)
    return samples


def murmur(speaker, reading):
    """A gentle vowel-like hum, one syllable per kana, rising and falling
    like speech; pauses at punctuation."""
    base = MURMUR_PITCH.get(speaker, 150.0)
    pieces = []
    syllable = int(0.115 * RATE)
    small = set("ゃゅょっぁぃぅぇぉャュョッァィゥェォー")
    vowels = [(730, 1090), (270, 2290), (300, 870), (530, 1840), (570, 840)]
    count = 0
    for ch in reading:
        if ch in "、。！？!?,.":
            pieces.append(np.zeros(int(0.18 * RATE)))
            continue
        if ch.isspace():
            pieces.append(np.zeros(int(0.03 * RATE)))
            continue
        if ch in small:
            continue
        count += 1
        f1, f2 = vowels[ord(ch) % 5]
        t = np.arange(syllable) / RATE
        f0 = base * (1.0 + 0.08 * np.sin(count * 1.7) - 0.1 * t / t[-1])
        phase = 2 * np.pi * np.cumsum(f0) / RATE
        sig = np.zeros(syllable)
        for h in range(1, 30):
            fh = base * h
            if fh > RATE / 2 - 500:
                break
            gain = np.exp(-((fh - f1) / 180.0) ** 2) + 0.6 * np.exp(-((fh - f2) / 260.0) ** 2) + 0.15 / h
            sig += gain * np.sin(h * phase)
        env = np.clip(np.sin(np.pi * t / t[-1]), 0.0, 1.0) ** 0.6
        pieces.append(sig * env)
    if not pieces:
        pieces.append(np.zeros(int(0.3 * RATE)))
    return np.concatenate(pieces)


def finish(samples):
    """Trims silence, adds short quiet edges and fades, normalises."""
    loud = np.nonzero(np.abs(samples) > 0.01)[0]
    if len(loud):
        samples = samples[max(loud[0] - int(0.02 * RATE), 0):loud[-1] + int(0.05 * RATE)]
    fade = min(int(0.01 * RATE), len(samples) // 2)
    if fade > 0:
        ramp = np.linspace(0.0, 1.0, fade)
        samples = samples.copy()
        samples[:fade] *= ramp
        samples[-fade:] *= ramp[::-1]
    peak = np.max(np.abs(samples)) if len(samples) else 0.0
    if peak > 0:
        samples = samples / peak * 0.85
    lead, tail = np.zeros(int(0.06 * RATE)), np.zeros(int(0.15 * RATE))
    return np.concatenate([lead, samples, tail])


def render_voice(speaker, reading, use_espeak=True):
    """(WAV bytes, "espeak" or "murmur")."""
    samples = speak(speaker, reading) if use_espeak else None
    how = "espeak"
    if samples is None or len(samples) == 0:
        samples, how = murmur(speaker, reading), "murmur"
    return encode_wav(finish(samples), RATE), how
