"""Sections, profiles, trenches and stacks from Python, against hand-built
volumes, the command-line tool and the wet-etch example."""

import importlib.util
import json
import math
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

import kestrum

SOURCE = os.environ.get("KESTRUM_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.environ.get("KESTRUM_BATCH_TOOL", "build/src/kestrum-batch")
EXAMPLES = os.path.join(SOURCE, "examples")
PYRAMID = os.path.join(EXAMPLES, "si_wet_etch_pyramid.plst")
WAFER = os.path.join(EXAMPLES, "masked_wafer.kst")
SI, OXIDE = 1, 3


def trench_volume():
    """12 x 3 x 8 cells of 0.5 x 2 x 0.25 µm at (10, -2, 1) µm: silicon up to
    z = 6, a cell of oxide on it, a square trench 4 cells wide (x 12 to 14 µm)
    and 5 cells deep (1.25 µm) through both, a void in the silicon at x 10 µm
    and an empty column at x 15.5 µm."""
    cells = np.zeros((8, 3, 12), dtype=np.uint32)  # (nz, ny, nx)
    cells[:6] = SI
    cells[6] = OXIDE
    cells[2:, :, 4:8] = 0
    cells[2:4, :, 0] = 0
    cells[:, :, 11] = 0
    return kestrum.Volume(cells, cell_size=(0.5, 2, 0.25), origin=(10, -2, 1)), cells


class MetrologyTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_sections_are_slices_of_the_cells(self):
        volume, cells = trench_volume()
        for axis, at, index, expected, extent in [
            ("y", 0.5, 1, cells[:, 1, :], (10.0, 16.0, 1.0, 3.0)),
            ("x", 12.1, 4, cells[:, :, 4], (-2.0, 4.0, 1.0, 3.0)),
            ("z", 2.0, 4, cells[4], (10.0, 16.0, -2.0, 4.0)),
            ("Y", 4.0, 2, cells[:, 2, :], (10.0, 16.0, 1.0, 3.0)),  # the far face counts as inside
        ]:
            with self.subTest(axis=axis, at=at):
                section = kestrum.section(volume, axis, at)
                self.assertEqual((section.axis, section.at, section.index), (axis.lower(), at, index))
                self.assertEqual(section.cells.shape, expected.shape)
                self.assertTrue(np.array_equal(section.cells, expected))
                self.assertEqual(section.extent, extent)
                self.assertFalse(section.cells.flags.writeable)
                self.assertEqual(len(section.u), expected.shape[1])
                self.assertAlmostEqual(section.u[0], extent[0] + (extent[1] - extent[0]) / expected.shape[1] / 2)
        self.assertEqual(kestrum.section(volume, "y", 0).materials, [SI, OXIDE])

    def test_profile_and_stack(self):
        volume, _ = trench_volume()
        u, height = kestrum.profile(volume, "y", 1)
        self.assertTrue(np.allclose(u, 10.25 + 0.5 * np.arange(12)))
        top, floor = 1 + 7 * 0.25, 1 + 2 * 0.25
        self.assertTrue(np.array_equal(height[:11], [top] * 4 + [floor] * 4 + [top] * 3))
        self.assertTrue(math.isnan(height[11]))
        silicon = kestrum.profile(volume, "x", 10.2, material=SI).height
        self.assertTrue(np.array_equal(silicon, [1 + 6 * 0.25] * 3))
        # Top down, the void a layer of id 0, nothing below the lowest material.
        self.assertEqual(kestrum.stack(volume, 10.1, 3.9),
                         [(OXIDE, 2.5, 2.75), (SI, 2.0, 2.5), (0, 1.5, 2.0), (SI, 1.0, 1.5)])
        self.assertEqual(kestrum.stack(volume, 15.9, 0), [])

    def test_trench_of_a_square_trench(self):
        volume, _ = trench_volume()
        expected_keys = {"depth", "top_width", "bottom_width", "angle_left", "angle_right", "bowing", "undercut",
                         "surface", "bottom", "widest", "width_at", "undercut_left", "undercut_right", "from", "to"}
        # Up to the empty column, which would be the deepest trench, open on one side.
        with self.assertRaisesRegex(ValueError, "not closed by higher ground on both sides"):
            kestrum.trench(volume, "y", 1)
        found = kestrum.trench(volume, "y", 1, start=10, stop=15.5, mask=OXIDE, width_at=2.0)
        self.assertEqual(set(found), expected_keys)
        self.assertEqual((found["depth"], found["top_width"], found["bottom_width"], found["bowing"]),
                         (1.25, 2.0, 2.0, 0.0))
        self.assertAlmostEqual(found["angle_left"], 90.0)
        self.assertAlmostEqual(found["angle_right"], 90.0)
        self.assertEqual((found["surface"], found["bottom"], found["width_at"]), (2.75, 1.5, 2.0))
        self.assertEqual((found["undercut_left"], found["undercut_right"], found["undercut"]), (0.0, 0.0, 0.0))
        plain = kestrum.trench(volume, "y", 1, start=11, stop=15)
        self.assertEqual((plain["from"], plain["to"]), (11.0, 15.0))
        self.assertIsNone(plain["undercut"])
        self.assertIsNone(plain["width_at"])

    def test_refusals_carry_the_cores_sentence(self):
        volume, _ = trench_volume()
        empty = kestrum.Volume(np.zeros((2, 3, 4), dtype=np.uint32))
        for name, call, message in [
            ("axis w", lambda: kestrum.section(volume, "w", 1), "axis must be \"x\", \"y\" or \"z\", not 'w'"),
            ("beyond y", lambda: kestrum.section(volume, "y", 4.5),
             "y = 4.5 \u00b5m lies outside the volume, which spans y from -2 to 4 \u00b5m."),
            ("below x", lambda: kestrum.trench(volume, "x", 9.9), "x = 9.9 \u00b5m lies outside the volume"),
            ("not a number", lambda: kestrum.profile(volume, "y", float("nan")), "lies outside the volume"),
            ("trench across z", lambda: kestrum.trench(volume, "z", 1.5), "A section across z is horizontal"),
            ("profile across z", lambda: kestrum.profile(volume, "z", 1.5), "has no height profile"),
            ("empty section", lambda: kestrum.trench(empty, "y", 1), "The section y = 1 \u00b5m holds no material."),
            ("no trench in range", lambda: kestrum.trench(volume, "y", 1, start=10, stop=12),
             "No trench between x 10 to 12 \u00b5m"),
            ("range of two columns", lambda: kestrum.trench(volume, "y", 1, start=12, stop=13),
             "fewer than three columns"),
            ("stack outside", lambda: kestrum.stack(volume, 17, 0), "(x 17, y 0) \u00b5m lies outside the volume"),
            ("save as .jpg", lambda: kestrum.section(volume, "y", 1).save(self.path("s.jpg")),
             "saved as .png, .svg or .csv"),
        ]:
            with self.subTest(name), self.assertRaises(ValueError) as raised:
                call()
            self.assertIn(message, str(raised.exception))
        with self.assertRaises(OSError):
            kestrum.section(volume, "y", 1).save(self.path("none/s.csv"))

    def test_saved_files(self):
        volume, cells = trench_volume()
        section = kestrum.section(volume, "x", 12.1)
        for name in ["s.csv", "s.png", "s.svg"]:
            section.save(self.path(name))
        with open(self.path("s.csv")) as grid:
            rows = [line.rstrip("\n").split(",") for line in grid if not line.startswith("#")]
        self.assertEqual(rows[0][0], "z\\y")
        self.assertTrue(np.allclose([float(v) for v in rows[0][1:]], section.u))
        self.assertTrue(np.allclose([float(row[0]) for row in rows[1:]], section.v[::-1]))
        self.assertTrue(np.array_equal(np.array([row[1:] for row in rows[1:]], dtype=np.uint32)[::-1], cells[:, :, 4]))
        with open(self.path("s.png"), "rb") as png:
            self.assertEqual(png.read(8), b"\x89PNG\r\n\x1a\n")
        with open(self.path("s.svg"), encoding="utf-8") as svg:
            self.assertIn("<svg", svg.read())

    def test_tool_and_module_give_the_same_numbers(self):
        # The pyramid example, measured across y at 30 µm and across x in a range.
        volume = kestrum.run_recipe(PYRAMID, input=WAFER)
        for section, measure, start, stop in [("y=30", "y=30", None, None), ("x=29.5", "x=29.5:10:50", 10, 50)]:
            with self.subTest(measure=measure):
                grid = self.path("grid.csv")
                run = subprocess.run([TOOL, PYRAMID, "--input", WAFER, "--output", self.path("out.kst"),
                                      "--section", section, "--section-csv", grid, "--measure", measure],
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stderr)
                axis, at = measure[0], float(measure[2:].split(":")[0])
                self.assertEqual(run.stdout.count("\n"), 1)
                self.assertEqual(json.loads(run.stdout), kestrum.trench(volume, axis, at, start=start, stop=stop))
                cut = kestrum.section(volume, axis, at)
                with open(grid) as text:
                    rows = [line.rstrip("\n").split(",")[1:] for line in text if not line.startswith("#")][1:]
                self.assertTrue(np.array_equal(np.array(rows, dtype=np.uint32)[::-1], cut.cells))
                cut.save(self.path("module.csv"))
                with open(grid, "rb") as tool_grid, open(self.path("module.csv"), "rb") as module_grid:
                    self.assertEqual(tool_grid.read(), module_grid.read())

    def test_wet_etched_pit_has_the_crystal_geometry(self):
        spec = importlib.util.spec_from_file_location("measure_koh_pit", os.path.join(EXAMPLES, "measure_koh_pit.py"))
        example = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(example)
        volume = example.etched_wafer()
        cell = volume.cell_size[0]
        # The section the example measures; across x the etch's staircase is
        # less even on one side (a wall fits 57 degrees there).
        pit = example.measure_pit(volume, "y")
        self.assertAlmostEqual(pit["angle_left"], 54.74, delta=1.0)
        self.assertAlmostEqual(pit["angle_right"], 54.74, delta=1.0)
        self.assertAlmostEqual(pit["depth"], 10.0, delta=cell)  # the recipe's Depth
        self.assertAlmostEqual(pit["bottom_width"], pit["expected_bottom_width"], delta=cell)
        self.assertEqual(pit["opening"], 30.0)


if __name__ == "__main__":
    sys.exit(unittest.main())
