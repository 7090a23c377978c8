"""Background music, synthesised: short loops of chords, bass and melody.

Each piece is a whole number of bars; every note's tail that runs past the
end is folded back onto the start, so the loop joins without a click.
Output: 16-bit PCM, 44100 Hz, stereo."""

import numpy as np

from wavio import encode_wav

RATE = 44100


def midi_hz(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def envelope(n, attack, decay, sustain, release_at, release):
    """ADSR envelope of n samples; times in seconds, release starting at
    release_at seconds."""
    t = np.arange(n) / RATE
    env = np.where(t < attack, t / max(attack, 1e-6),
                   sustain + (1 - sustain) * np.exp(-(t - attack) / max(decay, 1e-6)))
    after = t >= release_at
    level_at_release = np.interp(release_at, t, env) if release_at < t[-1] else env[-1]
    env[after] = level_at_release * np.exp(-(t[after] - release_at) / max(release, 1e-6))
    return env


def tone(kind, freq, length, velocity):
    """One note as mono samples; `length` is the held time in seconds."""
    tail = {"piano": 1.6, "pad": 1.2, "bass": 0.4, "bell": 1.8, "pluck": 0.5, "lead": 0.4}[kind]
    n = int((length + tail) * RATE)
    t = np.arange(n) / RATE
    w = 2 * np.pi * freq * t
    if kind == "piano":
        env = envelope(n, 0.005, 0.5, 0.25, length, 0.35)
        sig = np.sin(w) + 0.35 * np.sin(2 * w) * np.exp(-t * 3) + 0.12 * np.sin(3 * w) * np.exp(-t * 5)
        sig += 0.5 * np.sin(w * 1.003)
        sig *= 0.6
    elif kind == "pad":
        env = envelope(n, 0.35, 1.0, 0.8, length, 0.6)
        sig = sum(np.sin(w * d + p) / (1 + 0.6 * h) for h, (d, p) in
                  enumerate(((1.0, 0), (1.004, 1.1), (0.996, 2.3), (2.0, 0.7), (3.0, 1.9))))
        sig *= 0.35
    elif kind == "bass":
        env = envelope(n, 0.008, 0.25, 0.55, length, 0.08)
        sig = np.sin(w) + 0.3 * np.sin(2 * w) + 0.1 * np.sin(3 * w)
    elif kind == "bell":
        env = envelope(n, 0.004, 0.6, 0.0, length + 0.8, 0.5)
        index = 1.5 * np.exp(-t * 4)
        sig = np.sin(w + index * np.sin(w * 3.5)) * 0.8 + 0.2 * np.sin(2 * w)
    elif kind == "pluck":
        env = envelope(n, 0.003, 0.12, 0.0, length, 0.05)
        sig = np.sin(w + 1.2 * np.exp(-t * 10) * np.sin(2 * w))
    else:  # lead: a soft square-ish tone with vibrato
        env = envelope(n, 0.03, 0.3, 0.7, length, 0.15)
        vib = 1 + 0.004 * np.sin(2 * np.pi * 5.2 * t) * np.clip(t * 3, 0, 1)
        ph = 2 * np.pi * freq * np.cumsum(vib) / RATE
        sig = np.sin(ph) + 0.2 * np.sin(3 * ph) + 0.08 * np.sin(5 * ph)
        sig *= 0.7
    return sig * env * velocity


def drum(kind, rng):
    if kind == "kick":
        n = int(0.35 * RATE)
        t = np.arange(n) / RATE
        freq = 50 + 90 * np.exp(-t * 30)
        return np.sin(2 * np.pi * np.cumsum(freq) / RATE) * np.exp(-t * 9) * 0.9
    if kind == "hat":
        n = int(0.08 * RATE)
        t = np.arange(n) / RATE
        noise = rng.uniform(-1, 1, n)
        noise = noise - np.concatenate(([0], noise[:-1]))  # brighten
        return noise * np.exp(-t * 60) * 0.18
    if kind == "snap":
        n = int(0.2 * RATE)
        t = np.arange(n) / RATE
        noise = rng.uniform(-1, 1, n)
        return (noise * 0.5 + np.sin(2 * np.pi * 190 * t)) * np.exp(-t * 25) * 0.25
    raise ValueError(kind)


class Track:
    """A stereo loop of `beats` beats at `bpm`."""

    def __init__(self, bpm, beats):
        self.beat = 60.0 / bpm
        self.n = int(round(beats * self.beat * RATE))
        self.buf = np.zeros((2, self.n + 3 * RATE))
        self.rng = np.random.RandomState(7)

    def add(self, samples, start_beat, pan=0.0):
        start = int(round(start_beat * self.beat * RATE))
        end = start + len(samples)
        left, right = np.cos((pan + 1) * np.pi / 4), np.sin((pan + 1) * np.pi / 4)
        self.buf[0, start:end] += samples * left
        self.buf[1, start:end] += samples * right

    def note(self, kind, midi, start_beat, beats, velocity=0.5, pan=0.0):
        self.add(tone(kind, midi_hz(midi), beats * self.beat, velocity), start_beat, pan)

    def hit(self, kind, start_beat, velocity=1.0, pan=0.0):
        self.add(drum(kind, self.rng) * velocity, start_beat, pan)

    def render(self, echo=0.3, echo_beats=0.75):
        loop = self.buf[:, :self.n].copy()
        tail = self.buf[:, self.n:]
        # fold every tail back onto the start so the end meets the start
        for k in range(0, tail.shape[1], self.n):
            part = tail[:, k:k + self.n]
            loop[:, :part.shape[1]] += part
        # a circular ping-pong echo: wraps around the loop, so it stays seamless
        delay = int(round(echo_beats * self.beat * RATE))
        wet = np.zeros_like(loop)
        tap = loop.copy()
        for i in range(1, 5):
            tap = np.roll(tap, delay, axis=1) * echo
            wet[(i + 1) % 2] += tap[0] * 0.7 + tap[1] * 0.3
        mix = loop + wet
        peak = np.max(np.abs(mix))
        mix = mix / peak * 0.72
        return np.tanh(mix * 1.1) / np.tanh(1.1)


CHORDS = {
    # midi notes of a voicing around middle C
    "C": [60, 64, 67], "Am": [57, 60, 64], "F": [53, 57, 60, 65], "G": [55, 59, 62], "Em": [55, 59, 64],
    "Dm": [57, 62, 65], "Am7": [57, 60, 64, 67], "Fmaj7": [53, 57, 60, 64], "G6": [55, 59, 62, 64],
    "Em7": [52, 55, 59, 62], "Dm7": [50, 53, 57, 60], "Cmaj7": [48, 52, 55, 59], "Bbmaj7": [46, 50, 53, 57],
    "E": [56, 59, 64], "Gsus4": [55, 60, 62],
}
ROOTS = {"C": 36, "Am": 33, "F": 29, "G": 31, "Em": 28, "Dm": 38 - 12, "Am7": 33, "Fmaj7": 29, "G6": 31, "Em7": 28,
         "Dm7": 26, "Cmaj7": 36, "Bbmaj7": 34, "E": 28, "Gsus4": 31}


def after_school():
    """BGM01: warm and light, for the club room (96 BPM, 8 bars)."""
    t = Track(96, 32)
    progression = ["C", "Am", "F", "G", "C", "Am", "Dm", "Gsus4"]
    for bar, chord in enumerate(progression):
        b = bar * 4
        notes = CHORDS[chord]
        pattern = [0, 1, 2, 1, 0, 2, 1, 2]
        for i, k in enumerate(pattern):
            t.note("piano", notes[k % len(notes)] + (12 if i in (2, 5) else 0), b + i * 0.5, 0.45, 0.22,
                   pan=-0.3 + 0.1 * (i % 3))
        t.note("pad", notes[0] - 12, b, 4, 0.16, -0.1)
        t.note("pad", notes[-1], b, 4, 0.1, 0.2)
        root = ROOTS[chord] + 12
        t.note("bass", root, b, 1.5, 0.45)
        t.note("bass", root, b + 2, 0.9, 0.35)
        t.note("bass", root + 7, b + 3, 0.9, 0.3)
    melody = [
        (0, 1, 76), (1, 0.5, 74), (1.5, 0.5, 72), (2, 2, 74),
        (4, 1, 72), (5, 1, 76), (6, 2, 79),
        (8, 1.5, 77), (9.5, 0.5, 76), (10, 1, 74), (11, 1, 72),
        (12, 3, 74), (15, 1, 71),
        (16, 1, 76), (17, 0.5, 77), (17.5, 0.5, 79), (18, 2, 81),
        (20, 1, 79), (21, 1, 76), (22, 2, 72),
        (24, 1.5, 74), (25.5, 0.5, 76), (26, 1, 77), (27, 1, 81),
        (28, 2, 79), (30, 1, 77), (31, 1, 74),
    ]
    for start, length, note in melody:
        t.note("bell", note, start, length, 0.24, pan=0.25)
    return t.render(0.28, 0.75)


def server_room():
    """BGM02: a steady electronic pulse for the server room (120 BPM, 8 bars)."""
    t = Track(120, 32)
    progression = ["Am7", "Am7", "Fmaj7", "Fmaj7", "C", "C", "G6", "E"]
    for bar, chord in enumerate(progression):
        b = bar * 4
        notes = CHORDS[chord]
        for i in range(16):
            k = [0, 2, 1, 3, 2, 1, 3, 2][i % 8] % len(notes)
            octave = 12 if (i // 4) % 2 else 0
            t.note("pluck", notes[k] + octave, b + i * 0.25, 0.2, 0.16 if i % 4 else 0.22, pan=0.4 if i % 2 else -0.4)
        t.note("pad", notes[0], b, 4, 0.12, -0.2)
        t.note("pad", notes[1], b, 4, 0.1, 0.2)
        root = ROOTS[chord]
        for i in range(8):
            t.note("bass", root + 12 + (12 if i % 4 == 3 else 0), b + i * 0.5, 0.35, 0.4 if i % 2 == 0 else 0.28)
        for beat in range(4):
            t.hit("kick", b + beat, 0.8 if beat % 2 == 0 else 0.55)
            t.hit("hat", b + beat + 0.5, 1.0, pan=0.3)
            if beat % 2 == 1:
                t.hit("snap", b + beat, 0.8, pan=-0.1)
    melody = [(0, 2, 76), (2, 1, 74), (3, 1, 72), (4, 3, 69), (8, 2, 72), (10, 1, 74), (11, 1, 76), (12, 4, 77),
              (16, 2, 79), (18, 1, 77), (19, 1, 76), (20, 4, 72), (24, 2, 74), (26, 2, 76), (28, 4, 80)]
    for start, length, note in melody:
        t.note("lead", note, start, length * 0.9, 0.16, pan=0.1)
    return t.render(0.25, 0.75)


def night_walk():
    """BGM03: slow and calm, for the way home (72 BPM, 6 bars)."""
    t = Track(72, 24)
    progression = ["Fmaj7", "Em7", "Dm7", "Cmaj7", "Bbmaj7", "Gsus4"]
    for bar, chord in enumerate(progression):
        b = bar * 4
        notes = CHORDS[chord]
        t.note("pad", notes[0], b, 4, 0.13, -0.3)
        t.note("pad", notes[2], b, 4, 0.11, 0.3)
        for i in range(8):
            k = [0, 1, 2, 3, 2, 1, 2, 3][i] % len(notes)
            t.note("piano", notes[k] + 12, b + i * 0.5, 0.8, 0.15 if i else 0.2, pan=-0.2 + 0.4 * (i % 2))
        t.note("bass", ROOTS[chord] + 12, b, 3.5, 0.35)
    melody = [(0, 1.5, 81), (1.5, 0.5, 79), (2, 2, 76), (4, 1.5, 79), (5.5, 0.5, 77), (6, 2, 74),
              (8, 1, 77), (9, 1, 76), (10, 2, 72), (12, 3, 71), (15, 1, 72),
              (16, 1.5, 74), (17.5, 0.5, 72), (18, 2, 69), (20, 4, 72)]
    for start, length, note in melody:
        t.note("bell", note, start, length, 0.2, pan=0.2)
    return t.render(0.35, 1.5)


PIECES = {"BGM01": after_school, "BGM02": server_room, "BGM03": night_walk}


def render_piece(name):
    stereo = PIECES[name]()
    return encode_wav(stereo.T, RATE)
