#!/usr/bin/env python3
"""Cards as recorders leave them after a power loss, where the card's own records are half written: FAT32 and exFAT
of 32 KiB clusters, as SD cards are formatted, each holding every layout below, and a manifest of the takes.

    recorder_cards.py OUTDIR [--scale S] [--variant V]
        the two images and OUTDIR/manifest.json; S scales every take's length, and variant V (0 as tested) hears other
        moments of the sources, with other noise floors, voices and runs

- partial: the entry says 0 bytes and the FAT holds only the take's first tenth (a recorder that writes its FAT now
  and then); the rest lies in the clusters after.
- flushed: entry, chain and header say a third of the take (a recorder that writes its entry too).
- jpeg: a take that begins where a deleted photo was: the photo's entry still names the take's first cluster; the
  take's own entry names none. And a take written over a deleted, finished take whose entry still names it.
- contiguous (exFAT): an entry without a FAT chain whose size and header say a quarter of the clusters' sound.
- older: a newer take written over the start of an older one of the same format, ending at a sector boundary in the
  middle of a cluster or at a cluster's end, the older one's sound right after it.
- handheld: a 4-channel recorder's two stereo files (24-bit, bext), created at REC with 0 bytes, their header and
  chain written only at STOP: interleaved in runs of 17, 17, 16 and 16 clusters, no header, no chain. A finished
  pair of the same mode (the donor) is on the card too. A coincident pair and microphones set apart.
- console: a mixing console's mono files (24-bit), one per channel, headers written at REC, written in turn a
  cluster each; inputs with nothing plugged in hold only their noise floor. 16 channels; on exFAT 32 more.

manifest.json: images, each with its volume (as make_card_images.py gives it) and its takes: the take's path (or
null where no entry names it), kind, runs, length, where its audio begins, its format, the donor it needs to be
revived (null where its header survives), and its audio's SHA-256.
"""

import hashlib
import json
import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_card_images as cards  # noqa: E402
import recorder_takes as takes  # noqa: E402
from recorder_takes import Track  # noqa: E402

MIB = 1 << 20
CLUSTER = 32 * 1024


def volume(out, name, kind):
    """An empty FAT32 (2 GiB, the least FAT32 takes with 32 KiB clusters) or exFAT volume of 32 KiB clusters."""
    return cards.make_volume(os.path.join(out, name), kind, 2100 * MIB if kind == "FAT32" else 640 * MIB, CLUSTER)


