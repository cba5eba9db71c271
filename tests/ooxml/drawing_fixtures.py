"""Whole drawing parts written for the tests (tests/ooxml/drawings/*.xml:
styled shapes, custom geometry and the like) read and written back by the
round-trip tool given as the first argument. What it writes must be
well-formed and equal to what it read after canonicalisation.

    drawing_fixtures.py <roundtrip tool>"""

import glob
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))

import checklib  # noqa: E402
import xmlcanon  # noqa: E402

TOOL = None


class DrawingFixtures(unittest.TestCase):
    def test_fixtures_round_trip(self):
        fixtures = sorted(glob.glob(os.path.join(HERE, "drawings", "*.xml")))
        self.assertTrue(fixtures, "no drawing parts in %s" % os.path.join(HERE, "drawings"))
        with tempfile.TemporaryDirectory() as tmp:
            for src in fixtures:
                with self.subTest(part=os.path.basename(src)):
                    dst = os.path.join(tmp, os.path.basename(src))
                    r = subprocess.run([TOOL, "drawing", src, dst], capture_output=True, timeout=120)
                    self.assertEqual(0, r.returncode, "not read: %s" % r.stderr.decode("utf-8", "replace").strip())
                    complaint = xmlcanon.well_formed(dst)
                    self.assertIsNone(complaint, "written part is not well-formed: %s" % complaint)
                    before = xmlcanon.canonical(src)
                    after = xmlcanon.canonical(dst)
                    # Booleans are written as words.
                    before = xmlcanon.boolean_words(before, after)
                    if before != after:
                        self.fail("written part differs " + xmlcanon.first_difference(before, after))


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    checklib.unittest_main()
