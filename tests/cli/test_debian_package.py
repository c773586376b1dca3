#!/usr/bin/env python3
"""The Debian package of sonorix-repair: its fields, its files, a program that
runs, a manual page that renders without warnings and covers every option the
program's help lists, and a description that the manual's NAME line and the
README's first screen repeat.

    test_debian_package.py PACKAGE.deb VERSION
"""

import gzip
import os
import re
import subprocess
import sys
import tempfile
import unittest

PACKAGE = VERSION = None
README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")


def run(*args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=60, **kwargs)


def words(text):
    """text without its markup (Markdown's code marks, the list marks of both) and line breaks."""
    return " ".join(re.sub(r"(?m)^\s*(- )?", "", text.replace("`", "")).split())


class DebianPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.TemporaryDirectory()
        subprocess.run(["dpkg-deb", "-x", PACKAGE, cls.root.name], check=True, timeout=60)
        cls.program = os.path.join(cls.root.name, "usr/bin/sonorix-repair")
        cls.manual = os.path.join(cls.root.name, "usr/share/man/man1/sonorix-repair.1.gz")

    @classmethod
    def tearDownClass(cls):
        cls.root.cleanup()

    def field(self, name):
        return run("dpkg-deb", "-f", PACKAGE, name).stdout.strip()

    def test_name_version_and_architecture(self):
        self.assertEqual(self.field("Package"), "sonorix-repair")
        self.assertEqual(self.field("Version"), VERSION)
        self.assertEqual(self.field("Architecture"), run("dpkg", "--print-architecture").stdout.strip())
        self.assertEqual(os.path.basename(PACKAGE), "sonorix-repair_%s_%s.deb" % (VERSION, self.field("Architecture")))
        self.assertTrue(self.field("Maintainer"))
        self.assertTrue(self.field("Description"))

    def test_depends_on_the_c_library_and_on_nothing_this_system_lacks(self):
        depends = [d.split()[0] for d in self.field("Depends").split(", ")]
        self.assertIn("libc6", depends)
        # The shipped program carries no sanitizer runtime.
        self.assertFalse([name for name in depends if name.startswith(("libasan", "libubsan"))])
        for name in depends:
            with self.subTest(name):
                # One line for each architecture the package is there for.
                status = run("dpkg-query", "-W", "-f=${Status}\\n", name).stdout
                self.assertIn("install ok installed\n", status)

    def test_holds_the_program_and_its_page_only(self):
        listing = run("dpkg-deb", "-c", PACKAGE).stdout.splitlines()
        files = sorted((line.split()[-1], line.split()[0]) for line in listing if not line.startswith("d"))
        self.assertEqual(files, [("./usr/bin/sonorix-repair", "-rwxr-xr-x"),
                                 ("./usr/share/man/man1/sonorix-repair.1.gz", "-rw-r--r--")])
        self.assertTrue(all(" root/root " in line for line in listing))

    def test_description_is_what_the_manual_and_the_readme_say_first(self):
        summary, description = self.field("Description").split("\n", 1)
        with gzip.open(self.manual, "rt") as page:
            name = re.search(r"(?m)^\.SH NAME\n(.*)$", page.read()).group(1)
        self.assertEqual(name, "sonorix-repair \\- " + summary)
        with open(README, encoding="utf-8") as readme:
            first_screen = readme.read().split("\n## ", 1)[0]
        self.assertIn(words(description), words(first_screen))

    def test_program_runs_and_names_its_version(self):
        self.assertEqual(run(self.program, "--version").stdout, "sonorix-repair %s\n" % VERSION)

    def test_manual_page_renders_without_warnings(self):
        with gzip.open(self.manual, "rt") as page:
            roff = page.read()
        checked = run("groff", "-ww", "-z", "-man", input=roff)
        self.assertEqual(checked.stderr, "")
        env = dict(os.environ, MANWIDTH="200", MANPAGER="cat", PAGER="cat")
        shown = run("man", "--warnings=w", "-l", self.manual, env=env)
        self.assertEqual((shown.returncode, shown.stderr), (0, ""))
        for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS"):
            self.assertRegex(shown.stdout, r"(?m)^%s$" % heading)

    def test_manual_page_describes_every_option_of_the_help(self):
        shown = run("man", "-l", self.manual, env=dict(os.environ, MANWIDTH="200", MANPAGER="cat")).stdout
        options = set(re.findall(r"(?m)^\s+(--[a-z-]+)", run(self.program, "--help").stdout))
        self.assertIn("--any-layout", options)
        for option in options:
            with self.subTest(option):
                self.assertRegex(shown, r"(?m)^\s+(-[a-z], )?%s(\s|$)" % option)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.stderr.write("Usage: test_debian_package.py PACKAGE.deb VERSION\n")
        sys.exit(64)
    PACKAGE, VERSION = os.path.abspath(sys.argv[1]), sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