class Card:
    """A volume being filled with takes, and the manifest of what each take is."""

    def __init__(self, vol, sources, scale, variant=0):
        self.v, self.sources, self.scale, self.takes = vol, sources, scale, []
        # Another variant hears other moments of the sources, and its recorders write in other runs.
        self.variant, self.rng = variant, random.Random(variant)

    def seconds(self, s):
        return max(0.5, s * self.scale)

    def note(self, kind, file, data, audio_at, channels, bits, donor=None, runs=None, length=None, path=None):
        length = len(data) if length is None else length
        audio = data[audio_at:length]
        self.takes.append({"kind": kind, "path": path if path is not None else (
            file["path"] if file and file["first"] else None), "runs": runs or file["runs"], "length": length,
            "audio_at": audio_at, "channels": channels, "bits": bits, "donor": donor,
            "sha256": hashlib.sha256(audio).hexdigest()})

    def stereo(self, heard, seconds, bits=16, floor=2e-4, seed=0, spacing=3):
        """A stereo pair hearing sources: (name, gain) each, the right microphone spacing samples later."""
        left = Track([(n, g, 0) for n, g in heard], floor, seed)
        right = Track([(n, g * 0.8, spacing) for n, g in heard], floor, seed + 1)
        return takes.frames_bytes(takes.scene(self.sources, [left, right], seconds, bits, moment=seed + 17 * self.variant), bits)

    def partial(self, name, heard, seconds, chained_share, flushed=False):
        """A take whose chain (and, flushed, entry and header) stops at chained_share of it."""
        audio = self.stereo(heard, self.seconds(seconds), seed=int(name[4:8]))
        data = takes.wav(audio, 2, 16, sizes=False)
        clusters = self.v.free(self.v.need(data))
        chained = clusters[:max(1, int(len(clusters) * chained_share))]
        size = len(chained) * CLUSTER - 700 if flushed else 0
        if flushed:
            data = data[:4] + struct.pack("<I", size - 8) + data[8:40] + struct.pack("<I", size - 44) + data[44:]
        self.v.put(clusters, data)
        self.v.chain(chained)
        self.v.allocate(chained, True)
        file = {"path": "DCIM/" + name, "state": "recorder", "first": clusters[0], "size": size, "deleted": False,
                "length": len(data), "runs": cards.runs_of(clusters), "chain": "end", "owned": False}
        self.v.entry(file, chained=True)
        self.v.files.append(file)
        self.note("flushed" if flushed else "partial", file, data, 44, 2, 16)

    def jpeg(self, heard, seconds):
        """A deleted photo whose first cluster the take's begins at; the take's own entry names no cluster."""
        photo = b"\xff\xd8\xff\xe0\0\x10JFIF\0" + bytes(range(256)) * 80
        first = self.v.free(1)[0]
        self.v.taken.discard(first)
        self.v.record("DCIM/D00000.JPG", photo, "deleted", clusters=[first])
        audio = self.stereo(heard, self.seconds(seconds), seed=5)
        data = takes.wav(audio, 2, 16, sizes=False)
        clusters = [first] + self.v.free(self.v.need(data) - 1, start=first + 1)
        file = self.v.record("DCIM/ZOOM0103.WAV", data, "unchained", clusters=clusters)
        self.note("jpeg", file, data, 44, 2, 16)
        # A finished take, deleted, then written over by a new one whose entry names no cluster.
        old = takes.wav(self.stereo([("tone:440", 0.5)], 1.0, seed=7), 2, 16)
        at = self.v.free(self.v.need(old))
        for c in at:
            self.v.taken.discard(c)
        self.v.record("DCIM/ZOOM0090.WAV", old, "deleted", clusters=at)
        audio = self.stereo(heard[::-1], self.seconds(seconds * 0.8), seed=9)
        data = takes.wav(audio, 2, 16, sizes=False)
        clusters = at[:self.v.need(data)] + (self.v.free(self.v.need(data) - len(at), start=at[-1] + 1)
                                             if self.v.need(data) > len(at) else [])
        file = self.v.record("DCIM/ZOOM0104.WAV", data, "unchained", clusters=clusters)
        self.note("jpeg", file, data, 44, 2, 16)

    def contiguous(self, name, heard, seconds, share, aligned, allocated=False):
        """exFAT: a file without a chain whose size (and header) say share of what its clusters hold; allocated, its
        data length takes in every cluster (a recorder that allocates ahead) while its valid length says share."""
        audio = self.stereo(heard, self.seconds(seconds), seed=11)
        data = takes.wav(audio, 2, 16, sizes=False)
        clusters = self.v.free(self.v.need(data))
        held = max(1, int(len(clusters) * share))
        size = held * CLUSTER if aligned else held * CLUSTER - 1000
        data = data[:4] + struct.pack("<I", size - 8) + data[8:40] + struct.pack("<I", size - 44) + data[44:]
        self.v.put(clusters, data)
        self.v.allocate(clusters if allocated else clusters[:held], True)
        file = {"path": "DCIM/" + name, "state": "recorder", "first": clusters[0],
                "size": len(clusters) * CLUSTER if allocated else size, "valid": size, "deleted": False,
                "length": len(data), "runs": cards.runs_of(clusters), "chain": "none", "owned": False}
        self.v.entry(file, chained=False)
        self.v.files.append(file)
        self.note("contiguous", file, data, 44, 2, 16)

    def older(self, name, newer_heard, older_heard, seconds, at_cluster_end):
        """A newer take over an older one of the same format whose entry is gone; the newer one ends at a sector
        boundary inside a cluster, or at a cluster's end, and the older one's sound goes on right after it."""
        old = takes.wav(self.stereo(older_heard, self.seconds(seconds * 2.5), seed=13), 2, 16, sizes=False)
        clusters = self.v.free(self.v.need(old))
        self.v.put(clusters, old)
        frames = int(self.seconds(seconds) * takes.RATE)
        unit = CLUSTER if at_cluster_end else 512
        # 44 + 4 * frames a multiple of unit, and not of the cluster where it is to end inside one.
        frames -= (44 + 4 * frames) % unit // 4
        if not at_cluster_end and (44 + 4 * frames) % CLUSTER == 0:
            frames -= 128
        new = takes.wav(self.stereo(newer_heard, frames / takes.RATE + 0.01, seed=17)[:4 * frames], 2, 16,
                        sizes=False)
        used = clusters[:self.v.need(new)]
        file = self.v.record("DCIM/" + name, new, "first-only", clusters=used)
        self.note("older", file, new, 44, 2, 16)

    def handheld(self, stem, heard, seconds, spaced, named=True):
        """A 4-channel recorder's two stereo files of one scene, without header or chain, in runs of 17, 17, 16, 16
        clusters; a coincident pair of each, or each pair's microphones set apart."""
        gap = 140 if spaced else 0
        pairs = []
        for pair, (delay, gains) in enumerate([(0, (1.0, 0.75)), (290, (0.6, 0.9))]):
            left = Track([(n, g * gains[0], delay) for n, g in heard], 3e-4, 20 + 2 * pair)
            right = Track([(n, g * gains[1], delay + gap) for n, g in heard], 3e-4, 21 + 2 * pair)
            pairs.append(takes.scene(self.sources, [left, right], self.seconds(seconds), 24, moment=int(stem[-1]) * 3 + 17 * self.variant))
        bext = takes.bext_chunk("4ch take")
        header = len(takes.wav(b"", 2, 24, bext=bext))
        files = [b"\0" * header + takes.frames_bytes(p, 24) for p in pairs]
        need = [self.v.need(f) for f in files]
        region = self.v.free(sum(need))
        owned, left, i, pattern = [[], []], list(need), 0, [17, 17, 16, 16] if not self.variant else self.runs()
        k = 0
        while region:
            n = min(pattern[k % 4], left[i])
            owned[i], region, left[i] = owned[i] + region[:n], region[n:], left[i] - n
            k += 1
            i = 1 - i if left[1 - i] else i
        for which, data in enumerate(files):
            path = "DCIM/%s%s.WAV" % (stem, "AB"[which])
            file = self.v.record(path, data, "first-only" if named else "unchained", clusters=owned[which])
            self.note("handheld", file, data, header, 2, 24, donor="handheld", path=path if named else None)

    def runs(self):
        """Another recorder's runs: both files alike in each turn (their buffers hold as much time), a length that
        alternates with the next where a buffer holds no whole number of clusters."""
        a, extra = self.rng.choice([4, 8, 16, 32]), self.rng.choice([0, 1])
        return [a, a, a + extra, a + extra]

    def donor_pair(self):
        """A finished take of the 4-channel mode: its file is the donor of --like."""
        bext = takes.bext_chunk("4ch take")
        tracks = takes.scene(self.sources, [Track([("chords:2", 0.5, 0)], 3e-4, 40),
                                            Track([("chords:2", 0.4, 0)], 3e-4, 41)], 0.5, 24)
        data = takes.wav(takes.frames_bytes(tracks, 24), 2, 24, bext=bext)
        file = self.v.record("DCIM/4CH0000A.WAV", data, "live")
        return {"handheld": {"runs": file["runs"], "length": len(data)}}

    def console(self, folder, channels, seconds, silent):
        """A console's mono files, a cluster each in turn; the last `silent` channels hold only their noise floor."""
        voices = ["speech:0", "chords:0", "chords:1", "speech:2", "tone:110", "room:3", "speech:1", "chords:3",
                  "room:5", "tone:659"]
        tracks = []
        for k in range(channels):
            floor = 3e-5 * (1 + (k + self.variant) % 5)
            if k >= channels - silent:
                tracks.append(Track([], floor, 100 + k))
            else:
                main, bleed = voices[(k + self.variant) % len(voices)], voices[(k + 3 + 2 * self.variant) % len(voices)]
                tracks.append(Track([(main, 0.6, 0), (bleed, 0.05, 40 + 7 * k)], floor, 100 + k))
        samples = takes.scene(self.sources, tracks, self.seconds(seconds), 24, moment=channels + 17 * self.variant)
        files = [takes.wav(takes.frames_bytes([s], 24), 1, 24, sizes=False) for s in samples]
        n = self.v.need(files[0])
        region = self.v.free(n * channels)
        if folder != "DCIM":
            self.v.mkdir(folder)
        for k, data in enumerate(files):
            file = self.v.record("%s/CH%02d.WAV" % (folder, k + 1), data, "first-only", clusters=region[k::channels])
            self.note("console", file, data, 44, 1, 24)


