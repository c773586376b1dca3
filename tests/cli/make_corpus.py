#!/usr/bin/env python3
"""Writes cut-off recordings made by real writers, for sonorix-repair --any-layout.

    make_corpus.py OUTDIR [--seeds-only]

OUTDIR/seeds/ gets small files (a few KiB each, usable as fuzzing seeds);
OUTDIR/large/ gets sparse files of more than 4 GiB that hold a few KiB of data.
Each file is what a writer left when it was cut off: cut at a frame or inside
one, its sizes stale, zeroed or filled with 0xFF, or as streamed into a pipe.
build() also returns, for every file, what a repair must answer and the bytes
it must write.
"""

import array
import math
import os
import shutil
import struct
import subprocess
import sys
from dataclasses import dataclass, field

RATE = 8000
SECONDS = 0.05
FOUR_GIB = 1 << 32
NO_SIZE = 0xFFFFFFFF


def missing_writers():
    """The writers this machine lacks (programs, or Python's soundfile module)."""
    missing = [p for p in ("ffmpeg", "ffprobe", "sox", "soxi") if shutil.which(p) is None]
    try:
        import soundfile  # noqa: F401
    except ImportError:
        missing.append("python3-soundfile")
    return missing


# The writers, each run once per recording; stdout is the file where the
# writer streams into a pipe.

def _run(args):
    return subprocess.run(args, check=True, capture_output=True, timeout=60).stdout


def _ffmpeg(out_args, channels=1, piped=False, folder=None, name="ffmpeg.wav"):
    source = ["ffmpeg", "-v", "error", "-f", "lavfi",
              "-i", "sine=frequency=440:sample_rate=%d:duration=%s" % (RATE, SECONDS),
              "-ac", str(channels)] + out_args
    if piped:
        return _run(source + ["-f", "wav", "-"])
    path = os.path.join(folder, name)
    _run(source + ["-y", path])
    with open(path, "rb") as f:
        return f.read()


def _sox(out_args, channels=1, piped=False, folder=None, name="sox.wav"):
    target = ["-t", "wav", "-"] if piped else [os.path.join(folder, name)]
    data = _run(["sox", "-V1", "-n", "-r", str(RATE), "-c", str(channels)] + out_args + target
                + ["synth", str(SECONDS), "sine", "440"])
    if piped:
        return data
    with open(target[0], "rb") as f:
        return f.read()


