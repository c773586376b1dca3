#!/usr/bin/env python3
"""sonorix-repair --any-layout over cut-off recordings made by real writers.

    test_any_layout.py SONORIX_REPAIR WORKDIR

Every corpus file (make_corpus.py) goes through a dry run, a repair and a
second run. Repaired files must read back whole in independent readers and
differ from before only in the bytes the repair is meant to write; everything
else keeps every byte and both times. Exits 77, CTest's skip, when a writer is
missing.
"""

import concurrent.futures
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_corpus  # noqa: E402

BINARY = WORK = None
DAY_NS = 86400 * 10**9
# Access before modification, both in the past: what a careless read or
# write would move.
OLD_TIMES = (1_600_000_000 * 10**9 - 40 * DAY_NS + 111, 1_600_000_000 * 10**9 - 30 * DAY_NS + 222)

# Words each refusal's reason must contain, by corpus file.
REFUSAL_REASONS = {
    "seeds/ffmpeg-adpcm-frames100.5-zero.wav": "format 0x0002",
    "seeds/ffmpeg-gsm-frames3.wav": "format 0x0031",
    "seeds/ffmpeg-list-chunk2-cut.wav": "'LIST' chunk at offset 36 runs past the end",
    "seeds/soundfile-list-after-chunk0-cut.wav": "after the whole data chunk",
    "large/ffmpeg-list-4GiB+8.wav": "no JUNK chunk",
    "seeds/ffmpeg-aifc-ima4-frames3-zero.aifc": "AIFF-C compression 'ima4'",
    "large/ffmpeg-aiff-4GiB+8.aiff": "which AIFF cannot describe",
}


def run_repair(*args):
    """sonorix-repair (its default rule) on corpus paths: its exit status and each file's outcome."""
    done = subprocess.run([BINARY, *args], cwd=WORK, capture_output=True, text=True, timeout=60)
    return done.returncode, dict(line.split(": ", 1) for line in done.stdout.splitlines())


def times(path):
    """Access, modification and change time: the last moves with any write or
    time setting and cannot be set back."""
    status = os.stat(path)
    return status.st_atime_ns, status.st_mtime_ns, status.st_ctime_ns


def snapshot(path):
    """The file's size and its data extents with their bytes: the whole file,
    holes of a sparse one aside. Opened without touching the access time."""
    extents = []
    fd = os.open(path, os.O_RDONLY | os.O_NOATIME)
    try:
        end = os.fstat(fd).st_size
        pos = 0
        while pos < end:
            try:
                start = os.lseek(fd, pos, os.SEEK_DATA)
            except OSError:
                break  # only a hole is left
            pos = os.lseek(fd, start, os.SEEK_HOLE)
            extents.append((start, os.pread(fd, pos - start, start)))
    finally:
        os.close(fd)
    return end, extents


def patched(snap, writes):
    size, extents = snap
    out = []
    for start, data in extents:
        data = bytearray(data)
        for offset, value in writes:
            if start <= offset and offset + len(value) <= start + len(data):
                data[offset - start:offset - start + len(value)] = value
        out.append((start, bytes(data)))
    return size, out


def first_difference(actual, expected):
    if actual[0] != expected[0]:
        return "size %d, expected %d" % (actual[0], expected[0])
    if [s for s, _ in actual[1]] != [s for s, _ in expected[1]]:
        return "data extents at %s, expected %s" % ([s for s, _ in actual[1]], [s for s, _ in expected[1]])
    for (start, got), (_, want) in zip(actual[1], expected[1]):
        for i, (a, b) in enumerate(zip(got, want)):
            if a != b:
                return "byte %d is 0x%02x, expected 0x%02x" % (start + i, a, b)
    return None


# Readers. On the small files each decodes the whole file, which is what a
# player does. On the sparse files each reads the header's frame count only:
# decoding gigabytes of holes would take minutes and prove nothing more, since
# the extent comparison already shows that no audio byte moved and what
# players show and seek by is that count.

def _command(args):
    done = subprocess.run(args, capture_output=True, timeout=30)
    return done.stdout if done.returncode == 0 else None


def _decoded(args, channels):
    out = _command(args)
    return "error" if out is None else len(out) // (8 * channels)


def _libsndfile_decoded(path):
    import soundfile
    try:
        with soundfile.SoundFile(path) as f:
            return len(f.buffer_read(dtype="float64")) // (8 * f.channels)
    except RuntimeError:
        return "error"


def _header_count(args):
    out = _command(args)
    return "error" if out is None or not out.strip().isdigit() else int(out)


def _libsndfile_header(path):
    import soundfile
    try:
        return soundfile.info(path).frames
    except RuntimeError:
        return "error"


def read_frames(case):
    """The frames each reader finds in a corpus file, by reader."""
    path = os.path.join(WORK, case.path)
    if not case.large:
        found = {
            "ffmpeg": _decoded(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a:0",
                                "-c:a", "pcm_f64le", "-f", "f64le", "-"], case.channels),
            "libsndfile": _libsndfile_decoded(path),
        }
        if case.sox_reads:
            found["sox"] = _decoded(["sox", "-V1", path, "-t", "f64", "-"], case.channels)
        return found
    found = {
        "ffprobe": _header_count(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                                  "stream=duration_ts", "-of", "csv=p=0", path]),
        "libsndfile": _libsndfile_header(path),
    }
    # sox keeps the data's end in 32 bits: past 4 GiB of data it walks the
    # audio for chunks, for tens of seconds.
    if case.data_bytes < make_corpus.FOUR_GIB:
        found["soxi"] = _header_count(["soxi", "-s", path])
    return found