def build(out, scale=1.0, variant=0):
    """Makes both images in out; returns the manifest."""
    os.makedirs(out, exist_ok=True)
    sources = takes.Sources(60 * scale + 5, os.path.join(out, "sources"))
    images = []
    for name, kind in (("fat32-recorders.img", "FAT32"), ("exfat-recorders.img", "exFAT")):
        card = Card(volume(out, name, kind), sources, scale, variant)
        card.v.mkdir("DCIM")
        donors = card.donor_pair()
        card.partial("ZOOM0101.WAV", [("speech:0", 0.5), ("room:1", 0.3)], 20, 0.1)
        card.partial("ZOOM0102.WAV", [("chords:1", 0.5), ("room:2", 0.3)], 18, 0.3, flushed=True)
        card.jpeg([("speech:1", 0.5), ("chords:0", 0.3)], 10)
        if kind == "exFAT":
            card.contiguous("ZOOM0105.WAV", [("tone:1000", 0.4), ("room:4", 0.05)], 8, 0.25, aligned=False)
            card.contiguous("ZOOM0106.WAV", [("speech:3", 0.5), ("room:4", 0.2)], 8, 0.25, aligned=True)
            card.contiguous("ZOOM0111.WAV", [("chords:2", 0.5), ("room:4", 0.2)], 8, 0.25, aligned=False,
                            allocated=True)
        card.older("ZOOM0107.WAV", [("speech:0", 0.5), ("chords:2", 0.3)], [("speech:3", 0.5), ("chords:2", 0.3)],
                   6, at_cluster_end=False)
        card.older("ZOOM0108.WAV", [("chords:3", 0.5), ("room:6", 0.2)], [("chords:1", 0.5), ("room:6", 0.2)],
                   6, at_cluster_end=True)
        # A steady tone over an older take of the same tone.
        card.older("ZOOM0110.WAV", [("tone:1000", 0.4), ("room:6", 0.05)], [("tone:1000", 0.4), ("room:6", 0.05)], 5,
                   at_cluster_end=True)
        card.handheld("4CH0001", [("speech:1", 0.5), ("chords:3", 0.3), ("room:8", 0.2)], 12, spaced=False)
        card.handheld("4CH0002", [("speech:2", 0.5), ("chords:0", 0.3), ("room:9", 0.2)], 12, spaced=True)
        if kind == "exFAT":
            card.handheld("4CH0003", [("speech:0", 0.5), ("tone:330", 0.2), ("room:7", 0.2)], 8, spaced=False,
                          named=False)
        card.console("DCIM", 16, 20, 6)
        if kind == "exFAT":
            card.console("MULTI", 32, 6, 8)
        manifest = card.v.finish()
        cards.confirm(os.path.join(out, name), manifest)
        images.append({"image": name, "volume": manifest, "takes": card.takes, "donors": donors})
    with open(os.path.join(out, "manifest.json"), "w") as f:
        json.dump({"images": images}, f, indent=1)
    return {"images": images}


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 64
    try:
        for name in ("mkfs.vfat", "mkfs.exfat", "mcopy", "fls", "istat", "ifind", "sox", "ffmpeg", "espeak-ng"):
            cards.tool(name)
        options = dict(zip(argv[2::2], argv[3::2]))
        manifest = build(argv[1], float(options.get("--scale", 1)), int(options.get("--variant", 0)))
        print("%d card images in %s, %d takes, confirmed by The Sleuth Kit"
              % (len(manifest["images"]), argv[1], sum(len(i["takes"]) for i in manifest["images"])))
        return 0
    except cards.Missing as missing:
        print("recorder_cards: %s" % missing, file=sys.stderr)
        return 77


if __name__ == "__main__":
    sys.exit(main(sys.argv))
