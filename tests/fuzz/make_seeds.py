#!/usr/bin/env python3
"""Writes the fuzzing seeds: the small cut-off recordings of real writers
(tests/cli/make_corpus.py) as fuzzing inputs.

    make_seeds.py OUTDIR

An input is five bytes of options and the file's first bytes (see
tests/wave/anylayout/FuzzImage.h). Where the audio does not matter, a seed keeps the
headers and 64 bytes of audio and the rest of the file becomes a hole of
zeros of the same size, so the seed is small and the file as large as before.
The RIFF and RF64 files of the pipe writers and two canonical ones also come
at 4 GiB + 7 and 4 GiB + 10 bytes; files with chunks after the stored data
also without their pad bytes.
"""

import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cli"))
import make_corpus  # noqa: E402

KEEP_TIME = 1
HOLE = 1 << 1
AROUND_4_GIB = 3 << 1
DROP_PADS = 1 << 3
AUDIO_KEPT = 64
PAST_4_GIB = ("ffmpeg-junk-pipe-whole", "ffmpeg-rf64-pipe-frames99.5", "python-wave-sound", "ffmpeg-list-sound")


def seed(options, n, image):
    return struct.pack("<Bi" if n < 0 else "<BI", options, n) + image


def headers_alone(image):
    """The image's headers and the start of its audio, or None where what
    follows the stored data reads as a chunk or the layout is cut."""
    try:
        lay = make_corpus.layout(image)
    except (KeyError, struct.error):
        return None
    stored = struct.unpack_from(">I" if lay.aiff else "<I", image, lay.data_size_at)[0]
    if lay.aiff:
        stored = max(0, stored - 8)  # SSND's size counts its offset and block size
    end = lay.payload + stored + (stored & 1)
    if end + 4 <= len(image) and reads_as_chunk(image[end:end + 4]):
        return None
    return image[:lay.payload + AUDIO_KEPT]


def reads_as_chunk(tag):
    return tag[0] != 0x20 and all(0x20 <= c <= 0x7E for c in tag)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("Usage: make_seeds.py OUTDIR\n")
        return 64
    missing = make_corpus.missing_writers()
    if missing:
        sys.stderr.write("make_seeds.py: missing writers: %s\n" % ", ".join(missing))
        return 1
    os.makedirs(argv[1], exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        for case in make_corpus.build(work, seeds_only=True):
            with open(os.path.join(work, case.path), "rb") as f:
                image = f.read()
            name = os.path.splitext(os.path.basename(case.path))[0]
            kept = headers_alone(image)
            inputs = {name: seed(KEEP_TIME, 0, image) if kept is None
                      else seed(KEEP_TIME | HOLE, len(image) - len(kept), kept)}
            if kept is None:
                inputs[name + "-unpadded"] = seed(KEEP_TIME | DROP_PADS, 0, image)
            if name in PAST_4_GIB:
                head = kept if kept is not None else image
                inputs[name + "-4GiB+7"] = seed(KEEP_TIME | AROUND_4_GIB, -1, head)
                inputs[name + "-4GiB+10"] = seed(KEEP_TIME | AROUND_4_GIB, 2, head)
            for label, data in inputs.items():
                with open(os.path.join(argv[1], label), "wb") as f:
                    f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