def read_all(cases):
    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        return dict(zip([c.path for c in cases], pool.map(read_frames, cases)))


class AnyLayoutCorpus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        cls.cases = make_corpus.build(WORK)
        cls.repaired = [c for c in cls.cases if c.outcome == "repaired"]
        cls.sound = [c for c in cls.cases if c.outcome == "already sound"]
        cls.refused = [c for c in cls.cases if c.outcome == "unsupported format"]
        cls.reads_before = read_all([c for c in cls.repaired if not c.large])
        for case in cls.cases:
            os.utime(os.path.join(WORK, case.path), ns=OLD_TIMES)
        cls.original = cls.state()
        everything = [c.path for c in cls.cases]
        cls.dry_run = run_repair("--dry-run", *everything)
        cls.after_dry_run = cls.state()
        cls.repair_run = run_repair(*[c.path for c in cls.repaired + cls.sound])
        cls.refusal_run = run_repair(*[c.path for c in cls.refused])
        cls.after_repair = cls.state()
        cls.reads_after = read_all(cls.repaired)
        cls.second_run = run_repair(*everything)
        cls.after_second_run = cls.state()

    @classmethod
    def tearDownClass(cls):
        # A copy of the build folder that fills holes in would write gigabytes.
        shutil.rmtree(os.path.join(WORK, "large"), ignore_errors=True)

    @classmethod
    def state(cls):
        return {c.path: (times(os.path.join(WORK, c.path)), snapshot(os.path.join(WORK, c.path)))
                for c in cls.cases}

    def expect_untouched(self, case, state):
        found_times, found = state[case.path]
        self.assertEqual(found_times, self.original[case.path][0], "times")
        self.assertIsNone(first_difference(found, self.original[case.path][1]))

    def test_dry_run_answers_as_the_repair_would_and_changes_nothing(self):
        status, lines = self.dry_run
        self.assertEqual(status, 1)
        for case in self.cases:
            with self.subTest(case.path):
                word = "would be repaired" if case.outcome == "repaired" else case.outcome
                self.assertTrue(lines[case.path].startswith(word), lines[case.path])
                self.expect_untouched(case, self.after_dry_run)

    def test_repair_writes_only_the_sizes_and_keeps_the_modification_time(self):
        status, lines = self.repair_run
        self.assertEqual(status, 0)
        for case in self.repaired:
            with self.subTest(case.path):
                self.assertEqual(lines[case.path], "repaired")
                found_times, found = self.after_repair[case.path]
                self.assertEqual(found_times[1], OLD_TIMES[1], "modification time")
                self.assertIsNone(first_difference(found, patched(self.original[case.path][1], case.writes)))

    def test_repaired_files_read_whole(self):
        for case in self.repaired:
            with self.subTest(case.path):
                reads = self.reads_after[case.path]
                self.assertGreaterEqual(len(reads), 2)
                self.assertEqual(reads, dict.fromkeys(reads, case.frames))

    def test_sound_files_are_left_as_they_were(self):
        lines = self.repair_run[1]
        for case in self.sound:
            with self.subTest(case.path):
                self.assertEqual(lines[case.path], "already sound")
                self.expect_untouched(case, self.after_repair)

    def test_refusals_name_their_reason_and_leave_the_file_as_it_was(self):
        status, lines = self.refusal_run
        self.assertEqual(status, 1)
        for case in self.refused:
            with self.subTest(case.path):
                self.assertRegex(lines[case.path], r"^unsupported format \(.+\)$")
                self.assertIn(REFUSAL_REASONS[case.path], lines[case.path])
                self.assertEqual(self.dry_run[1][case.path], lines[case.path])
                self.expect_untouched(case, self.after_repair)

    def test_second_run_finds_every_repair_sound_and_writes_nothing(self):
        status, lines = self.second_run
        self.assertEqual(status, 1)
        for case in self.cases:
            with self.subTest(case.path):
                first = self.refusal_run[1] if case in self.refused else {case.path: "already sound"}
                self.assertEqual(lines[case.path], first[case.path])
                # The readers in between moved the access time.
                (_, *was), before = self.after_repair[case.path]
                (_, *now), after = self.after_second_run[case.path]
                self.assertEqual(now, was, "modification and change time")
                self.assertIsNone(first_difference(after, before))


def report(cls):
    print("\n%-46s %-30s %s" % ("file", "frames before (reader: count)", "after"))
    for case in cls.repaired:
        before = cls.reads_before.get(case.path, {})
        print("%-46s %-30s %s" % (case.path, " ".join("%s:%s" % kv for kv in before.items()) or "-",
                                  " ".join("%s:%s" % kv for kv in cls.reads_after[case.path].items())))
    for case in cls.refused:
        print("%-46s %s" % (case.path, cls.refusal_run[1].get(case.path)))


def main():
    global BINARY, WORK
    if len(sys.argv) != 3:
        sys.stderr.write("Usage: test_any_layout.py SONORIX_REPAIR WORKDIR\n")
        return 64
    BINARY, WORK = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    missing = make_corpus.missing_writers()
    if missing:
        print("skipped: writers missing: %s" % ", ".join(missing))
        return 77
    result = unittest.main(argv=sys.argv[:1], exit=False, verbosity=2).result
    if hasattr(AnyLayoutCorpus, "reads_after"):
        report(AnyLayoutCorpus)
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
