#!/usr/bin/env python3
"""Makes images of cards as recorders leave them, and a manifest of what each holds.

    make_card_images.py OUTDIR [--seconds S]   the cases of build(), and OUTDIR/manifest.json
    make_card_images.py --seeds OUTDIR         small inputs for fuzz_volume, and some that draw their cards

mkfs.vfat and mkfs.exfat make the volumes; mtools writes ordinary files into FAT; the writers here
write recordings and put entries, chains and bitmaps into the state of each case (Volume.record).
The Sleuth Kit then confirms each image (confirm()), or the script fails. Exits 77, saying why,
when a tool is missing.

manifest.json: images, each with its volumes (offset, kind, geometry, damage done after the check),
each with its files (path as a reader lists it, short name, state, the entry's first cluster and
size, exFAT's valid length and contiguous flag, the recording's true length and cluster runs, how
its chain ends: "end", "none" or "loop", whether live entries own its clusters) and lost chains.
"""

import io
import json
import math
import os
import random
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import wave
import zlib

MIB = 1 << 20


class Missing(Exception):
    pass


def tool(name):
    """A program on PATH or, for an ordinary user without them on PATH, in /usr/sbin or /sbin."""
    found = shutil.which(name) or shutil.which(name, path="/usr/sbin:/sbin")
    if not found:
        raise Missing("%s is missing (tools/install-deps: dosfstools, exfatprogs, mtools, sleuthkit)" % name)
    return found


def run(*args):
    # mtools stamps what it writes at SOURCE_DATE_EPOCH, in the time zone of TZ.
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1", MTOOLSRC="/dev/null", SOURCE_DATE_EPOCH="1704067200", TZ="UTC")
    return subprocess.run([tool(args[0])] + [str(a) for a in args[1:]], check=True, capture_output=True,
                          timeout=60, env=env).stdout.decode("utf-8", "replace")


def recording(seconds, frequency, rate=48000, hiss=0):
    """A 16-bit stereo WAV file of a tone, the right channel twice the left, in a room's noise of up to hiss."""
    rng = random.Random(frequency)
    frames = (6000 * math.sin(2 * math.pi * frequency * n / rate) + rng.randint(-hiss, hiss)
              for n in range(int(seconds * rate)))
    return stereo([int(v * (1 + i)) for v in frames for i in range(2)], rate)


def stereo(samples, rate):
    import array
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(array.array("h", samples).tobytes())
    return out.getvalue()


def as_left(data, size):
    """The recording's canonical header with the sizes a recorder left: those of size bytes, or none (0)."""
    return data[:4] + struct.pack("<I", max(size - 8, 0)) + data[8:40] + struct.pack("<I", max(size - 44, 0)) + data[44:]


def runs_of(clusters):
    runs = []
    for c in clusters:
        if runs and runs[-1][0] + runs[-1][1] == c:
            runs[-1][1] += 1
        else:
            runs.append([c, 1])
    return runs


def checksum(data, bits, skip=()):
    """The rotate-and-add sum of FAT long names (8 bits), exFAT entry sets (16 bits) and boot regions (32 bits)."""
    total = 0
    for i, byte in enumerate(data):
        if i not in skip:
            total = (((total & 1) << (bits - 1)) + (total >> 1) + byte) & ((1 << bits) - 1)
    return total


