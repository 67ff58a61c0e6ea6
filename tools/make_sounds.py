#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Synthesise Quadrelo's built-in alarm sounds into resources/sounds/*.wav.

Standard library only, and fully deterministic: every random source is a
random.Random with a fixed seed, so running this twice yields byte-identical
files. The clips are 8-bit unsigned mono PCM because that is all a short
alert needs and it keeps the program's resources tiny.

Usage: python3 tools/make_sounds.py [output-folder]
       python3 tools/make_sounds.py --check [folder]
The second form writes nothing: it checks that the clips in the folder (by default
resources/sounds) are what the program expects, and exits 1 if one is not.
"""

import math
import os
import random
import struct
import sys

TAU = 2.0 * math.pi


# ---------------------------------------------------------------- helpers

def resonator(signal, sr, freq, bandwidth):
    """Two-pole band-pass; rings at freq, decays faster the wider the band."""
    r = math.exp(-math.pi * bandwidth / sr)
    a1 = 2.0 * r * math.cos(TAU * freq / sr)
    a2 = -r * r
    gain = 1.0 - r  # keeps the different resonances roughly comparable
    y1 = y2 = 0.0
    out = []
    for x in signal:
        y = gain * x + a1 * y1 + a2 * y2
        out.append(y)
        y2, y1 = y1, y
    return out


def mix(*signals):
    n = max(len(s) for s in signals)
    out = [0.0] * n
    for s in signals:
        for i, v in enumerate(s):
            out[i] += v
    return out


def scaled(signal, factor):
    return [v * factor for v in signal]


def formant_gain(freq, formants):
    """Spectral envelope made of resonance peaks: (centre, bandwidth, level)."""
    g = 0.0
    for centre, bw, level in formants:
        g += level / (1.0 + ((freq - centre) / (bw * 0.5)) ** 2)
    return g


def voiced(n, sr, pitch_at, formants_at, tilt=1.0):
    """Additive harmonic source shaped by moving formants.

    Summing harmonics below Nyquist avoids the aliasing a naive pulse train
    would give at these low sample rates.
    """
    out = []
    phase = 0.0
    for i in range(n):
        t = i / sr
        f0 = pitch_at(t)
        formants = formants_at(t)
        phase += TAU * f0 / sr
        v = 0.0
        k = 1
        while k * f0 < sr * 0.45:
            amp = formant_gain(k * f0, formants) / (k ** tilt)
            v += amp * math.sin(k * phase)
            k += 1
        out.append(v)
    return out


def lerp(a, b, x):
    return a + (b - a) * x


def lerp_formants(fa, fb, x):
    x = min(1.0, max(0.0, x))
    return [tuple(lerp(p, q, x) for p, q in zip(a, b)) for a, b in zip(fa, fb)]


def fit(signal, n):
    """Trim or pad with silence to exactly n samples."""
    return (list(signal) + [0.0] * n)[:n]


def finish(signal, sr, peak_levels):
    """Fade the edges (no pop on start/stop) and normalise to a fixed peak."""
    n = len(signal)
    fade_in = max(3, round(0.001 * sr))
    fade_out = min(round(0.008 * sr), n // 5)
    out = list(signal)
    for i in range(fade_in):
        out[i] *= 0.5 - 0.5 * math.cos(math.pi * i / fade_in)
    for i in range(fade_out):
        out[n - 1 - i] *= 0.5 - 0.5 * math.cos(math.pi * i / fade_out)
    top = max(abs(v) for v in out)
    samples = bytearray()
    for v in out:
        level = int(math.floor(v / top * peak_levels + 0.5))
        samples.append(128 + max(-127, min(127, level)))
    return bytes(samples)


# ---------------------------------------------------------------- sounds

def blip(sr, n):
    # Square-ish beep gliding up an octave; odd harmonics give it the
    # electronic edge, the quick decay keeps it a blip rather than a beep.
    out = []
    phase = 0.0
    dur = n / sr
    for i in range(n):
        t = i / sr
        f = 700.0 * 2.0 ** (t / dur)
        phase += TAU * f / sr
        v = math.sin(phase) + math.sin(3 * phase) / 3 + math.sin(5 * phase) / 8
        env = math.exp(-t * 14.0) * min(1.0, t / 0.004)
        out.append(v * env)
    return out


def boop(sr, n):
    # Low, nearly pure tone sagging in pitch under a smooth bell envelope.
    out = []
    phase = 0.0
    dur = n / sr
    for i in range(n):
        t = i / sr
        f = 260.0 - 70.0 * (t / dur)
        phase += TAU * f / sr
        v = math.sin(phase) + 0.15 * math.sin(2 * phase)
        env = math.sin(math.pi * t / dur) ** 0.7
        out.append(v * env)
    return out


def click(sr, n):
    rng = random.Random(1101)
    noise = [rng.uniform(-1.0, 1.0) * math.exp(-i / 10.0) for i in range(n)]
    ring = [math.sin(TAU * 2900.0 * i / sr) * math.exp(-i / 18.0) for i in range(n)]
    return mix(scaled(resonator(noise, sr, 3600.0, 1500.0), 6.0), ring)


def plank(sr, n):
    # Karplus-Strong pluck; the extra averaging makes it dull and woody
    # instead of a bright string, and a low body resonance adds the knock.
    rng = random.Random(2202)
    period = int(sr / 196.0)
    buf = [rng.uniform(-1.0, 1.0) for _ in range(period)]
    prev = 0.0
    for _ in range(2):  # soften the initial burst
        buf = [(buf[i] + buf[i - 1]) * 0.5 for i in range(period)]
    out = []
    for i in range(n):
        j = i % period
        v = buf[j]
        out.append(v)
        nxt = buf[(j + 1) % period]
        buf[j] = 0.992 * (0.5 * (v + nxt) * 0.8 + 0.2 * prev)
        prev = v
    body = resonator([v if i < 60 else 0.0 for i, v in enumerate(out)], sr, 140.0, 60.0)
    env = [math.exp(-i / sr * 22.0) for i in range(n)]
    return [(a + 8.0 * b) * e for a, b, e in zip(out, body, env)]


def pnam(sr, n):
    # Falling voice-like tone: "p" burst, open "a" sliding to "u", closing on
    # a nasal "m" murmur (strong low formant, the upper ones damped).
    dur = n / sr
    open_a = [(750.0, 130.0, 1.0), (1150.0, 150.0, 0.6), (2500.0, 250.0, 0.15)]
    round_u = [(380.0, 110.0, 1.0), (850.0, 140.0, 0.5), (2300.0, 250.0, 0.08)]
    nasal_m = [(260.0, 90.0, 1.3), (1000.0, 300.0, 0.08), (2200.0, 300.0, 0.03)]

    def pitch(t):
        return 420.0 * (150.0 / 420.0) ** (t / dur)

    def formants(t):
        x = t / dur
        if x < 0.55:
            return lerp_formants(open_a, round_u, x / 0.55)
        return lerp_formants(round_u, nasal_m, (x - 0.55) / 0.3)

    voice = voiced(n, sr, pitch, formants, tilt=0.6)
    onset = round(0.012 * sr)
    shaped = []
    for i, v in enumerate(voice):
        t = i / sr
        attack = min(1.0, i / onset)
        shaped.append(v * attack * math.exp(-t * 3.5))
    rng = random.Random(3303)
    burst = [rng.uniform(-1.0, 1.0) * math.exp(-i / 20.0) for i in range(onset * 2)]
    burst = scaled(resonator(burst, sr, 900.0, 900.0), 1.2)
    return mix(shaped, burst)


def talk(sr, n):
    # A tiny "tawk": aspirated "t", a vowel whose pitch rises then drops
    # like a spoken syllable, and a "k" release at the end.
    dur = n / sr
    vowel_a = [(650.0, 120.0, 1.0), (1050.0, 140.0, 0.7), (2600.0, 250.0, 0.2)]
    vowel_o = [(500.0, 110.0, 1.0), (850.0, 130.0, 0.6), (2500.0, 250.0, 0.12)]
    t_end = round(0.018 * sr)
    v_end = round(0.75 * n)

    def pitch(t):
        x = t / dur
        return 210.0 + 60.0 * math.sin(math.pi * min(1.0, x * 1.6))

    def formants(t):
        return lerp_formants(vowel_a, vowel_o, t / (v_end / sr))

    voice = voiced(v_end, sr, pitch, formants, tilt=0.7)
    for i in range(v_end):
        x = i / v_end
        voice[i] *= min(1.0, i / 60.0) * min(1.0, (1.0 - x) / 0.25)
    voice = [0.0] * t_end + voice

    rng = random.Random(4404)
    t_noise = [rng.uniform(-1.0, 1.0) * math.exp(-i / 50.0) for i in range(t_end * 2)]
    t_noise = scaled(resonator(t_noise, sr, 4000.0, 1800.0), 1.0)
    k_start = t_end + v_end + round(0.01 * sr)
    k_noise = [0.0] * k_start + [rng.uniform(-1.0, 1.0) * math.exp(-i / 40.0)
                                 for i in range(n)]
    k_noise = scaled(resonator(fit(k_noise, n), sr, 2000.0, 900.0), 1.2)
    return fit(mix(voice, t_noise, k_noise), n)


def tic(sr, n):
    # Three clock ticks, alternating slightly in pitch like tick-tock-tick.
    rng = random.Random(5505)
    out = [0.0] * n
    starts = [0.006, 0.106, 0.206]
    pitches = [3100.0, 2500.0, 3100.0]
    for start, f in zip(starts, pitches):
        s0 = round(start * sr)
        noise = [rng.uniform(-1.0, 1.0) * math.exp(-i / 6.0) for i in range(200)]
        body = resonator(noise, sr, f, 500.0)
        for i in range(200):
            ring = math.sin(TAU * f * 1.47 * i / sr) * math.exp(-i / 25.0) * 0.03
            if s0 + i < n:
                out[s0 + i] += 8.0 * body[i] + ring
    return out


def type_key(sr, n):
    # A hard strike (noise through metallic resonances plus a low thunk),
    # then a few fading rattles from the typebar settling.
    rng = random.Random(6606)
    out = [0.0] * n
    strike = [rng.uniform(-1.0, 1.0) * math.exp(-i / 8.0) for i in range(n)]
    metal = mix(resonator(strike, sr, 2750.0, 150.0),
                scaled(resonator(strike, sr, 4100.0, 220.0), 0.8),
                scaled(resonator(strike, sr, 1700.0, 300.0), 0.6))
    thunk = [math.sin(TAU * 150.0 * i / sr) * math.exp(-i / 120.0) * 0.25 for i in range(n)]
    out = mix(scaled(metal, 12.0), thunk)
    for k, when in enumerate([0.028, 0.047, 0.071, 0.098]):
        s0 = round(when * sr)
        level = 0.45 * 0.6 ** k
        burst = [rng.uniform(-1.0, 1.0) * math.exp(-i / 4.0) for i in range(150)]
        ring = resonator(burst, sr, 3300.0 - 250.0 * k, 400.0)
        for i, v in enumerate(ring):
            if s0 + i < n:
                out[s0 + i] += 12.0 * level * v
    return out


# name, sample rate, samples, generator, peak (levels out of 127)
SOUNDS = [
    ("BLIP", 11025, 1246, blip, 100),
    ("BOOP", 11025, 574, boop, 90),
    ("CLICK", 11025, 121, click, 105),
    ("PLANK", 11025, 906, plank, 105),
    ("PNAM", 8000, 3151, pnam, 100),
    ("TALK", 11025, 2033, talk, 100),
    ("TIC", 11025, 3417, tic, 105),
    ("TYPE", 11025, 1849, type_key, 110),
]


def write_wav(path, sr, data):
    # Header written by hand so the layout never depends on the wave module's version.
    fmt = struct.pack("<HHIIHH", 1, 1, sr, sr, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        body += b"\x00"  # RIFF chunks are word aligned
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def check(path, sr, n):
    """What is wrong with a clip: the program plays the RIFF/WAVE image as it is, so its chunks
    must fit, and it must be 8-bit mono PCM at its rate, n samples, under a second, audible."""
    with open(path, "rb") as f:
        wav = f.read()
    if wav[:4] != b"RIFF" or wav[8:12] != b"WAVE" or struct.unpack_from("<I", wav, 4)[0] + 8 > len(wav):
        return ["not a whole RIFF/WAVE file"]
    chunks, pos = {}, 12
    while pos + 8 <= len(wav):  # walk the chunks rather than assume the common 44-byte layout
        cid, size = wav[pos:pos + 4], struct.unpack_from("<I", wav, pos + 4)[0]
        if pos + 8 + size > len(wav):
            return [f"chunk {cid!r} runs past the end"]
        chunks[cid] = wav[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    fmt, data = chunks.get(b"fmt ", b""), chunks.get(b"data", b"")
    if len(fmt) < 16:
        return ["no fmt chunk"]
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", fmt)
    peak = max((abs(b - 128) for b in data), default=0)  # 8-bit PCM is unsigned, 128 is silence
    return [problem for bad, problem in [
        ((tag, channels, bits) != (1, 1, 8), f"format {tag}, {channels} channel(s), {bits} bits: not 8-bit mono PCM"),
        (rate != sr, f"{rate} Hz, not {sr}"),
        (len(data) != n, f"{len(data)} samples, not {n}"),
        (len(data) >= rate, "a second long or more"),
        (peak < 40, f"peak {peak} of 127: too quiet for an alarm"),
    ] if bad]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    args = sys.argv[1:]
    checking = args[:1] == ["--check"]
    args = args[1:] if checking else args
    out_dir = args[0] if args else os.path.join(here, "..", "resources", "sounds")
    if not checking:
        os.makedirs(out_dir, exist_ok=True)
    failed = False
    for name, sr, n, gen, peak in SOUNDS:
        path = os.path.join(out_dir, name + ".wav")
        if not checking:
            data = finish(fit(gen(sr, n), n), sr, peak)
            write_wav(path, sr, data)
            print(f"{name}.wav  {sr} Hz  {n} samples  peak {max(abs(b - 128) for b in data)}")
        problems = check(path, sr, n) if os.path.exists(path) else ["missing"]
        for problem in problems:
            print(f"{name}.wav: {problem}", file=sys.stderr)
        failed = failed or bool(problems)
    if checking and not failed:
        print(f"{len(SOUNDS)} sounds in {out_dir} are as the program expects")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