def _sine(frames, channels, scale):
    return [int(scale * math.sin(2 * math.pi * 440 * (i // channels) / RATE) * (1 + i % channels) / channels)
            for i in range(frames * channels)]


def _soundfile(subtype, container, channels, title_after_data=False, folder=None):
    import soundfile
    path = os.path.join(folder, "soundfile." + ("aiff" if container == "AIFF" else "wav"))
    frames = int(RATE * SECONDS)
    with soundfile.SoundFile(path, "w", RATE, channels, subtype, format=container) as f:
        if subtype == "FLOAT":
            f.buffer_write(array.array("f", [s / 32768 for s in _sine(frames, channels, 30000)]).tobytes(), "float32")
        elif subtype == "PCM_24":
            f.buffer_write(array.array("i", _sine(frames, channels, 2e9)).tobytes(), "int32")
        else:
            f.buffer_write(array.array("h", _sine(frames, channels, 30000)).tobytes(), "int16")
        if title_after_data:
            # Set after the audio, libsndfile puts the LIST chunk after the data chunk.
            f.title = "take one"
    with open(path, "rb") as f:
        return f.read()


def _python_wave(folder=None, eight_bit_frames=None):
    """16-bit stereo, or 8-bit mono of eight_bit_frames frames (an odd data
    chunk Python's wave leaves without its pad byte)."""
    import wave
    path = os.path.join(folder, "wave.wav")
    with wave.open(path, "wb") as w:
        w.setnchannels(2 if eight_bit_frames is None else 1)
        w.setsampwidth(2 if eight_bit_frames is None else 1)
        w.setframerate(RATE)
        if eight_bit_frames is None:
            w.writeframes(array.array("h", _sine(int(RATE * SECONDS), 2, 30000)).tobytes())
        else:
            w.writeframes(bytes(128 + s for s in _sine(eight_bit_frames, 1, 100)))
    with open(path, "rb") as f:
        return f.read()


def _python_aifc(compression, folder=None):
    """16-bit mono AIFF-C from Python's aifc, where this Python still has it."""
    import warnings
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        import aifc
    path = os.path.join(folder, "python.aifc")
    with aifc.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.setcomptype(compression, b"not compressed" if compression == b"NONE" else compression)
        samples = array.array("h", _sine(int(RATE * SECONDS), 1, 30000))
        if sys.byteorder == "little":
            samples.byteswap()
        w.writeframes(samples.tobytes())
    with open(path, "rb") as f:
        return f.read()


def _list_appended(image):
    """image with a LIST chunk appended right after it and the RIFF size
    grown to match, as a metadata editor that ignores the pad byte leaves it."""
    body = b"INFOINAM" + struct.pack("<I", 9) + b"take one\x00\x00"
    grown = image + b"LIST" + struct.pack("<I", len(body)) + body
    return grown[:4] + struct.pack("<I", len(grown) - 8) + grown[8:]


def _id3_tagged(image):
    """image as a tagger leaves it: an ID3v2.3 tag with a title, then an ID3v1
    tag, appended after the chunks."""
    title = b"\x00take one"
    frames = b"TIT2" + struct.pack(">I", len(title)) + b"\x00\x00" + title
    size = bytes((len(frames) >> shift) & 0x7F for shift in (21, 14, 7, 0))
    v1 = b"TAG" + b"take one".ljust(30, b"\x00") + bytes(60) + b"2026" + bytes(30) + b"\x0c"
    return image + b"ID3\x03\x00\x00" + size + frames + v1


@dataclass
class Layout:
    """Where a writer put the fields a repair may rewrite."""
    rf64: bool
    channels: int
    block_align: int
    payload: int            # offset of the first audio byte
    data_size_at: int
    fact_at: int = None     # offset of the fact chunk's frame count
    ds64_at: int = None     # offset of the ds64 chunk's RIFF size
    junk_at: int = None     # offset of a JUNK chunk right after WAVE with room for ds64 fields
    chunk_starts: list = field(default_factory=list)  # every chunk before data
    aiff: bool = False      # big-endian; fact_at is COMM's frame count, data SSND's audio
    ssnd_offset: int = 0    # bytes of SSND's audio before the first frame
    sox_reads: bool = True  # sox reads no AIFF-C alaw, ulaw, raw, in24 or in32


# The bytes of one sample by AIFF-C compression type, where frames are fixed.
AIFC_SAMPLE_BYTES = {b"in24": 3, b"in32": 4, b"fl32": 4, b"FL32": 4, b"fl64": 8, b"FL64": 8,
                     b"alaw": 1, b"ALAW": 1, b"ulaw": 1, b"ULAW": 1}


def aiff_layout(image):
    pos, starts, comm = 12, [], None
    while True:
        name, size = image[pos:pos + 4], struct.unpack_from(">I", image, pos + 4)[0]
        if name == b"SSND":
            channels, bits = comm[0], comm[2]
            kind = image[comm[3]:comm[3] + 4] if image[8:12] == b"AIFC" else b"NONE"
            align = channels * AIFC_SAMPLE_BYTES.get(kind, (bits + 7) // 8)
            return Layout(False, channels, align, pos + 16, pos + 4, comm[1], chunk_starts=starts, aiff=True,
                          ssnd_offset=struct.unpack_from(">I", image, pos + 8)[0],
                          sox_reads=kind not in (b"alaw", b"ulaw", b"raw ", b"in24", b"in32"))
        starts.append(pos)
        if name == b"COMM":
            channels, _, bits = struct.unpack_from(">HIH", image, pos + 8)
            comm = (channels, pos + 10, bits, pos + 26)
        pos += 8 + size + (size & 1)


def layout(image):
    if image[:4] == b"FORM":
        return aiff_layout(image)
    rf64 = image[:4] == b"RF64"
    found = {}
    starts = []
    pos = 12
    while True:
        name, size = image[pos:pos + 4], struct.unpack_from("<I", image, pos + 4)[0]
        if name == b"data":
            return Layout(rf64, found["channels"], found["block_align"], pos + 8, pos + 4,
                          found.get("fact"), found.get("ds64"), found.get("junk"), starts)
        starts.append(pos)
        if name == b"fmt ":
            found["channels"], = struct.unpack_from("<H", image, pos + 10)
            found["block_align"], = struct.unpack_from("<H", image, pos + 20)
        elif name == b"fact":
            found["fact"] = pos + 8
        elif name == b"ds64":
            found["ds64"] = pos + 8
        elif name == b"JUNK" and pos == 12 and size >= 28:
            found["junk"] = pos
        pos += 8 + size + (size & 1)


def _u32(value):
    return struct.pack("<I", value)


def _u64(value):
    return struct.pack("<Q", value)


def damaged(image, lay, sizes):
    """image with its sizes as a cut-off writer leaves them: 'stale' (as
    written), 'zero' or 'fill' (every byte 0xFF)."""
    if sizes == "stale":
        return image
    out = bytearray(image)
    word = b"\0" if sizes == "zero" else b"\xff"
    if lay.aiff:
        out[4:8] = out[lay.data_size_at:lay.data_size_at + 4] = out[lay.fact_at:lay.fact_at + 4] = word * 4
        return bytes(out)
    if lay.rf64:
        out[lay.ds64_at:lay.ds64_at + 24] = word * 24
    else:
        out[4:8] = out[lay.data_size_at:lay.data_size_at + 4] = word * 4
    if lay.fact_at is not None:
        out[lay.fact_at:lay.fact_at + 4] = word * 4
    return bytes(out)


def repair_writes(lay, size):
    """The bytes a repair of a file of this layout and size writes, as
    (offset, bytes): the data runs to the end of the file."""
    data = size - lay.payload
    frames = data // lay.block_align
    if lay.aiff:
        frames = max(0, data - lay.ssnd_offset) // lay.block_align
        return [(4, struct.pack(">I", size - 8)), (lay.data_size_at, struct.pack(">I", data + 8)),
                (lay.fact_at, struct.pack(">I", frames))]
    if lay.rf64:
        return [(lay.ds64_at, _u64(size - 8) + _u64(data) + _u64(frames))]
    if size - 8 > NO_SIZE:
        return [(0, b"RF64"), (4, _u32(NO_SIZE)), (lay.junk_at, b"ds64"),
                (lay.junk_at + 8, _u64(size - 8) + _u64(data) + _u64(frames)),
                (lay.data_size_at, _u32(NO_SIZE))]
    writes = [(4, _u32(size - 8)), (lay.data_size_at, _u32(data))]
    if lay.fact_at is not None:
        writes.append((lay.fact_at, _u32(frames)))
    return writes


@dataclass
class Case:
    path: str               # relative to OUTDIR
    exercises: str
    outcome: str            # "repaired", "already sound" or "unsupported format"
    channels: int = 0
    data_bytes: int = 0     # from the data chunk's payload to the end
    frames: int = 0         # whole frames in them
    writes: list = field(default_factory=list)
    sox_reads: bool = True

    @property
    def large(self):
        return self.path.startswith("large/")


def _writer_output(folder):
    """Every recording the corpus is cut from, by name."""
    return {
        "ffmpeg-list": _ffmpeg(["-c:a", "pcm_s16le"], channels=2, folder=folder),
        "ffmpeg-pipe": _ffmpeg(["-c:a", "pcm_s16le"], piped=True),
        "ffmpeg-alaw": _ffmpeg(["-c:a", "pcm_alaw"], channels=2, folder=folder),
        "ffmpeg-rf64": _ffmpeg(["-c:a", "pcm_s16le", "-rf64", "always"], channels=2, folder=folder),
        "ffmpeg-rf64-pipe": _ffmpeg(["-c:a", "pcm_s16le", "-rf64", "always"], channels=2, piped=True),
        "ffmpeg-junk": _ffmpeg(["-c:a", "pcm_s24le", "-rf64", "auto"], folder=folder),
        "ffmpeg-junk-pipe": _ffmpeg(["-c:a", "pcm_s16le", "-rf64", "auto"], channels=2, piped=True),
        "ffmpeg-adpcm": _ffmpeg(["-c:a", "adpcm_ms"], folder=folder),
        "ffmpeg-gsm": _ffmpeg(["-c:a", "gsm_ms"], folder=folder),
        "sox-24bit": _sox(["-b", "24"], folder=folder),
        "sox-3ch": _sox(["-b", "16"], channels=3, folder=folder),
        "sox-float": _sox(["-e", "floating-point", "-b", "32"], folder=folder),
        "sox-pipe": _sox(["-b", "16"], piped=True),
        "soundfile-float": _soundfile("FLOAT", "WAV", 1, folder=folder),
        "soundfile-wavex": _soundfile("PCM_24", "WAVEX", 2, folder=folder),
        "soundfile-list-after": _soundfile("PCM_16", "WAV", 1, title_after_data=True, folder=folder),
        "python-wave": _python_wave(folder=folder),
        "python-wave-odd": _list_appended(_python_wave(folder=folder, eight_bit_frames=999)),
        "ffmpeg-peak": _ffmpeg(["-c:a", "pcm_s16le", "-write_peak", "on", "-fflags", "+bitexact"], channels=2,
                               folder=folder),
        "python-wave-tagged": _id3_tagged(_python_wave(folder=folder)),
        "sox-aiff": _sox(["-b", "16"], channels=2, folder=folder, name="sox.aiff"),
        "sox-aifc-24bit": _sox(["-b", "24"], folder=folder, name="sox.aifc"),
        "sox-aifc-float": _sox(["-e", "floating-point", "-b", "32"], folder=folder, name="sox.aifc"),
        "ffmpeg-aiff": _ffmpeg(["-c:a", "pcm_s16be"], channels=2, folder=folder, name="ffmpeg.aiff"),
        "ffmpeg-aifc-alaw": _ffmpeg(["-c:a", "pcm_alaw"], folder=folder, name="ffmpeg.aiff"),
        "ffmpeg-aiff-id3": _ffmpeg(["-c:a", "pcm_s24be", "-af", "atrim=end_sample=399", "-write_id3v2", "1",
                                    "-metadata", "title=take one"], folder=folder, name="ffmpeg.aiff"),
        "ffmpeg-aifc-sowt": _ffmpeg(["-c:a", "pcm_s16le"], channels=2, folder=folder, name="ffmpeg.aiff"),
        "ffmpeg-aifc-ima4": _ffmpeg(["-c:a", "adpcm_ima_qt"], folder=folder, name="ffmpeg.aiff"),
        "soundfile-aiff": _soundfile("PCM_16", "AIFF", 1, folder=folder),
        "soundfile-aifc-float": _soundfile("FLOAT", "AIFF", 2, folder=folder),
        "python-aifc": _python_aifc(b"NONE", folder=folder),
    }


# (writer output, where to cut, sizes, what it exercises). Cuts: None keeps
# the whole file; ("frame", n) ends after n frames; ("mid", n) adds half a
# frame; ("data end",) ends with the data chunk; ("in chunk", n) ends 4 bytes
# into the n-th chunk after WAVE, or with n = 0 into the chunk after the data.
REPAIRS = [
    ("python-wave", ("mid", 300), "stale", "canonical 44-byte header, stereo 16-bit"),
    ("python-wave", ("frame", 250), "zero", "canonical header, sizes zeroed"),
    ("ffmpeg-list", ("mid", 301), "stale", "LIST chunk before data"),
    ("ffmpeg-list", ("frame", 123), "zero", "LIST chunk before data, sizes zeroed"),
    ("ffmpeg-pipe", None, "stale", "streamed to a pipe: sizes 0xFFFFFFFF as written"),
    ("ffmpeg-pipe", ("mid", 77), "stale", "streamed to a pipe, cut inside a frame"),
    ("ffmpeg-alaw", ("mid", 200), "stale", "A-law stereo with fact"),
    ("ffmpeg-rf64", ("frame", 150), "stale", "RF64: ds64 sizes stale"),
    ("ffmpeg-rf64", ("mid", 150), "fill", "RF64: ds64 sizes 0xFF..FF"),
    ("ffmpeg-rf64-pipe", ("mid", 99), "stale", "RF64 streamed to a pipe: ds64 zero as written"),
    ("ffmpeg-junk", ("mid", 211), "zero", "JUNK room for ds64 (-rf64 auto), 24-bit, sizes zeroed"),
    ("ffmpeg-junk-pipe", None, "stale", "JUNK room, streamed to a pipe"),
    ("sox-24bit", ("mid", 222), "zero", "extensible 24-bit with fact, sizes zeroed"),
    ("sox-3ch", ("mid", 100), "fill", "extensible 3 channels with fact, sizes 0xFFFFFFFF"),
    ("sox-float", ("frame", 333), "stale", "32-bit float, 18-byte fmt, fact"),
    ("sox-pipe", None, "stale", "streamed to a pipe: placeholder sizes past the end"),
    ("soundfile-float", ("mid", 99), "zero", "float with fact and PEAK, sizes zeroed"),
    ("soundfile-wavex", ("frame", 99), "fill", "extensible 24-bit stereo with fact, sizes 0xFFFFFFFF"),
    ("soundfile-list-after", ("data end",), "stale", "cut where the LIST after the data began"),
    ("sox-aiff", ("mid", 201), "zero", "AIFF 16-bit stereo after a COMT chunk, sizes zeroed"),
    ("sox-aifc-24bit", ("mid", 150), "fill", "AIFF-C 24-bit, sizes 0xFFFFFFFF"),
    ("sox-aifc-float", ("frame", 120), "zero", "AIFF-C fl32, sizes zeroed"),
    ("ffmpeg-aiff", ("mid", 99), "stale", "AIFF 16-bit stereo, sizes as written at the start"),
    ("ffmpeg-aifc-alaw", ("mid", 222), "zero", "AIFF-C alaw, sizes zeroed"),
    ("ffmpeg-aiff-id3", ("mid", 201), "zero", "AIFF 24-bit mono after a NAME chunk, sizes zeroed"),
    ("ffmpeg-aifc-sowt", ("frame", 77), "fill", "AIFF-C sowt stereo, sizes 0xFFFFFFFF"),
    ("soundfile-aiff", ("mid", 300), "zero", "AIFF 16-bit mono, sizes zeroed"),
    ("soundfile-aifc-float", ("mid", 100), "fill", "AIFF-C fl32 stereo, sizes 0xFFFFFFFF"),
    ("python-aifc", ("mid", 111), "zero", "AIFF-C NONE, sizes zeroed"),
]
SOUND = [
    ("python-wave", "canonical header"),
    ("ffmpeg-list", "LIST chunk before data"),
    ("ffmpeg-rf64", "RF64 with ds64"),
    ("ffmpeg-junk", "JUNK room for ds64"),
    ("sox-24bit", "extensible with fact"),
    ("soundfile-float", "float with fact and PEAK"),
    ("soundfile-list-after", "whole LIST chunk after the data"),
    ("ffmpeg-peak", "levl chunk after the data"),
    ("python-wave-odd", "8-bit mono, 999 bytes of data without the pad byte, then LIST"),
    ("python-wave-tagged", "ID3v2 and ID3v1 tags appended after the chunks"),
    ("sox-aiff", "AIFF with a COMT chunk"),
    ("ffmpeg-aifc-alaw", "AIFF-C alaw"),
    ("ffmpeg-aiff-id3", "AIFF 24-bit mono, 399 frames: an odd SSND, then an ID3 chunk"),
]
REFUSALS = [
    ("ffmpeg-adpcm", ("mid", 100), "zero", "compressed: Microsoft ADPCM"),
    ("ffmpeg-gsm", ("frame", 3), "stale", "compressed: GSM 6.10"),
    ("ffmpeg-list", ("in chunk", 2), "stale", "the LIST chunk before the data cut by the end"),
    ("soundfile-list-after", ("in chunk", 0), "stale", "the LIST chunk after a whole data chunk cut"),
    ("ffmpeg-aifc-ima4", ("frame", 3), "zero", "AIFF-C IMA ADPCM"),
]
# Sparse files: (writer output, size, sizes, what it exercises).
LARGE = [
    ("ffmpeg-junk-pipe", FOUR_GIB + 10, "repaired", "JUNK room, 4 GiB + 10 bytes: becomes RF64"),
    ("ffmpeg-junk-pipe", FOUR_GIB + 7, "repaired", "JUNK room, 4 GiB + 7 bytes: RIFF size 0xFFFFFFFF, stays RIFF"),
    ("ffmpeg-rf64-pipe", 5 * (1 << 30) + 3, "repaired", "RF64 cut off at 5 GiB"),
    ("ffmpeg-list", FOUR_GIB + 8, "unsupported format", "no JUNK room, 4 GiB + 8 bytes"),
    ("ffmpeg-aiff", FOUR_GIB + 8, "unsupported format", "AIFF of 4 GiB + 8 bytes"),
]


def _cut_length(image, lay, cut):
    if cut is None:
        return len(image)
    how = cut[0]
    if how == "data end":
        return lay.payload + struct.unpack_from("<I", image, lay.data_size_at)[0]
    if how == "in chunk":
        if cut[1]:
            return lay.chunk_starts[cut[1] - 1] + 12
        return lay.payload + struct.unpack_from("<I", image, lay.data_size_at)[0] + 12
    length = lay.payload + cut[1] * lay.block_align
    return length + (max(1, lay.block_align // 2) if how == "mid" else 0)


def _cut_label(cut, outcome):
    if cut is None:
        return "sound" if outcome == "already sound" else "whole"
    return {"frame": "frames%d", "mid": "frames%d.5", "in chunk": "chunk%d-cut"}.get(cut[0], "dataend") % cut[1:]


def _suffix(image):
    """The name ending readers go by: sox takes the container from it."""
    return {b"AIFF": ".aiff", b"AIFC": ".aifc"}.get(image[8:12], ".wav") if image[:4] == b"FORM" else ".wav"


def _frames(lay, data):
    return max(0, data - lay.ssnd_offset) // lay.block_align


def _write(path, data, size=None):
    with open(path, "wb") as f:
        f.write(data)
        if size is not None:
            f.truncate(size)


def build(outdir, seeds_only=False):
    """Writes the corpus into outdir and returns its cases."""
    seeds = os.path.join(outdir, "seeds")
    scratch = os.path.join(outdir, "writers")
    for folder in (seeds, scratch) + (() if seeds_only else (os.path.join(outdir, "large"),)):
        os.makedirs(folder, exist_ok=True)
    recordings = _writer_output(scratch)
    shutil.rmtree(scratch)
    cases = []

    def add(image, name, cut, sizes, outcome, exercises):
        lay = layout(image)
        image = damaged(image, lay, sizes)[:_cut_length(image, lay, cut)]
        label = [name, _cut_label(cut, outcome)] + ([sizes] if sizes != "stale" else [])
        path = os.path.join("seeds", "-".join(label) + _suffix(image))
        _write(os.path.join(outdir, path), image)
        data = len(image) - lay.payload
        cases.append(Case(path, exercises, outcome, lay.channels, data, _frames(lay, data),
                          repair_writes(lay, len(image)) if outcome == "repaired" else [], lay.sox_reads))

    for name, cut, sizes, exercises in REPAIRS:
        add(recordings[name], name, cut, sizes, "repaired", exercises)
    for name, exercises in SOUND:
        add(recordings[name], name, None, "stale", "already sound", exercises)
    for name, cut, sizes, exercises in REFUSALS:
        add(recordings[name], name, cut, sizes, "unsupported format", exercises)
    if seeds_only:
        return cases
    for name, size, outcome, exercises in LARGE:
        image = recordings[name]
        lay = layout(image)
        path = os.path.join("large", "%s-%dGiB+%d%s" % (name, size >> 30, size & ((1 << 30) - 1), _suffix(image)))
        _write(os.path.join(outdir, path), image, size)
        cases.append(Case(path, exercises, outcome, lay.channels, size - lay.payload, _frames(lay, size - lay.payload),
                          repair_writes(lay, size) if outcome == "repaired" else [], lay.sox_reads))
    return cases


def main(argv):
    if len(argv) < 2 or argv[1].startswith("-"):
        sys.stderr.write("Usage: make_corpus.py OUTDIR [--seeds-only]\n")
        return 64
    missing = missing_writers()
    if missing:
        sys.stderr.write("make_corpus.py: missing writers: %s\n" % ", ".join(missing))
        return 1
    for case in build(argv[1], "--seeds-only" in argv[2:]):
        print("%-52s %-18s %s" % (case.path, case.outcome, case.exercises))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