class Volume:
    """What the FAT and exFAT writers share: the volume's file, clusters, chains, folders, the manifest."""

    def __init__(self, path):
        self.path = path
        self.f = open(path, "r+b")
        self.taken, self.folders, self.files, self.lost = set(), {}, [], []

    def read(self, at, n):
        self.f.seek(at)
        return self.f.read(n)

    def write(self, at, data):
        self.f.seek(at)
        self.f.write(data)

    def at(self, cluster):
        return self.heap + (cluster - 2) * self.cluster

    def need(self, data):
        return max(1, -(-len(data) // self.cluster))

    def put(self, clusters, data):
        """Writes data into clusters in whole sectors, as a recorder does: the rest of the last cluster keeps what
        was there."""
        for i, c in enumerate(clusters):
            piece = data[i * self.cluster:(i + 1) * self.cluster]
            self.write(self.at(c), piece.ljust(-(-len(piece) // 512) * 512, b"\0"))
        self.taken.update(clusters)

    def free(self, n, start=2):
        """The first n clusters in a row from start that nothing holds."""
        c = start
        while c + n <= self.count + 2:
            busy = [x for x in range(c, c + n) if x in self.taken or not self.is_free(x)]
            if not busy:
                self.taken.update(range(c, c + n))
                return list(range(c, c + n))
            c = busy[-1] + 1
        raise RuntimeError("no %d free clusters" % n)

    def chain(self, clusters, last=None):
        for a, b in zip(clusters, clusters[1:] + [self.end if last is None else last]):
            self.set(a, b)

    def slots(self, folder, n):
        """n unused entries in a row in folder, after the last one used."""
        where = self.folders[folder]
        offsets = list(range(self.root_at, self.root_at + self.root_bytes, 32)) if where is None else \
            list(range(self.at(where), self.at(where) + self.cluster, 32))
        used = [i for i, at in enumerate(offsets) if self.read(at, 1) != b"\0"]
        first = used[-1] + 1 if used else 0
        if first + n > len(offsets):
            raise RuntimeError("folder %r is full" % folder)
        return offsets[first:first + n]

    def record(self, path, data, state, clusters=None, chained=True, **extra):
        """Writes a recording into clusters (free ones in a row unless given) and leaves its entry in state:
        live (whole), zero (size 0, chain written), unchained (size 0, no first cluster, no chain),
        first-only (size 0, first cluster, no chain), stale (the size of its first tenth, which its header
        states too), deleted (entry deleted with its size, no chain, exFAT's bitmap cleared), lost (a chain and
        no entry). A recording that lost power has the sizes of its header at 0. exFAT files without a chain
        are contiguous (NoFatChain) where their clusters lie in a row."""
        clusters = clusters or self.free(self.need(data))
        size = {"live": len(data), "deleted": len(data), "stale": len(data) // 10}.get(state, 0)
        self.put(clusters, data if state in ("live", "deleted") else as_left(data, size))
        chain = "end" if state in ("live", "zero", "stale", "lost") and chained else "none"
        if chain == "end":
            self.chain(clusters)
        self.allocate(clusters, state != "deleted")
        file = {"path": path, "state": state, "first": 0 if state == "unchained" else clusters[0],
                "size": size, "deleted": state == "deleted",
                "length": len(data), "runs": runs_of(clusters), "chain": chain,
                "owned": {"live": True, "zero": chain == "end", "stale": chain == "end" or None}.get(state, False)}
        file.update(extra)
        if state == "lost":
            self.lost.append({"first": clusters[0], "clusters": len(clusters)})
        else:
            self.entry(file, chained=chain == "end" or len(file["runs"]) > 1)
            if state == "deleted":
                self.delete(file)
        self.files.append(file)
        return file

    def interleave(self, takes, run, state="first-only"):
        """Recordings written at once, their clusters alternating in runs of run clusters."""
        left = [self.need(data) for _, data in takes]
        region, owned, i = self.free(sum(left)), [[] for _ in takes], 0
        while region:
            n = min(run, left[i])
            owned[i], region, left[i] = owned[i] + region[:n], region[n:], left[i] - n
            i = (i + 1) % len(takes)
            while left[i] == 0 and any(left):
                i = (i + 1) % len(takes)
        return [self.record(path, data, state, clusters=owned[k]) for k, (path, data) in enumerate(takes)]

    def mkdir(self, path):
        c = self.free(1)[0]
        self.write(self.at(c), b"\0" * self.cluster)
        folder = {"path": path, "state": "live", "first": c, "size": self.cluster if self.exfat else 0,
                  "deleted": False, "length": 0, "runs": [[c, 1]], "chain": "none", "owned": True, "directory": True}
        self.start_folder(folder)
        self.entry(folder, chained=False, attributes=0x10)
        self.folders[path] = c
        self.files.append(folder)

    def finish(self, offset=0):
        self.f.close()
        for file in self.files:
            file.pop("slots", None)
        return {"offset": offset, "kind": self.kind, "cluster_bytes": self.cluster, "cluster_count": self.count,
                "heap_offset": offset + self.heap, "files": self.files, "lost": self.lost, "damage": None}


class Fat(Volume):
    """A FAT12, FAT16 or FAT32 volume made by mkfs.vfat."""
    exfat = False

    def __init__(self, path):
        super().__init__(path)
        b = self.read(0, 512)
        sector, per, reserved, self.fats, entries, total = struct.unpack_from("<HBHBHH", b, 11)
        total = total or struct.unpack_from("<I", b, 32)[0]
        self.fat_bytes = (struct.unpack_from("<H", b, 22)[0] or struct.unpack_from("<I", b, 36)[0]) * sector
        self.cluster, self.fat_at = sector * per, reserved * sector
        self.root_at, self.root_bytes = self.fat_at + self.fats * self.fat_bytes, entries * 32
        self.heap = self.root_at + -(-self.root_bytes // sector) * sector
        self.count = (total * sector - self.heap) // self.cluster
        self.kind = "FAT12" if self.count < 4085 else "FAT16" if self.count < 65525 else "FAT32"
        self.width = int(self.kind[3:])
        self.end = (1 << self.width) - 1 & 0x0FFFFFFF
        self.folders[""] = struct.unpack_from("<I", b, 44)[0] if self.kind == "FAT32" else None
        self.shorts = set()

    def get(self, c):
        if self.width == 12:
            pair = struct.unpack("<H", self.read(self.fat_at + c * 3 // 2, 2))[0]
            return pair >> 4 if c % 2 else pair & 0xFFF
        return int.from_bytes(self.read(self.fat_at + c * self.width // 8, self.width // 8), "little") & 0x0FFFFFFF

    def set(self, c, value):
        for at in range(self.fat_at, self.fat_at + self.fats * self.fat_bytes, self.fat_bytes):
            if self.width == 12:
                pair = struct.unpack("<H", self.read(at + c * 3 // 2, 2))[0]
                pair = (pair & 0xF) | (value << 4) if c % 2 else (pair & 0xF000) | value
                self.write(at + c * 3 // 2, struct.pack("<H", pair))
            else:
                self.write(at + c * self.width // 8, value.to_bytes(self.width // 8, "little"))

    def is_free(self, c):
        return self.get(c) == 0

    def allocate(self, clusters, used):
        pass

    def short_name(self, name):
        """The 8.3 name (11 bytes) and whether the name needs a long one."""
        base, _, ext = name.rpartition(".") if "." in name else (name, "", "")
        if re.fullmatch(r"[A-Z0-9_~-]{1,8}", base) and re.fullmatch(r"[A-Z0-9_-]{0,3}", ext):
            return base.ljust(8) + ext.ljust(3), False
        stem, ext, n = re.sub(r"[^A-Z0-9]", "", base.upper())[:6] or "X", re.sub(r"[^A-Z0-9]", "", ext.upper())[:3], 1
        while ("%s~%d" % (stem, n)).ljust(8) + ext.ljust(3) in self.shorts:
            n += 1
        return ("%s~%d" % (stem, n)).ljust(8) + ext.ljust(3), True

    @staticmethod
    def short_entry(name, attributes, first, size):
        day = 44 << 9 | 1 << 5 | 1
        return name + struct.pack("<BBBHHHHHHHI", attributes, 0, 0, 0, day, day, first >> 16, 0, day, first & 0xFFFF,
                                  size)

    def entry(self, file, chained, attributes=0x20):
        folder, _, name = file["path"].rpartition("/")
        short, long_name = self.short_name(name)
        self.shorts.add(short)
        parts = []
        if long_name:
            units = name.encode("utf-16-le") + (b"\0\0" if len(name) % 13 else b"")
            units = units.ljust(-(-len(units) // 26) * 26, b"\xff")
            count, total = len(units) // 26, checksum(short.encode(), 8)
            for k in range(count, 0, -1):
                u = units[(k - 1) * 26:k * 26]
                parts.append(bytes([k | (0x40 if k == count else 0)]) + u[:10] + bytes([0x0F, 0, total]) + u[10:22]
                             + b"\0\0" + u[22:])
        slots = self.slots(folder, len(parts) + 1)
        for at, part in zip(slots, parts + [self.short_entry(short.encode(), attributes, file["first"], file["size"])]):
            self.write(at, part)
        file.update(short=short[:8].rstrip() + ("." + short[8:].rstrip() if short[8:].strip() else ""), slots=slots,
                    long=long_name)

    def delete(self, file):
        for at in file["slots"]:
            self.write(at, b"\xe5")
        # Without a long name, a reader has lost the first character.
        if not file["long"]:
            file["short"] = "_" + file["short"][1:]
            folder = file["path"].rpartition("/")[0]
            file["path"] = folder + "/" + file["short"] if folder else file["short"]

    def start_folder(self, folder):
        c, parent = folder["first"], self.folders[folder["path"].rpartition("/")[0]]
        self.chain([c])
        folder["chain"] = "end"
        # ".." of a folder in the root names cluster 0.
        self.write(self.at(c), self.short_entry(b".          ", 0x10, c, 0)
                   + self.short_entry(b"..         ", 0x10, parent if "/" in folder["path"] else 0, 0))

    def copy_in(self, path, data):
        """An ordinary file that mtools writes, whole."""
        with tempfile.NamedTemporaryFile() as local:
            local.write(data)
            local.flush()
            self.f.flush()
            run("mcopy", "-i", self.path, local.name, "::/" + path)
        short = self.short_name(path.rpartition("/")[2])[0]
        where = self.folders[path.rpartition("/")[0]]
        base = self.root_at if where is None else self.at(where)
        at = next(a for a in range(base, base + 4096, 32) if self.read(a, 11) == short.encode())
        hi, lo, size = struct.unpack_from("<H4xHI", self.read(at + 20, 12))
        clusters = [hi << 16 | lo]
        while 2 <= self.get(clusters[-1]) < self.count + 2:
            clusters.append(self.get(clusters[-1]))
        self.files.append({"path": path, "short": short[:8].rstrip() + "." + short[8:].rstrip(), "state": "live",
                           "first": clusters[0], "size": size, "deleted": False, "length": size,
                           "runs": runs_of(clusters), "chain": "end", "owned": True})


class ExFat(Volume):
    """An exFAT volume made by mkfs.exfat."""
    exfat, end = True, 0xFFFFFFFF

    def __init__(self, path):
        super().__init__(path)
        b = self.read(0, 512)
        fat_at, _, heap, self.count, root = struct.unpack_from("<IIIII", b, 80)
        sector = 1 << b[108]
        self.cluster, self.fat_at, self.heap, self.kind = sector << b[109], fat_at * sector, heap * sector, "exFAT"
        self.folders[""] = root
        self.bitmap = next(self.at(struct.unpack_from("<I", self.read(a + 20, 4))[0]) for a in
                           range(self.at(root), self.at(root) + self.cluster, 32) if self.read(a, 1) == b"\x81")

    def get(self, c):
        return struct.unpack("<I", self.read(self.fat_at + 4 * c, 4))[0]

    def set(self, c, value):
        self.write(self.fat_at + 4 * c, struct.pack("<I", value))

    def is_free(self, c):
        return not self.read(self.bitmap + (c - 2) // 8, 1)[0] >> (c - 2) % 8 & 1 and self.get(c) == 0

    def allocate(self, clusters, used):
        for c in clusters:
            byte, bit = self.read(self.bitmap + (c - 2) // 8, 1)[0], 1 << (c - 2) % 8
            self.write(self.bitmap + (c - 2) // 8, bytes([byte | bit if used else byte & ~bit]))

    def entry(self, file, chained, attributes=0x20):
        """A File entry, its Stream Extension and File Name entries, with the set's checksum."""
        folder, _, name = file["path"].rpartition("/")
        names, stamp = -(-len(name) // 15), (44 << 9 | 1 << 5 | 1) << 16
        file.setdefault("valid", file["size"])
        flags = 1 | (0 if chained or file["first"] == 0 else 2)
        file["contiguous"] = bool(flags & 2)
        blob = struct.pack("<BBHH2xIII2xBBB7x", 0x85, 1 + names, 0, attributes, stamp, stamp, stamp, 0x80, 0x80, 0x80)
        blob += struct.pack("<BBxBH2xQ4xIQ", 0xC0, flags, len(name), checksum(name.upper().encode("utf-16-le"), 16),
                            file["valid"], file["first"], file["size"])
        blob += b"".join(b"\xc1\0" + name[k * 15:(k + 1) * 15].encode("utf-16-le").ljust(30, b"\0")
                         for k in range(names))
        blob = blob[:2] + struct.pack("<H", checksum(blob, 16, skip=(2, 3))) + blob[4:]
        file["slots"] = self.slots(folder, len(blob) // 32)
        for k, at in enumerate(file["slots"]):
            self.write(at, blob[k * 32:(k + 1) * 32])

    def delete(self, file):
        for at in file["slots"]:
            self.write(at, bytes([self.read(at, 1)[0] & 0x7F]))

    def start_folder(self, folder):
        self.allocate([folder["first"]], True)


def fixed_serial(path, serial=0x5A0C2024):
    """mkfs.exfat takes the serial from the clock: set in both boot regions, with their checksums redone."""
    with open(path, "r+b") as f:
        shift = f.read(512)[108]
        for region in (0, 12 << shift):
            f.seek(region)
            sectors = bytearray(f.read(11 << shift))
            struct.pack_into("<I", sectors, 100, serial)
            f.seek(region)
            f.write(sectors + struct.pack("<I", checksum(sectors, 32, skip=(106, 107, 112))) * ((1 << shift) // 4))


def make_volume(path, kind, size, cluster=None, sector=512):
    """An empty volume in a sparse file: FAT32 of 4 KiB clusters (512 bytes where it is too small for the
    65525 clusters FAT32 needs), FAT16 and FAT12 of 2 KiB, exFAT of 4 KiB; or of cluster bytes where given; FAT of
    4096-byte sectors, one a cluster."""
    with open(path, "wb") as f:
        f.truncate(size)
    if kind == "exFAT":
        run("mkfs.exfat", "-c", "%dK" % ((cluster or 4096) // 1024), path)
        fixed_serial(path)
        return ExFat(path)
    per = (cluster // sector if cluster else 1 if sector == 4096 else 8 if size >= 300 * MIB
           else 1 if kind == "FAT32" else 4)
    run("mkfs.vfat", "-F", kind[3:], "-s", per, "-S", sector, "-i", "5A0C2024", path)
    return Fat(path)


def mbr(entries):
    """A master boot record of (type, first sector, sectors) entries."""
    b = bytearray(512)
    for i, (kind, lba, n) in enumerate(entries):
        struct.pack_into("<B3sB3sII", b, 446 + 16 * i, 0, b"\xfe\xff\xff", kind, b"\xfe\xff\xff", lba, n)
    b[510:] = b"\x55\xaa"
    return bytes(b)


def gpt(sectors, first, last, unit=512):
    """A protective MBR, a GPT of one basic data partition, and its backup at the end, as (offset, bytes); in
    sectors of unit bytes."""
    table = (bytes.fromhex("a2a0d0ebe5b9334487c068b6b72699c7") + struct.pack("<16xQQ8x", first, last)
             + "take".encode("utf-16-le")).ljust(128 * 128, b"\0")
    count = len(table) // unit

    def header(mine, other, entries):
        h = struct.pack("<8sIII4xQQQQ16sQIII", b"EFI PART", 0x10000, 92, 0, mine, other, 2 + count,
                        sectors - 2 - count, b"sonorix-card-gpt", entries, 128, 128, zlib.crc32(table))
        return (h[:16] + struct.pack("<I", zlib.crc32(h)) + h[20:]).ljust(unit, b"\0")

    end = sectors - 1
    return [(0, mbr([(0xEE, 1, end)])), (unit, header(1, end, 2) + table),
            ((end - count) * unit, table + header(end, 1, end - count))]


def assemble(path, size, pieces, volumes):
    """A whole card: each volume file copied in at its offset (holes kept), then the table's pieces."""
    with open(path, "wb") as out:
        out.truncate(size)
        for offset, volume in volumes:
            with open(volume, "rb") as f:
                for at in range(0, os.path.getsize(volume), MIB):
                    block = f.read(MIB)
                    if block.count(0) != len(block):
                        out.seek(offset + at)
                        out.write(block)
        for offset, data in pieces:
            out.seek(offset)
            out.write(data)


def confirm(image, volume):
    """Fails unless The Sleuth Kit lists the volume's entries (path, deleted or not, size) as the manifest
    does, and finds no file holding a lost chain."""
    sector, listed = volume["offset"] // 512, {}
    for line in run("fls", "-r", "-p", "-o", sector, image).splitlines():
        m = re.match(r"([^vV])/\S (\* )?(\d+):\t([^$].*)$", line)
        if m:
            listed[m.group(4)] = (bool(m.group(2)), m.group(3))
    expected = {f["path"]: f["deleted"] for f in volume["files"] if f["path"]}
    if {path: deleted for path, (deleted, _) in listed.items()} != expected:
        raise RuntimeError("%s: fls lists %s, not %s" % (image, sorted(listed.items()), sorted(expected.items())))
    for f in volume["files"]:
        if f["path"] and not f.get("directory"):
            size = re.search(r"^Size: (\d+)", run("istat", "-o", sector, image, listed[f["path"]][1]), re.M)
            if not size or int(size.group(1)) != f["size"]:
                raise RuntimeError("%s: istat gives %s the size %s, not %d" % (image, f["path"], size, f["size"]))
    for chain in volume["lost"]:
        unit = (volume["heap_offset"] - volume["offset"] + (chain["first"] - 2) * volume["cluster_bytes"]) // 512
        if "not found" not in run("ifind", "-o", sector, "-d", unit, image):
            raise RuntimeError("%s: a file holds the lost chain at cluster %d" % (image, chain["first"]))


def build(out, seconds=1.0, small=False):
    """Makes every case in out (small ones, for seeds, where asked); returns the manifest."""
    os.makedirs(out, exist_ok=True)
    fat32, exfat = (40 * MIB, 16 * MIB) if small else (320 * MIB, 64 * MIB)
    images = []

    def tone(k, scale=1.0, hiss=0):
        return recording(seconds * scale, 220 * (k + 1), hiss=hiss)

    def volume(name, kind, size=None):
        return make_volume(os.path.join(out, name), kind, size or (fat32 if kind == "FAT32" else exfat))

    def image(name, volumes, table="none", cut=None, gpt_backup=False, damage=None):
        """Confirms the image, then cuts or damages it: (what, offset) flips a byte or zeroes a sector."""
        path = os.path.join(out, name)
        for v in volumes:
            if "cluster_bytes" in v:
                confirm(path, v)
        with open(path, "r+b") as f:
            if cut:
                f.truncate(cut)
            if damage:
                f.seek(damage[1])
                old = f.read(1)
                f.seek(damage[1])
                f.write(b"\0" * 512 if damage[0] == "boot sector zeroed" else bytes([old[0] ^ 0xFF]))
                volumes[0]["damage"] = damage[0]
        images.append({"image": name, "table": table, "size": os.path.getsize(path), "cut": cut,
                       "gpt_backup_used": gpt_backup, "volumes": volumes})

    # Every state a recorder's power loss or a deletion leaves, on FAT32 and on exFAT.
    fat = volume("fat32.img", "FAT32")
    fat.mkdir("DCIM")
    fat.copy_in("SETTINGS.TXT", b"sample-rate=48000\n")
    fat.copy_in("DCIM/DONE0001.WAV", tone(0, 0.5))
    fat.record("DCIM/ZOOM0001.WAV", tone(1), "zero")
    fat.record("DCIM/ZOOM0002.WAV", tone(2), "unchained")
    fat.record("DCIM/ZOOM0003.WAV", tone(3), "stale")
    fat.record("DCIM/Take Four.wav", tone(4), "deleted")
    fat.record("DCIM/ZOOM0005.WAV", tone(5), "deleted")
    fat.record(None, tone(6), "lost")
    fat.interleave([("DCIM/TRACK01.WAV", tone(7)), ("DCIM/TRACK02.WAV", tone(8))], 3)
    # An older take, its entry gone with a quick format, under a newer one that stopped sooner, in the
    # middle of a cluster whose last sectors keep the older take: in so much noise that only the zeros that end
    # the newer take's last sector tell where it stopped.
    older, newer = fat.free(fat.need(tone(9, 2))), fat.need(tone(10, 0.97))
    fat.put(older, tone(9, 2, hiss=1000))
    fat.record("DCIM/ZOOM0010.WAV", tone(10, 0.97), "first-only", clusters=older[:newer],
               stale_after=runs_of(older[newer:]), stale_length=len(tone(9, 2)) - newer * fat.cluster)
    # A take of the same name in another folder.
    fat.mkdir("MUSIC")
    fat.record("MUSIC/ZOOM0001.WAV", tone(11), "zero")
    image("fat32.img", [fat.finish()])

    ex = volume("exfat.img", "exFAT")
    ex.mkdir("DCIM")
    ex.record("DCIM/DONE0001.WAV", tone(0, 0.5), "live", chained=False)
    fragments = ex.free(4) + ex.free(3, start=ex.free(1)[0] + 1)
    ex.record("DCIM/FRAG0001.WAV", tone(0, 0.2)[:7 * ex.cluster - 100], "live", clusters=fragments)
    ex.record("DCIM/ZOOM0001.WAV", tone(1), "zero")
    ex.record("DCIM/ZOOM0002.WAV", tone(2), "unchained")
    ex.record("DCIM/ZOOM0003.WAV", tone(3), "stale", chained=False)
    ex.record("DCIM/Take Four.wav", tone(4), "deleted", chained=False)
    ex.record(None, tone(6), "lost")
    ex.interleave([("DCIM/TRACK01.WAV", tone(7)), ("DCIM/TRACK02.WAV", tone(8))], 2)
    image("exfat.img", [ex.finish()])

    # FAT12 that mtools alone wrote and deleted from.
    notes = volume("fat12.img", "FAT12", 4 * MIB)
    notes.copy_in("NOTES.TXT", b"take notes\n" * 300)
    notes.copy_in("GONE.TXT", b"deleted by mtools\n" * 200)
    run("mdel", "-i", notes.path, "::/GONE.TXT")
    notes.files[-1].update(path="_ONE.TXT", short="_ONE.TXT", deleted=True, chain="none", owned=False,
                           state="deleted")
    image("fat12.img", [notes.finish()])

    # FAT16 cut short inside a recording that has its chain.
    cut = volume("fat16-cut.img", "FAT16", 32 * MIB)
    take = cut.record("ZOOM0001.WAV", tone(1), "zero")
    image("fat16-cut.img", [cut.finish()], cut=cut.at(take["runs"][0][0]) + take["length"] // 2)

    # A chain that loops back, and the main boot sector zeroed (the backup at sector 6 stays).
    loop = volume("fat32-damaged.img", "FAT32")
    clusters = loop.free(7)[0:6:2]
    take = loop.record("LOOP.WAV", tone(1, 0.05)[:3 * loop.cluster], "live", clusters=clusters)
    loop.chain(clusters, last=clusters[1])
    take["chain"] = "loop"
    image("fat32-damaged.img", [loop.finish()], damage=("boot sector zeroed", 0))

    # exFAT whose main boot region fails its checksum: a byte of the serial number flipped.
    bad = volume("exfat-damaged.img", "exFAT")
    bad.record("ZOOM0001.WAV", tone(1), "first-only")
    image("exfat-damaged.img", [bad.finish()], damage=("boot checksum broken", 100))

    # An MBR: FAT32 at 4 MiB, then an extended partition of exFAT and an ext4 superblock's magic.
    card_fat, card_ex = volume("part1.vol", "FAT32"), volume("part5.vol", "exFAT")
    card_fat.record("ZOOM0001.WAV", tone(1), "zero")
    card_ex.record("ZOOM0002.WAV", tone(2), "first-only")
    fat_at, extended = 4 * MIB, (4 * MIB + fat32) // 512
    ex_at = fat_at + fat32 + MIB
    ext_at = ex_at + exfat + MIB
    volumes = [card_fat.finish(fat_at), card_ex.finish(ex_at),
               {"offset": ext_at, "kind": "ext2/3/4", "files": [], "lost": []}]
    assemble(os.path.join(out, "card-mbr.img"), ext_at + MIB, [
        (0, mbr([(0x0C, fat_at // 512, fat32 // 512), (0x0F, extended, (exfat + 3 * MIB) // 512)])),
        (extended * 512, mbr([(0x07, MIB // 512, exfat // 512), (0x05, (exfat + MIB) // 512, 2 * MIB // 512)])),
        (extended * 512 + exfat + MIB, mbr([(0x83, MIB // 512, MIB // 512)])), (ext_at + 1080, b"\x53\xef")],
        [(fat_at, card_fat.path), (ex_at, card_ex.path)])
    image("card-mbr.img", volumes, table="mbr")

    # A GPT with exFAT at 1 MiB; and a copy whose primary header fails its CRC.
    card = volume("gpt1.vol", "exFAT")
    card.record("ZOOM0001.WAV", tone(1), "zero")
    sectors, volumes = (exfat + 2 * MIB) // 512, [card.finish(MIB)]
    for name, pieces in (("card-gpt.img", gpt(sectors, 2048, (exfat + MIB) // 512 - 1)),
                         ("card-gpt-backup.img", gpt(sectors, 2048, (exfat + MIB) // 512 - 1) + [(512 + 56, b"S")])):
        assemble(os.path.join(out, name), sectors * 512, pieces, [(MIB, card.path)])
        image(name, json.loads(json.dumps(volumes)), table="gpt", gpt_backup="backup" in name)
    for leftover in ("part1.vol", "part5.vol", "gpt1.vol"):
        os.remove(os.path.join(out, leftover))

    # Disks of 4096-byte sectors, whose MBR and GPT (at LBA 1) count in them: FAT16 at 1 MiB.
    for name, table in (("card-4kn-mbr.img", "mbr"), ("card-4kn-gpt.img", "gpt")):
        card = make_volume(os.path.join(out, "4kn.vol"), "FAT16", 32 * MIB, sector=4096)
        card.record("ZOOM0001.WAV", tone(1), "zero")
        sectors, volumes = 34 * MIB // 4096, [card.finish(MIB)]
        assemble(os.path.join(out, name), sectors * 4096, gpt(sectors, 256, 256 + 8191, 4096) if table == "gpt"
                 else [(0, mbr([(0x0E, 256, 8192)]))], [(MIB, card.path)])
        image(name, volumes, table=table)
        os.remove(card.path)

    with open(os.path.join(out, "manifest.json"), "w") as f:
        json.dump({"images": images}, f, indent=1)
    return {"images": images}


def pieces(block, start, end):
    """block[start:end] as (offset, unit, times): a 4-byte unit repeated 4 times or more as one piece, the
    bytes between in pieces of up to 256."""
    out, literal, k = [], start, start
    while k < end:
        times = 1
        while times < 256 and k + 4 * times + 4 <= end and block[k + 4 * times:k + 4 * times + 4] == block[k:k + 4]:
            times += 1
        if times >= 4:
            out += [(literal, block[literal:k], 1)] if k > literal else []
            out.append((k, block[k:k + 4], times))
            k = literal = k + 4 * times
        else:
            k += 1
            if k - literal == 256:
                out.append((literal, block[literal:k], 1))
                literal = k
    return out + ([(literal, block[literal:end], 1)] if end > literal else [])


def seed(image, volumes, budget=4000):
    """An image as fuzz_volume takes it: an options byte, the size in units of 64 KiB (2 bytes), then patches
    (offset: 4 bytes, length - 1, repetitions - 1, bytes) of its nonzero bytes outside the recordings,
    the largest dropped until the rest fits the budget."""
    skip = [(v["heap_offset"] + (r[0] - 2) * v["cluster_bytes"],
             v["heap_offset"] + (r[0] - 2 + r[1]) * v["cluster_bytes"])
            for v in volumes if "cluster_bytes" in v for f in v["files"] if not f.get("directory") for r in f["runs"]]
    patches = []
    with open(image, "rb") as f:
        for at in range(0, os.path.getsize(image), 4096):
            block = f.read(4096)
            if block.count(0) == len(block) or any(a <= at < b for a, b in skip):
                continue
            for m in re.finditer(rb"[^\0](?:.{0,7}[^\0])*", block, re.S):
                patches += [struct.pack("<IBB", at + k, len(unit) - 1, times - 1) + unit
                            for k, unit, times in pieces(block, m.start(), m.end())]
    while sum(map(len, patches)) > budget:
        patches.remove(max(patches, key=len))
    return b"\0" + struct.pack("<H", -(-os.path.getsize(image) // 65536)) + b"".join(sorted(patches))


def sketch_seeds():
    """Inputs for fuzz_volume that draw their cards (see tests/fuzz/VolumeFuzz.cpp): exFAT behind a GPT that names
    it 256 times, FAT16 of 4096-byte sectors behind an MBR that counts in them, each with a recording under an entry
    of 0 bytes; FAT32 whose lost recording's chain jumps across its FAT; folders of long names nested over deleted
    recordings."""
    def op(what, arg, operands, times=1):
        return struct.pack("<IBB", 0x80000000 | what << 24 | arg, len(operands) - 1, times - 1) + operands

    def card(flags, sector, cluster, count, at=0, named=1):
        return b"\0" + struct.pack("<H", 128) + op(0, at, struct.pack("<BBBI", flags, sector, cluster, count), named)

    take = op(1, 100, struct.pack("<IIB", 3, 1, 0)) + op(3, 100, b"\0", 3)
    entry = lambda directory, slot, count, first, step=0, flags=0, stride=1: op(
        2, directory, struct.pack("<HHBIIIBB", slot, count, stride, first, step, 4096, flags, 255))
    return {"gpt-256": card(5, 0, 3, 1500, 1, 256) + take + entry(0, 2, 1, 100),
            "4kn-mbr": card(10, 3, 0, 1500, 1) + take + entry(0, 0, 1, 100),
            "lost-chain": card(0, 0, 0, 70000) + op(1, 10, struct.pack("<IIB", 60000, 40009, 0)) + op(3, 10, b"\0"),
            "deep": card(0, 0, 3, 1500) + entry(0, 0, 1, 2, 0, 5) + entry(2, 0, 62, 3, 1, 5, 128)
            + op(1, 2, struct.pack("<IIB", 70, 1, 0)) + entry(64, 0, 100, 200, 0, 6)}


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 64
    try:
        for name in ("mkfs.vfat", "mkfs.exfat", "mcopy", "fls", "istat", "ifind"):
            tool(name)
        if argv[1] != "--seeds":
            manifest = build(argv[1], float(argv[3]) if argv[2:3] == ["--seconds"] else 1.0)
            print("%d card images in %s, confirmed by The Sleuth Kit" % (len(manifest["images"]), argv[1]))
            return 0
        os.makedirs(argv[2], exist_ok=True)
        with tempfile.TemporaryDirectory() as scratch:
            for entry in build(scratch, seconds=0.02, small=True)["images"]:
                with open(os.path.join(argv[2], entry["image"] + ".seed"), "wb") as f:
                    f.write(seed(os.path.join(scratch, entry["image"]), entry["volumes"]))
        for name, sketch in sketch_seeds().items():
            with open(os.path.join(argv[2], name + ".seed"), "wb") as f:
                f.write(sketch)
        return 0
    except Missing as missing:
        print("make_card_images: %s" % missing, file=sys.stderr)
        return 77


if __name__ == "__main__":
    sys.exit(main(sys.argv))
