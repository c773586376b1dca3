#!/usr/bin/env python3
"""sonorix-repair --recover over card images as recorders leave them (make_card_images.py: FAT32 and exFAT in
every entry state, an MBR card with an ext4 partition, a GPT whose primary header is damaged, an image cut short,
boot sectors damaged, disks of 4096-byte sectors), names no file system takes as they are, a card whose sectors fail
(through FailingReads.cpp), a recovery interrupted, a 4-channel recorder's two files of one scene, the layouts of
recorder_cards.py (chains and entries half written, takes over deleted files and older takes, a 4-channel recorder's
and a console's files written at once), an NTFS volume, a block device: every recording read back by ffmpeg, sox and
libsndfile and held sample-exact to the bytes its recorder wrote, or to zeros where its sectors failed.

    test_recover.py SONORIX_REPAIR WORKDIR FAILING_READS_LIBRARY

Exits 77, CTest's skip, saying why, when a tool is missing. As an ordinary user the cases that need a loop
device are skipped, and said so.
"""

import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_card_images as cards  # noqa: E402
import recorder_cards as recorders  # noqa: E402
import recorder_check as check  # noqa: E402

FOUND = {"zero": "entry of 0 bytes", "first-only": "entry of 0 bytes", "unchained": "no entry",
         "stale": "stale entry", "deleted": "deleted entry", "lost": "lost chain"}


def sh(*args, check=True):
    return subprocess.run([str(a) for a in args], capture_output=True, timeout=120, check=check)


def along(image, volume, runs, length):
    """length bytes of image along a recording's cluster runs."""
    with open(image, "rb") as f:
        data = b""
        for first, count in runs:
            f.seek(volume["heap_offset"] + (first - 2) * volume["cluster_bytes"])
            data += f.read(count * volume["cluster_bytes"])
    return data[:length]


