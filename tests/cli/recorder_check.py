"""Holds what --recover made of recorder_cards.py's images to the takes as their recorders wrote them, sample by
sample: for each take, the file that holds most of it from its start, how many of its seconds that file holds
exactly, and how far the file runs on past the take.

    recorder_check.py SONORIX_REPAIR CARDS_DIR WORKDIR    the table of seconds written and recovered exactly
"""

import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys


def audio_of(path):
    """The bytes of a WAV file's data chunk (to the file's end where its size says more), and its block align."""
    data = open(path, "rb").read()
    at, align = 12, 0
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        if kind == b"fmt ":
            align = struct.unpack_from("<H", data, at + 20)[0]
        if kind == b"data":
            return data[at + 8:at + 8 + size], align
        at += 8 + size + size % 2
    return b"", align


def along(image, volume, runs, length):
    with open(image, "rb") as f:
        data = bytearray()
        for first, count in runs:
            f.seek(volume["heap_offset"] + (first - 2) * volume["cluster_bytes"])
            data += f.read(count * volume["cluster_bytes"])
    return bytes(data[:length])


def common(a, b):
    """The length of the longest common prefix of a and b."""
    lo, hi = 0, min(len(a), len(b))
    step = 1 << 16
    while lo < hi:
        end = min(hi, lo + step)
        if a[lo:end] == b[lo:end]:
            lo = end
            continue
        while lo < end and a[lo] == b[lo]:
            lo += 1
        return lo
    return lo


def recover(binary, image, out, *options):
    shutil.rmtree(out, ignore_errors=True)
    result = subprocess.run([binary, "--recover", image, "--json", "--output", out, *options], capture_output=True,
                            timeout=600)
    return result.returncode, [json.loads(line) for line in result.stdout.decode().splitlines()]


def judge(takes, outputs, volume, image):
    """Each take's best file: (frames written, frames recovered exactly from the take's start, bytes the file runs
    on past it, the file); and the files whose audio begins in no take."""
    files = {}
    for path in outputs:
        audio, align = audio_of(path)
        if align:
            files[path] = (audio, align)
    results = []
    used = set()
    for take in takes:
        audio = along(image, volume, take["runs"], take["length"])[take["audio_at"]:]
        frame = take["channels"] * take["bits"] // 8
        best = (0, 0, None)
        for path, (got, align) in files.items():
            if align != frame or len(got) < frame:
                continue
            # Where the file's first frames lie in the take (a revived start may come late).
            head = got[:min(len(got), 64 * frame)]
            at = audio.find(head)
            while at >= 0 and at % frame:
                at = audio.find(head, at + 1)
            if at < 0:
                continue
            exact = common(audio[at:], got) // frame
            if exact > best[0]:
                best = (exact, len(got) - (len(audio) - at), path)
        used.add(best[2])
        results.append((take, len(audio) // frame, best[0], max(0, best[1]), best[2]))
    strays = [p for p in files if p not in used]
    return results, strays


def table(binary, cards_dir, work):
    manifest = json.load(open(os.path.join(cards_dir, "manifest.json")))
    rows, lines = {}, []
    for entry in manifest["images"]:
        image, volume = os.path.join(cards_dir, entry["image"]), entry["volume"]
        kind = volume["kind"]
        donor = os.path.join(work, "donor-" + entry["image"] + ".wav")
        d = entry["donors"]["handheld"]
        open(donor, "wb").write(along(image, volume, d["runs"], d["length"]))
        for like in (False, True):
            out = os.path.join(work, entry["image"] + (".like" if like else ""))
            code, objects = recover(binary, image, out, *(["--like", donor] if like else []))
            outputs = [o["output"] for o in objects if o.get("output")]
            results, strays = judge(entry["takes"], outputs, volume, image)
            for take, frames, exact, over, path in results:
                if bool(take["donor"]) != like:
                    continue
                rate = 48000
                key = (take["kind"], kind)
                w, e, n, o = rows.get(key, (0, 0, 0, 0))
                rows[key] = (w + frames / rate, e + exact / rate, n + 1, max(o, over))
                if exact < frames:
                    lines.append("%s %s %s: %.2f of %.2f s exact (%s), runs on %d bytes"
                                 % (kind, take["kind"], take["path"] or take["runs"][0][0], exact / rate,
                                    frames / rate, os.path.basename(path) if path else "no file", over))
            if strays:
                lines.append("%s%s: %d files hold no take from their start: %s" % (
                    kind, " --like" if like else "", len(strays), [os.path.basename(s) for s in strays][:8]))
            lines.append("%s%s: exit status %d, %d objects" % (kind, " --like" if like else "", code, len(objects)))
    return rows, lines


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 64
    rows, lines = table(os.path.abspath(argv[1]), argv[2], argv[3])
    print("%-12s %-6s %6s %10s %10s %12s" % ("kind", "fs", "takes", "written s", "exact s", "most run on"))
    for (kind, fs), (w, e, n, o) in sorted(rows.items()):
        print("%-12s %-6s %6d %10.2f %10.2f %12d" % (kind, fs, n, w, e, o))
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
