#!/usr/bin/env python3
"""Bytes a recovery loses to a card's bad sectors: a FAT32 card image holding one recording, read by each
sonorix-repair given, once with a bad 512-byte sector inside the recording and once with a bad 4 KiB spot,
(1) as an image file through FailingReads.cpp (LD_PRELOAD), and (2) as root, as a block device: a read-only loop
device (direct I/O) over a FUSE file (python3-fusepy) whose bad sectors fail, so that the block layer and its page
cache fail as on a real card. For each: the bytes of the new file that differ from the card's, the bytes its JSON
line counts as unreadable, the bytes its notes name, and the seconds taken.

    failing_card.py WORKDIR LIBFAILING_READS.so LABEL=SONORIX_REPAIR...

Exits non-zero, saying why, where it cannot make the card or a run fails.
"""

import json
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "cli"))
import make_card_images as cards  # noqa: E402

FUSE_SERVER = r'''
import errno, os, sys
from fusepy import FUSE, Operations, FuseOSError

class Card(Operations):
    def __init__(self, image, bad):
        self.fd, self.bad = os.open(image, os.O_RDONLY), bad
    def getattr(self, path, fh=None):
        if path == "/":
            return dict(st_mode=0o40755, st_nlink=2)
        if path == "/card.img":
            return dict(st_mode=0o100444, st_nlink=1, st_size=os.fstat(self.fd).st_size)
        raise FuseOSError(errno.ENOENT)
    def readdir(self, path, fh):
        return [".", "..", "card.img"]
    def read(self, path, size, offset, fh):
        if any(start < offset + size and offset < start + length for start, length in self.bad):
            raise FuseOSError(errno.EIO)
        return os.pread(self.fd, size, offset)

bad = [tuple(map(int, r.split(":"))) for r in sys.argv[3].split(",")]
FUSE(Card(sys.argv[1], bad), sys.argv[2], foreground=True, ro=True, direct_io=True)
'''


def sh(*args, **kw):
    return subprocess.run([str(a) for a in args], capture_output=True, timeout=600, check=True, **kw)


def recover(binary, source, output, env=None):
    started = time.monotonic()
    result = subprocess.run([binary, "--recover", source, "--json", "--output", output], capture_output=True,
                            timeout=600, env=env)
    took = time.monotonic() - started
    if result.returncode not in (0, 1):
        raise RuntimeError("%s: exit status %d: %s" % (binary, result.returncode, result.stderr.decode()))
    return [json.loads(line) for line in result.stdout.decode().splitlines()], result.stderr.decode(), took


def lost(objects, image):
    """The bytes of the new files that differ from the card's bytes along their runs."""
    data, differ = open(image, "rb").read(), 0
    for o in objects:
        written = open(o["output"], "rb").read()
        source = b"".join(data[offset:offset + length] for offset, length in o["runs"])
        differ += sum(1 for a, b in zip(written[44:], source[44:]) if a != b)
    return differ


def noted(errors):
    total = 0
    for line in errors.splitlines():
        if "could not be read" in line:
            words = line.split(": ")[-1].split()
            total += int(words[3]) + 1 - int(words[1])
    return total


def through_loop(work, image, bad, run):
    """run(device) with the image as a read-only loop device over a FUSE file whose bad ranges fail."""
    mount = os.path.join(work, "mnt")
    os.makedirs(mount, exist_ok=True)
    server = subprocess.Popen(["/usr/bin/python3", "-c", FUSE_SERVER, image, mount,
                               ",".join("%d:%d" % r for r in bad)], stderr=subprocess.PIPE)
    try:
        deadline = time.monotonic() + 10
        while not os.path.exists(os.path.join(mount, "card.img")):
            if server.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("the FUSE file did not appear: %s" % server.stderr.read().decode())
            time.sleep(0.05)
        device = sh("losetup", "-r", "-f", "--show", "--direct-io=on",
                    os.path.join(mount, "card.img")).stdout.decode().strip()
        try:
            return run(device)
        finally:
            sh("losetup", "-d", device)
    finally:
        subprocess.run(["umount", mount], capture_output=True, timeout=30)
        server.wait(timeout=30)


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 64
    work, shim = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    binaries = [arg.split("=", 1) for arg in sys.argv[3:]]
    os.makedirs(work, exist_ok=True)
    image = os.path.join(work, "card.img")
    volume = cards.make_volume(image, "FAT32", 320 << 20)
    take = cards.recording(20.0, 440)
    volume.record("TAKE.WAV", take, "zero")
    manifest = volume.finish()
    first = manifest["heap_offset"] + (manifest["files"][0]["runs"][0][0] - 2) * manifest["cluster_bytes"]
    # Inside the recording, away from cluster and page boundaries' luck: 1 MiB and 2 MiB into it.
    spots = {"one 512-byte sector": [(first + (1 << 20) + 1536, 512)],
             "one 4 KiB spot": [(first + (2 << 20) + 4096, 4096)]}
    rows = []
    for spot, bad in spots.items():
        for label, binary in binaries:
            output = os.path.join(work, "out-%s-%d" % (label, len(rows)))
            env = dict(os.environ, SONORIX_FAILING_FILE=image, LD_PRELOAD=shim,
                       SONORIX_FAILING_RANGES=",".join("%d:%d" % r for r in bad))
            objects, errors, took = recover(binary, image, output, env)
            rows.append(("image file", spot, label, lost(objects, image), sum(o["unreadable"] for o in objects),
                         noted(errors), took))
            if os.getuid() == 0:
                output = os.path.join(work, "out-%s-%d" % (label, len(rows)))
                objects, errors, took = through_loop(work, image, bad, lambda device: recover(binary, device, output))
                rows.append(("loop over FUSE", spot, label, lost(objects, image),
                             sum(o["unreadable"] for o in objects), noted(errors), took))
    if os.getuid() != 0:
        print("failing_card: not root: the loop device over FUSE is skipped")
    print("%-15s %-20s %-8s %10s %12s %8s %7s" % ("source", "bad", "build", "lost", "unreadable", "noted", "s"))
    for row in rows:
        print("%-15s %-20s %-8s %10d %12d %8d %7.2f" % row)
    return 0


if __name__ == "__main__":
    sys.exit(main())