def decoded(path):
    """The 16-bit samples of a recording as libsndfile, sox and ffmpeg read them; an error where they differ."""
    import soundfile
    with soundfile.SoundFile(path) as source:
        by_soundfile = bytes(source.buffer_read(dtype="int16"))
    by_sox = sh("sox", path, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-").stdout
    by_ffmpeg = sh("ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-").stdout
    if not by_soundfile == by_sox == by_ffmpeg:
        raise AssertionError("%s: libsndfile, sox and ffmpeg read %d, %d and %d bytes of samples"
                             % (path, len(by_soundfile), len(by_sox), len(by_ffmpeg)))
    return by_soundfile


def expected(image, volume, root):
    """What a scan finds on a volume of the manifest: for each recording its name (or None), the name of its new
    file, how it was found, and its audio as the recorder wrote it."""
    found, names = [], set()
    for f in volume["files"]:
        if f.get("directory") or f["state"] not in FOUND:
            continue
        name = None if f["state"] in ("unchained", "lost") else f["path"]
        offset = volume["heap_offset"] + (f["runs"][0][0] - 2) * volume["cluster_bytes"]
        out = name.rpartition("/")[2] if name else "recovered-%d.wav" % offset
        stem, dot, ext = out.rpartition(".")
        number = 1
        while (out if number == 1 else "%s-%d.%s" % (stem, number, ext)) in names:
            number += 1
        out = out if number == 1 else "%s-%d.%s" % (stem, number, ext)
        names.add(out)
        found.append((name, os.path.join(root, out), FOUND[f["state"]],
                      along(image, volume, f["runs"], f["length"])[44:]))
    return found


def run(binary, image, *options):
    result = sh(binary, "--recover", image, "--json", *options, check=False)
    return result.returncode, [json.loads(line) for line in result.stdout.decode().splitlines()], result.stderr.decode()


class Table:
    def __init__(self, binary, work):
        self.binary, self.work, self.failures = binary, work, []

    def check(self, what, condition, detail=""):
        if not condition:
            self.failures.append("%s: %s" % (what, detail))

    def case(self, name, image, recordings, *options, status=0, refused=0, stderr=(), approximate=0):
        """Runs a scan and holds its objects to the recordings expected: the same names, how each was found, and
        audio sample-exact, or where approximate gives the bytes, its start as far as it goes, short by less."""
        # A write through the file system, or to its times, would change the source's status time.
        before = os.stat(image)
        code, objects, errors = run(self.binary, image, *options)
        after = os.stat(image)
        self.check(name, code == status, "exit status %d, not %d: %s" % (code, status, errors))
        self.check(name, (before.st_mtime_ns, before.st_ctime_ns) == (after.st_mtime_ns, after.st_ctime_ns),
                   "the source changed")
        for words in stderr:
            self.check(name, words in errors, "standard error lacks %r: %s" % (words, errors))
        failed = [o for o in objects if o["outcome"] == "file error"]
        self.check(name, len(failed) == refused, "file errors: %s" % failed)
        got = {(o["name"], o["output"]): o for o in objects if o["outcome"] != "file error"}
        self.check(name, len(got) == len(recordings), "%d recordings, not %d: %s"
                   % (len(got), len(recordings), sorted(map(str, got))))
        for entry, output, how, audio in recordings:
            o = got.get((entry, output))
            if o is None:
                self.failures.append("%s: %s not recovered to %s" % (name, entry, output))
                continue
            self.check(name, o["found"] == how and o["outcome"] in ("recovered", "would be recovered"),
                       "%s: %s, %s" % (entry, o["found"], o["outcome"]))
            if "--dry-run" in options:
                continue
            samples = decoded(output)
            near = audio.startswith(samples) and len(audio) - len(samples) < approximate
            self.check(name, samples == audio or near, "%s: %d bytes of samples read, %d written (%s)"
                       % (entry, len(samples), len(audio), o["ended"]))
            self.check(name, o["frames"] * 4 == len(samples), "%s: %d frames reported" % (entry, o["frames"]))


def failing(table, binary, shim, image, bad, output, cache=0, heads=()):
    """Recovers image through the shim whose reads of the ranges bad fail: every recording's file holds zeros
    exactly where its runs meet a bad range and the source's bytes elsewhere, its unreadable ranges are those
    bytes and its count their sum, its line names them, and each note names one bad range, no more; the entries
    heads, whose first bytes fail, each get a file error naming where."""
    what = "failing sectors" + (", a cache of %d bytes" % cache if cache else "")
    env = dict(os.environ, SONORIX_FAILING_FILE=image, LD_PRELOAD=shim, ASAN_OPTIONS="verify_asan_link_order=0",
               SONORIX_FAILING_RANGES=",".join("%d:%d" % r for r in bad), SONORIX_FAILING_CACHE=str(cache))
    result = subprocess.run([binary, "--recover", image, "--json", "--output", output], capture_output=True,
                            timeout=120, env=env)
    objects = [json.loads(line) for line in result.stdout.decode().splitlines()]
    table.check(what, result.returncode == (2 if heads else 0) and objects,
                "exit status %d: %s" % (result.returncode, result.stderr))
    refused = {o["name"]: o["reason"] for o in objects if o["outcome"] == "file error"}
    for name, (start, size) in heads:
        table.check(what, refused.get(name) == "its first bytes could not be read (bytes %d to %d)"
                    % (start, start + size - 1), "%s: %s" % (name, refused.get(name)))
    table.check(what, len(refused) == len(heads), "file errors %s" % refused)
    source = open(image, "rb").read()
    lost = 0
    for o in objects:
        if o["outcome"] == "file error":
            continue
        written, expected, file_at = open(o["output"], "rb").read(), [], 0
        data = bytearray(b"".join(source[offset:offset + length] for offset, length in o["runs"]))
        for offset, length in o["runs"]:
            for start, size in bad:
                low, high = max(offset, start), min(offset + length, start + size)
                if low < high:
                    expected.append([low, high - low])
                    data[file_at + low - offset:file_at + high - offset] = bytes(high - low)
            file_at += length
        lost += sum(length for _, length in expected)
        table.check(what, o["unreadable_ranges"] == expected and o["unreadable"] == sum(n for _, n in expected),
                    "%s: %d bytes in %s reported unreadable, %s expected" % (o["output"], o["unreadable"],
                                                                           o["unreadable_ranges"], expected))
        # The header's sizes are the repair's; the bytes after it are the source's, or zeros where lost.
        table.check(what, written[44:] == bytes(data[44:len(written)]) and len(written) <= len(data),
                    "%s: its bytes are not those of its runs" % o["output"])
    table.check(what, lost > 0, "no recording met a bad range")
    notes = [line for line in result.stderr.decode().splitlines() if "could not be read" in line]
    named = sorted((int(f[1]), int(f[3]) + 1 - int(f[1])) for f in (n.split(": ")[-1].split() for n in notes))
    table.check(what, named and all(r in bad for r in named), "notes %s for bad ranges %s" % (named, bad))


def scene(work):
    """A 4-channel recorder's two stereo files of one scene: speech and a chord in a room, heard by its own pair
    of microphones by the speaker and by a pair by the instrument two metres away (the speech 6 ms later), each
    with a room noise of its own."""
    path = lambda name: os.path.join(work, name)
    sh("espeak-ng", "-w", path("voice.wav"), "Two microphones hear one room, and the recorder writes two files.")
    sh("sox", "-R", path("voice.wav"), "-r", "48000", path("speech.wav"), "pad", "0", "2", "trim", "0", "2")
    sh("sox", "-R", "-n", "-r", "48000", path("chord.wav"), "synth", "2", "pl", "G2", "pl", "D3", "pl", "B3",
       "remix", "-", "fade", "0", "2", ".1", "norm", "-12")
    mics = []
    for k, (voice, chord, delay) in enumerate([(0.9, 0.3, "0s"), (0.8, 0.3, "2s"), (0.3, 0.8, "288s"),
                                                (0.25, 0.7, "298s")]):
        sh("ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "anoisesrc=c=pink:d=2:a=0.02:s=%d:r=48000" % (k + 3),
           "-af", "lowpass=4000", path("room%d.wav" % k))
        sh("sox", "-R", "-m", "-v", voice, path("speech.wav"), "-v", chord, path("chord.wav"),
           path("room%d.wav" % k), "-b", "16", path("mic%d.wav" % k), "delay", delay, "trim", "0", "2")
        mics.append(path("mic%d.wav" % k))
    for pair in (0, 1):
        sh("sox", "-M", mics[2 * pair], mics[2 * pair + 1], "-b", "16", path("scene%d.wav" % pair))
    volume = cards.make_volume(path("scene.img"), "FAT32", 320 << 20)
    takes = [("DCIM/SCENE%02d.WAV" % (pair + 1), open(path("scene%d.wav" % pair), "rb").read()) for pair in (0, 1)]
    volume.mkdir("DCIM")
    volume.interleave(takes, 4)
    manifest = volume.finish()
    cards.confirm(path("scene.img"), manifest)
    return path("scene.img"), manifest


def interrupted(table, binary, work):
    """A recovery sent SIGINT while it writes a long recording: it stops within seconds with status 130 and the line
    that says so, and leaves the recordings it reported, whole, and no other file. Returns the seconds from the
    signal to its end."""
    import signal
    import time
    image, output = os.path.join(work, "long.img"), os.path.join(work, "out", "interrupted")
    volume = cards.make_volume(image, "FAT32", 512 << 20)
    short = cards.recording(0.5, 440)
    volume.record("SHORT.WAV", short, "zero")
    second = cards.recording(1.0, 330)
    volume.record("LONG.WAV", second + second[44:] * 180, "zero")
    volume.finish()
    process = subprocess.Popen([binary, "--recover", image, "--json", "--output", output], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE)
    part, deadline = os.path.join(output, ".LONG.WAV.sonorix-part"), time.monotonic() + 60
    while not os.path.exists(part) and process.poll() is None and time.monotonic() < deadline:
        time.sleep(0.002)
    seen = os.path.exists(part)
    signalled = time.monotonic()
    process.send_signal(signal.SIGINT)
    try:
        out, err = process.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        process.kill()
        out, err = process.communicate()
    took = time.monotonic() - signalled
    what = "interrupted"
    table.check(what, seen, "the long recording's part file never appeared")
    table.check(what, process.returncode == 130, "exit status %d" % process.returncode)
    table.check(what, "interrupted; the recordings above are whole" in err.decode(), err.decode())
    objects = [json.loads(line) for line in out.decode().splitlines()]
    table.check(what, [o["name"] for o in objects] == ["SHORT.WAV"] and sorted(os.listdir(output)) == ["SHORT.WAV"],
                "%s reported, %s left" % ([o["name"] for o in objects], os.listdir(output)))
    if os.path.exists(os.path.join(output, "SHORT.WAV")):
        table.check(what, decoded(os.path.join(output, "SHORT.WAV")) == short[44:], "SHORT.WAV is not whole")
    return took


def direct_reads(folder):
    """Whether files in folder can be read past the cache in single sectors (O_DIRECT)."""
    import mmap
    path = os.path.join(folder, "direct")
    open(path, "wb").write(bytes(4096))
    try:
        fd = os.open(path, os.O_RDONLY | os.O_DIRECT)
        try:
            return os.preadv(fd, [mmap.mmap(-1, 512)], 512) == 512
        finally:
            os.close(fd)
    except OSError:
        return False


def recorded(table, binary, work):
    """recorder_cards.py's layouts on FAT32 and exFAT: every take recovered once, sample-exact, in one file that runs on
    no more than a cluster past it; a take whose header is lost revived with a donor of its recorder, or without one
    reported where an entry names it."""
    manifest = recorders.build(os.path.join(work, "cards"), scale=0.25)
    for entry in manifest["images"]:
        image, volume = os.path.join(work, "cards", entry["image"]), entry["volume"]
        donor = os.path.join(work, entry["image"] + ".donor.wav")
        with open(donor, "wb") as f:
            f.write(along(image, volume, entry["donors"]["handheld"]["runs"], entry["donors"]["handheld"]["length"]))
        for like in (False, True):
            name = "%s%s" % (entry["image"], " --like" if like else "")
            code, objects = check.recover(binary, image, os.path.join(work, name.replace(" ", "")),
                                          *(["--like", donor] if like else []))
            table.check(name, code == (0 if like else 1), "exit status %d" % code)
            results, _ = check.judge(entry["takes"], [o["output"] for o in objects if o["output"]], volume, image)
            for take, frames, exact, over, path in results:
                what = "%s %s" % (take["kind"], take["path"] or take["runs"][0][0])
                if take["donor"] and not like:
                    table.check(name, not take["path"] or any(
                        o["name"] == take["path"] and "no header" in (o["reason"] or "") for o in objects),
                        "%s: its lost header not reported" % what)
                    continue
                table.check(name, exact == frames and over <= volume["cluster_bytes"],
                            "%s: %d of %d frames exact in %s, %d bytes past it" % (what, exact, frames, path, over))


def main():
    binary, work, shim = os.path.abspath(sys.argv[1]), sys.argv[2], os.path.abspath(sys.argv[3])
    try:
        for tool in ("mkfs.vfat", "mkfs.exfat", "mcopy", "fls", "istat", "ifind", "sox", "ffmpeg", "espeak-ng"):
            cards.tool(tool)
        import soundfile  # noqa: F401
    except (cards.Missing, ImportError) as missing:
        print("test_recover: %s" % missing)
        return 77
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    images = {i["image"]: i for i in cards.build(os.path.join(work, "cards"))["images"]}
    card = lambda name: os.path.join(work, "cards", name)
    out = lambda name: os.path.join(work, "out", name)
    table = Table(binary, work)
    # A second build holds the same bytes: no clock, volume serial or machine leaves a trace in the images.
    cards.build(os.path.join(work, "again"))
    for name in sorted(os.listdir(card(""))):
        with open(card(name), "rb") as first, open(os.path.join(work, "again", name), "rb") as second:
            table.check("images rebuilt", hashlib.file_digest(first, "sha256").digest()
                        == hashlib.file_digest(second, "sha256").digest(), "%s differs" % name)
    shutil.rmtree(os.path.join(work, "again"))

    def volume(image, index=0):
        return images[image]["volumes"][index]

    fat, ex = volume("fat32.img"), volume("exfat.img")
    table.case("FAT32, every state", card("fat32.img"), expected(card("fat32.img"), fat, out("fat32")),
               "--output", out("fat32"))
    table.case("exFAT, every state", card("exfat.img"), expected(card("exfat.img"), ex, out("exfat")),
               "--output", out("exfat"))
    # A dry run writes nothing, and needs no folder.
    table.case("dry run", card("exfat.img"), expected(card("exfat.img"), ex, out("dry")), "--dry-run",
               "--output", out("dry"))
    table.check("dry run", not os.path.exists(out("dry")), "the output folder was made")
    # Names taken already, in the folder and by a take of the same name elsewhere on the card, are suffixed.
    os.makedirs(out("taken"))
    open(out("taken/ZOOM0001.WAV"), "wb").write(b"mine")
    taken = expected(card("fat32.img"), fat, out("taken"))
    renamed = [(e, o.replace("ZOOM0001-2", "ZOOM0001-3").replace("ZOOM0001.WAV", "ZOOM0001-2.WAV"), h, a)
               for e, o, h, a in taken]
    table.case("names taken", card("fat32.img"), renamed, "--output", out("taken"))
    table.check("names taken", open(out("taken/ZOOM0001.WAV"), "rb").read() == b"mine", "a file was overwritten")
    # The older take under ZOOM0010, whose header is lost, revived as the donor's format.
    older = next(f for f in fat["files"] if f.get("stale_after"))
    revived = ("", out("like/recovered-%d.wav" % (fat["heap_offset"] + (older["stale_after"][0][0] - 2) * 4096)),
               "no entry", along(card("fat32.img"), fat, older["stale_after"], older["stale_length"]))
    open(os.path.join(work, "donor.wav"), "wb").write(cards.recording(0.1, 440))
    like = expected(card("fat32.img"), fat, out("like")) + [revived]
    table.case("headerless run with --like", card("fat32.img"), [(e or None, o, h, a) for e, o, h, a in like],
               "--like", os.path.join(work, "donor.wav"), "--output", out("like"))

    # Cards with a partition table, damaged and cut short.
    mbr = images["card-mbr.img"]["volumes"]
    table.case("MBR card with ext4", card("card-mbr.img"), expected(card("card-mbr.img"), mbr[0], out("mbr"))
               + expected(card("card-mbr.img"), mbr[1], out("mbr")), "--output", out("mbr"), status=2, refused=1)
    table.case("GPT backup", card("card-gpt-backup.img"),
               expected(card("card-gpt-backup.img"), volume("card-gpt-backup.img"), out("gpt")), "--output",
               out("gpt"), stderr=["the primary GPT is damaged"])
    table.case("exFAT boot checksum", card("exfat-damaged.img"),
               expected(card("exfat-damaged.img"), volume("exfat-damaged.img"), out("exdamaged")), "--output",
               out("exdamaged"), stderr=["its backup was read"])
    table.case("FAT32 boot zeroed, a chain that loops", card("fat32-damaged.img"), [], "--output", out("damaged"),
               stderr=["its backup was read"])
    cut = volume("fat16-cut.img")
    # What the image holds of the take: its last cluster that is whole may be judged, the one cut is not taken.
    table.case("cut short", card("fat16-cut.img"), expected(card("fat16-cut.img"), cut, out("cut")), "--output",
               out("cut"), stderr=["the image ends inside the volume"], approximate=2 * cut["cluster_bytes"])

    # Disks of 4096-byte sectors, whose tables count in them, as images that cannot tell their sector size.
    for name in ("card-4kn-mbr.img", "card-4kn-gpt.img"):
        table.case(name, card(name), expected(card(name), volume(name), out(name)), "--output", out(name))

    # What is refused: another file system, the output on the source, usage.
    ntfs = os.path.join(work, "ntfs.img")
    with open(ntfs, "wb") as f:
        f.truncate(1 << 20)
        f.seek(3)
        f.write(b"NTFS    ")
        f.seek(510)
        f.write(b"\x55\xaa")
    code, objects, _ = run(binary, ntfs, "--output", out("ntfs"))
    table.check("NTFS", code == 2 and [o["reason"] for o in objects]
                == ["the source is not a FAT or exFAT volume: NTFS"], "%d %s" % (code, objects))
    code, objects, _ = run(binary, card("fat32.img"), "--output", card("fat32.img"))
    table.check("output on the source", code == 2 and "lies on" in objects[0]["reason"], "%d %s" % (code, objects))
    for options in (["--recover", card("fat32.img"), "--output", out("x"), card("exfat.img")],
                    ["--recover", card("fat32.img")], ["--recover", card("fat32.img"), "--touch", "--dry-run"]):
        code = sh(binary, *options, check=False).returncode
        table.check("usage %s" % options, code == 64, "exit status %d" % code)
    lines = sh(binary, "--recover", card("exfat.img"), "--dry-run").stdout.decode().splitlines()
    table.check("lines", lines and all(" would be recovered " in line and line.endswith(")") for line in lines)
                and "(00:01, entry of 0 bytes, ended with its chain)" in lines[0], lines)

    # Names a card may hold that no file system here takes as they are: 90 kana (270 bytes of UTF-8), characters
    # and names Windows forbids; each the same name on every system.
    kana = "\u9332" * 90
    names = {"DCIM/" + kana + ".WAV": kana[:79] + ".WAV", "DCIM/CON.WAV": "_CON.WAV",
             "DCIM/TAKE: ONE?.WAV": "TAKE_ ONE_.WAV", "DCIM/LAST. ": "LAST__"}
    named = cards.make_volume(os.path.join(work, "names.img"), "exFAT", 16 << 20)
    named.mkdir("DCIM")
    for k, path in enumerate(names):
        named.record(path, cards.recording(0.2, 300 + 100 * k), "zero")
    manifest = named.finish()
    found = expected(os.path.join(work, "names.img"), manifest, out("names"))
    table.case("names that fit", os.path.join(work, "names.img"),
               [(e, os.path.join(out("names"), names[e]), h, a) for e, _, h, a in found], "--output", out("names"))
    table.check("names that fit", not [n for n in os.listdir(out("names")) if n.endswith(".sonorix-part")],
                "a part file was left")

    # A card whose sectors fail, read through a cache that loses a whole block of 128 KiB around each: a sector
    # in a recording's chain, a spot of 4 KiB across two of its clusters, a sector in a deleted take's.
    heap = lambda cluster: fat["heap_offset"] + (cluster - 2) * fat["cluster_bytes"]
    # And the first sector of a take whose chain the FAT holds, and of a deleted take's: each still gets its line.
    heads = [(f["path"], (heap(f["first"]), 512)) for f in fat["files"]
             if f["path"] in ("MUSIC/ZOOM0001.WAV", "DCIM/Take Four.wav")]
    bad = [(heap(39) + 1024, 512), (heap(45) - 2048, 4096), (heap(175) + 3584, 512)] + [r for _, r in heads]
    failing(table, binary, shim, card("fat32.img"), bad, out("failing"), heads=heads)
    if direct_reads(work):
        failing(table, binary, shim, card("fat32.img"), bad, out("failing-cached"), cache=128 << 10, heads=heads)
    else:
        print("test_recover: the work folder's file system reads nothing past its cache: the cached case is skipped")

    # Ctrl+C mid-run.
    print("test_recover: interrupted %.2f s after the signal" % interrupted(table, binary, work))

    # Two files of one scene, their runs alternating without a chain.
    image, manifest = scene(work)
    table.case("two microphones of one scene", image, expected(image, manifest, out("scene")), "--output",
               out("scene"))

    # Cards as recorders leave them where their own records are half written.
    recorded(table, binary, os.path.join(work, "recorders"))

    # A card in a reader: a read-only loop device; a folder on a file system mounted from it is refused.
    if os.getuid() == 0 and shutil.which("losetup"):
        device = sh("losetup", "-r", "-f", "--show", card("fat32.img")).stdout.decode().strip()
        try:
            table.case("block device", device, expected(card("fat32.img"), fat, out("device")), "--output",
                       out("device"))
        finally:
            sh("losetup", "-d", device)
        # A disk of 4096-byte sectors that says so; exFAT that mkfs.exfat makes on one, behind an MBR that
        # counts in them, from its image.
        device = sh("losetup", "-r", "--sector-size", "4096", "-f", "--show", card("card-4kn-mbr.img")).stdout
        device = device.decode().strip()
        try:
            table.case("4Kn block device", device, expected(card("card-4kn-mbr.img"), volume("card-4kn-mbr.img"),
                                                            out("device-4kn")), "--output", out("device-4kn"))
        finally:
            sh("losetup", "-d", device)
        part = os.path.join(work, "exfat-4kn.vol")
        with open(part, "wb") as f:
            f.truncate(32 << 20)
        device = sh("losetup", "--sector-size", "4096", "-f", "--show", part).stdout.decode().strip()
        try:
            sh("mkfs.exfat", device)
        finally:
            sh("losetup", "-d", device)
        ex4k = cards.ExFat(part)
        ex4k.record("ZOOM0001.WAV", cards.recording(1, 330), "zero")
        image, manifest = os.path.join(work, "exfat-4kn.img"), ex4k.finish(1 << 20)
        cards.assemble(image, 34 << 20, [(0, cards.mbr([(0x07, 256, 8192)]))], [(1 << 20, part)])
        cards.confirm(image, manifest)
        table.case("exFAT of 4096-byte sectors", image, expected(image, manifest, out("exfat-4kn")), "--output",
                   out("exfat-4kn"))
        ext4 = os.path.join(work, "ext4.img")
        with open(ext4, "wb") as f:
            f.truncate(64 << 20)
        sh("mkfs.ext4", "-q", ext4)
        device = sh("losetup", "-f", "--show", ext4).stdout.decode().strip()
        mount = os.path.join(work, "mnt")
        os.makedirs(mount)
        try:
            sh("mount", device, mount)
            code, objects, _ = run(binary, device, "--output", os.path.join(mount, "out"))
            table.check("output on the device", code == 2 and "lies on" in objects[0]["reason"]
                        and not os.path.exists(os.path.join(mount, "out")), "%d %s" % (code, objects))
        finally:
            sh("umount", mount, check=False)
            sh("losetup", "-d", device)
    else:
        print("test_recover: not root (or no losetup): the block device cases are skipped")

    print("\n".join(table.failures) or "every case as expected")
    return 1 if table.failures else 0


if __name__ == "__main__":
    sys.exit(main())
