"""Takes as field recorders and mixing consoles write them: the sound of one scene heard by several microphones, and
the WAV files that hold it, with the header a recorder writes at REC (its sizes still 0).

A scene mixes sources (speech of espeak-ng, plucked chords and a steady tone of sox, a room's pink noise of ffmpeg)
into tracks: each track is a microphone with its own gains, its own delays (microphones set apart hear a source
later; a coincident pair hears it at once) and its own noise floor. A track of an input with nothing plugged in
holds its noise floor alone.
"""

import os
import struct
import subprocess
import tempfile

import numpy as np
import soundfile

RATE = 48000

LINES = ["Two microphones hear one room, and the recorder writes two files.",
         "The battery ran out in the middle of the second take.",
         "Every sample the recorder wrote is still on the card.",
         "The console writes sixteen files at once, one cluster each in turn."]


def sh(*args):
    subprocess.run([str(a) for a in args], check=True, capture_output=True, timeout=120)


def _read(path, seconds):
    data, rate = soundfile.read(path, dtype="float64", always_2d=True)
    if rate != RATE:
        raise RuntimeError("%s: %d Hz" % (path, rate))
    mono = data.mean(axis=1)
    frames = int(seconds * RATE)
    return np.resize(mono, frames) if len(mono) else np.zeros(frames)


class Sources:
    """The sources of scenes, each made once for the longest scene asked of it."""

    def __init__(self, seconds, folder=None):
        self.seconds = seconds
        self.folder = folder or tempfile.mkdtemp(prefix="takes-")
        os.makedirs(self.folder, exist_ok=True)
        self.made = {}

    def path(self, name):
        return os.path.join(self.folder, name)

    def get(self, name):
        if name not in self.made:
            self.made[name] = self._make(name)
        return self.made[name]

    def _make(self, name):
        kind, _, arg = name.partition(":")
        out, seconds = self.path(name.replace(":", "-") + ".wav"), self.seconds
        if kind == "speech":
            k = int(arg or 0)
            voice = self.path("voice%d.wav" % k)
            sh("espeak-ng", "-v", ["en", "en+f3", "en+m3", "en+f2"][k % 4], "-s", 150 + 10 * k, "-w", voice,
               " ".join(LINES[k % len(LINES):] + LINES[:k % len(LINES)]))
            sh("sox", "-R", voice, "-r", RATE, out, "repeat", int(seconds // 3) + 1, "trim", 0, seconds)
        elif kind == "chords":
            k = int(arg or 0)
            notes = [["G2", "D3", "B3"], ["A2", "E3", "C4"], ["C3", "G3", "E4"], ["D2", "A2", "F3"]][k % 4]
            args = [a for n in notes for a in ("pl", n)]
            sh("sox", "-R", "-n", "-r", RATE, out, "synth", 1.5, *args, "remix", "-", "fade", 0, 1.5, 0.2,
               "norm", -10, "repeat", int(seconds // 1.5) + 1, "trim", 0, seconds)
        elif kind == "tone":
            sh("sox", "-R", "-n", "-r", RATE, out, "synth", seconds, "sine", arg or "1000", "vol", 0.3)
        elif kind == "room":
            sh("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
               "anoisesrc=c=pink:d=%s:a=0.05:s=%s:r=%d" % (seconds, arg or 7, RATE), "-af", "lowpass=3000", out)
        else:
            raise ValueError(name)
        return _read(out, seconds)


class Track:
    """A microphone: sources heard at gains after delays (in samples), over a noise floor of its own."""

    def __init__(self, heard, floor=0.0, seed=0):
        self.heard, self.floor, self.seed = heard, floor, seed


def scene(sources, tracks, seconds, bits, moment=0):
    """The integer samples of each track of a scene, seconds long, at bits (16 or 24), taken from the sources from
    a moment chosen by moment (a take's own: takes of other moments hear other sounds)."""
    frames = int(seconds * RATE)
    top = (1 << (bits - 1)) - 1
    out = []
    for track in tracks:
        mix = np.zeros(frames)
        for name, gain, delay in track.heard:
            whole = sources.get(name)
            start = int(moment * 7919 * RATE / 1000) % max(1, len(whole) - frames)
            source = whole[start:start + frames]
            mix[delay:] += gain * source[:frames - delay]
        if track.floor:
            rng = np.random.default_rng(track.seed)
            mix += rng.normal(0, track.floor, frames)
        out.append(np.clip(np.round(mix * top), -top - 1, top).astype(np.int64))
    return out


def frames_bytes(channels, bits):
    """The bytes of interleaved frames of channels (arrays of integer samples), little-endian."""
    width = bits // 8
    stacked = np.stack(channels, axis=1).reshape(-1)
    as_bytes = (stacked.astype("<i4").view(np.uint8).reshape(-1, 4))[:, :width]
    return as_bytes.tobytes()


def wav(audio, channels, bits, rate=RATE, sizes=True, bext=b""):
    """A WAV file of audio (frame bytes): RIFF, a bext chunk where given, fmt, data; its sizes those of the whole file,
    or 0 where a recorder had not written them yet."""
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    chunks = b""
    if bext:
        chunks += b"bext" + struct.pack("<I", len(bext)) + bext + b"\0" * (len(bext) % 2)
    chunks += b"fmt " + struct.pack("<I", len(fmt)) + fmt
    size = 4 + len(chunks) + 8 + len(audio)
    return (b"RIFF" + struct.pack("<I", size if sizes else 0) + b"WAVE" + chunks + b"data"
            + struct.pack("<I", len(audio) if sizes else 0) + audio)


def bext_chunk(description):
    """A Broadcast Wave bext chunk of 602 bytes, as field recorders write."""
    return (description.encode().ljust(256, b"\0") + b"FIELDREC".ljust(32, b"\0") + b"".ljust(32, b"\0")
            + b"2026-12-09" + b"10:30:00" + b"\0" * 8 + b"\0" * 2 + b"\0" * 64 + b"\0" * 190).ljust(602, b"\0")
