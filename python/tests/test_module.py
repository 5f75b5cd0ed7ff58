"""The kestrum module against the command-line tool, on small recipes."""

import os
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import zlib

import numpy as np

import kestrum

SOURCE = os.environ.get("KESTRUM_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
TOOL = os.environ.get("KESTRUM_BATCH_TOOL", "build/src/kestrum-batch")
OXIDE = os.path.join(SOURCE, "examples", "oxide_coat_and_etch.plst")


def tool(*arguments):
    return subprocess.run([TOOL, *arguments], capture_output=True, text=True)


class ModuleTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def test_run_recipe_equals_tool(self):
        for settings, arguments in [({}, []), ({"2.Thickness": 4}, ["--set", "2.Thickness=4"])]:
            with self.subTest(settings=settings):
                out = self.path("tool.kst")
                run = tool(OXIDE, "--output", out, *arguments)
                self.assertEqual(run.returncode, 0, run.stderr)
                volume = kestrum.run_recipe(OXIDE, set=settings, threads=2)
                self.assertEqual(volume.skipped, [])
                expected = kestrum.load(out).volume
                self.assertEqual(volume.shape, expected.shape)
                self.assertTrue(np.array_equal(volume.cells, expected.cells))
        self.assertNotEqual(kestrum.run_recipe(OXIDE).material_counts(), volume.material_counts())

    def test_steps_report_what_they_did(self):
        out = self.path("tool.kst")
        run = tool(OXIDE, "--output", out)
        self.assertEqual(run.returncode, 0, run.stderr)
        volume = kestrum.run_recipe(OXIDE)
        self.assertEqual([(s.step, s.name, s.done) for s in volume.steps],
                         [(1, "Create Substrate", True), (2, "CVD", True), (3, "Isotropic etching", True)])
        for step, name, report in volume.steps:
            # The tool prints the same text after the step's progress line
            # (compared up to the first length, whose unit the locale may garble).
            self.assertIn(f"[{step}/3] {name}: {report.split(chr(0xb5))[0]}", run.stderr)
        create, deposit, etch = volume.steps
        self.assertEqual(create.changed_cells, 20 * 20 * 16)
        self.assertEqual(volume.material_counts().get(3, 0), deposit.changed_cells - etch.changed_cells)
        self.assertTrue(deposit.report.startswith(f"{deposit.changed_cells:,} cells changed (Thermal Si02 +"),
                        deposit.report)
        # No film to etch: both later steps change nothing and say why.
        idle = kestrum.run_recipe(OXIDE, set={"2.Thickness": 0})
        self.assertEqual([s.changed_nothing for s in idle.steps], [False, True, True])
        self.assertEqual(idle.steps[2].report, "changed nothing \u2014 the volume holds no Thermal Si02")

    def test_cell_size_in_micrometres(self):
        # The oxide example at 1 um: 6 um of oxide, 3 um etched back. With cells
        # of 0.5 um and every length halved, the same cells come out.
        unit = kestrum.run_recipe(OXIDE)
        half = kestrum.run_recipe(OXIDE, cell_size=0.5, set={"2.Thickness": 3, "3.Depth": 1.5})
        self.assertEqual(half.cell_size, (0.5, 0.5, 0.5))
        self.assertTrue(np.array_equal(half.cells, unit.cells))
        # A step's own parameter, from `set` or the tool's --set, and a document.
        tall = kestrum.run_recipe(OXIDE, cell_size=(0.5, 2, 3), set={"1.Cell Size Z": 0.25})
        self.assertEqual(tall.cell_size, (0.5, 2.0, 0.25))
        out = self.path("tall.kst")
        run = tool(OXIDE, "--output", out, "--set", "1.Cell Size X=0.5", "--set", "1.Cell Size Y=2",
                   "--set", "1.Cell Size Z=0.25")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(kestrum.load(out).volume.cell_size, (0.5, 2.0, 0.25))
        kestrum.save(tall, self.path("again.kst"))
        self.assertEqual(kestrum.load(self.path("again.kst")).volume.cell_size, (0.5, 2.0, 0.25))
        self.assertIn("cell_size=(0.5, 2, 0.25) \u00b5m", repr(tall))
        for wrong in [0, -1, 1001, (1, 2), "big", float("nan")]:
            with self.subTest(cell_size=wrong), self.assertRaisesRegex(ValueError, "cell_size takes"):
                kestrum.run_recipe(OXIDE, cell_size=wrong)
        with self.assertRaisesRegex(kestrum.RecipeError, "Cell Size Y"):
            kestrum.run_recipe(OXIDE, set={"1.Cell Size Y": 0})

    def test_hand_built_cells(self):
        cells = np.zeros((3, 4, 5), dtype=np.uint32)  # (nz, ny, nx)
        cells[0] = 1
        cells[2, 3, 4] = 3
        cells[1, 0, 2] = 5
        volume = kestrum.Volume(cells, cell_size=(1, 2, 0.5), origin=(10, 0, -1))
        self.assertEqual(volume.shape, (3, 4, 5))
        view = volume.cells
        self.assertEqual((view.shape, view.dtype), ((3, 4, 5), np.uint32))
        self.assertTrue(np.array_equal(view, cells))
        self.assertEqual((volume.cell_size, volume.origin), ((1.0, 2.0, 0.5), (10.0, 0.0, -1.0)))
        self.assertEqual(volume.material_counts(), {0: 38, 1: 20, 3: 1, 5: 1})
        self.assertFalse(view.flags.writeable)
        with self.assertRaises(ValueError):
            view[0, 0, 0] = 2
        # The view is the volume's own storage and keeps it alive.
        del volume
        self.assertEqual(int(view[2, 3, 4]), 3)
        # Round trip through a document.
        saved = kestrum.Volume(cells)
        kestrum.save(saved, self.path("hand.kst"))
        self.assertTrue(np.array_equal(kestrum.load(self.path("hand.kst")).volume.cells, cells))
        self.assertEqual(kestrum.Volume.material_name(1), "Si")
        with self.assertRaises(KeyError):
            kestrum.Volume.material_name(99999)
        with self.assertRaises(ValueError):
            kestrum.Volume(np.zeros((2, 2), dtype=np.uint32))

    def test_refusals_carry_the_tools_message(self):
        missing = self.path("absent.plst")
        cases = [
            ("unknown parameter", OXIDE, {"2.Thick": 4}, None),
            ("wrong kind", OXIDE, {"2.Thickness": "abc"}, None),
            ("no such step", OXIDE, {"7.Thickness": 1}, None),
            ("missing recipe", missing, {}, None),
            ("missing input", OXIDE, {}, missing.replace(".plst", ".kst")),
        ]
        for label, recipe, settings, input in cases:
            with self.subTest(label):
                arguments = [recipe, "--output", self.path("out.kst")]
                for key, value in settings.items():
                    arguments += ["--set", f"{key}={value}"]
                if input:
                    arguments += ["--input", input]
                run = tool(*arguments)
                self.assertNotEqual(run.returncode, 0)
                with self.assertRaises(kestrum.RecipeError) as raised:
                    kestrum.run_recipe(recipe, input=input, set=settings)
                self.assertEqual("kestrum-batch: " + str(raised.exception), run.stderr.strip().splitlines()[-1])
                self.assertFalse(os.path.exists(self.path("out.kst")))
        with self.assertRaises(kestrum.RecipeError) as raised:
            kestrum.save(kestrum.Volume(np.ones((1, 1, 1), dtype=np.uint32)), self.dir.name)
        self.assertIn("it is a folder", str(raised.exception))
        # A pipe is refused without being opened, which would wait for a reader.
        os.mkfifo(self.path("pipe.kst"))
        with self.assertRaises(kestrum.RecipeError) as raised:
            kestrum.save(kestrum.Volume(np.ones((1, 1, 1), dtype=np.uint32)), self.path("pipe.kst"))
        self.assertIn("no regular file", str(raised.exception))

    def test_volume_refuses_what_it_cannot_hold(self):
        def cells(value, dtype, shape=(1, 1, 1)):
            return np.full(shape, value, dtype=dtype)

        beyond_an_axis = np.broadcast_to(np.uint32(0), (1, 1, 2**32 + 5))  # no memory behind it
        beyond_memory = np.broadcast_to(np.uint32(0), (2**20, 2**20, 2**10))
        cases = [
            ("axis beyond 32 bits", lambda: kestrum.Volume(beyond_an_axis), "nx = 4294967301"),
            ("more cells than memory", lambda: kestrum.Volume(beyond_memory), "memory"),
            ("id of 2^33", lambda: kestrum.Volume(cells(2**33, np.int64)), "material id 8589934592"),
            ("id of -1", lambda: kestrum.Volume(cells(-1, np.int64)), "material id -1"),
            ("id of 1.5", lambda: kestrum.Volume(cells(1.5, np.float64)), "no whole number"),
            ("id of nan", lambda: kestrum.Volume(cells(np.nan, np.float64)), "not finite"),
            ("infinite cell size", lambda: kestrum.Volume(cells(1, np.uint32), cell_size=(np.inf, 1, 1)),
             "cell_size x is inf"),
            ("nan cell size", lambda: kestrum.Volume(cells(1, np.uint32), cell_size=(1, 1, np.nan)),
             "cell_size z is nan"),
            ("cell size 0", lambda: kestrum.Volume(cells(1, np.uint32), cell_size=(1, 0, 1)), "greater than 0"),
            ("cell size beyond a float", lambda: kestrum.Volume(cells(1, np.uint32), cell_size=(1e300, 1, 1)),
             "cell_size x is 1e+300"),
            ("nan origin", lambda: kestrum.Volume(cells(1, np.uint32), origin=(0, np.nan, 0)), "origin y is nan"),
            ("infinite origin", lambda: kestrum.Volume(cells(1, np.uint32), origin=(0, 0, -np.inf)),
             "origin z is -inf"),
            ("2^32 + 2 threads", lambda: kestrum.run_recipe(OXIDE, threads=2**32 + 2), "threads"),
            ("no threads", lambda: kestrum.run_recipe(OXIDE, threads=np.int64(0)), "not 0"),
            ("infinite setting", lambda: kestrum.check_recipe(OXIDE, set={"2.Thickness": np.inf}),
             'set["2.Thickness"] is inf'),
            ("nan setting", lambda: kestrum.run_recipe(OXIDE, set={"2.Thickness": np.float64("nan")}),
             'set["2.Thickness"] is nan'),
        ]
        for label, make, message in cases:
            with self.subTest(label):
                with self.assertRaises(ValueError) as refused:
                    make()
                self.assertIn(message, str(refused.exception))
        # Ids that fit are taken from any integer, boolean or whole float array.
        ids = np.array([0, 1, 4294967295], dtype=np.int64).reshape(1, 1, 3)
        for given in (ids, ids.astype(np.uint64), ids.astype(np.float64), ids.astype(bool)):
            with self.subTest(str(given.dtype)):
                self.assertTrue(np.array_equal(kestrum.Volume(given).cells, given.astype(np.uint32)))

    def test_load_mask(self):
        masks = os.path.join(SOURCE, "examples", "masks")
        image = kestrum.load_mask(os.path.join(masks, "openings_48.png"))
        self.assertEqual((image.shape, image.dtype), ((48, 48), np.bool_))
        self.assertEqual((bool(image[12, 12]), bool(image[12, 24]), bool(image[44, 44])), (False, True, True))
        layout = os.path.join(masks, "cross_layer1.gds")
        cross = kestrum.load_mask(layout)  # the lowest layer, one µm per cell
        self.assertEqual(cross.shape, (48, 48))
        self.assertTrue(np.array_equal(cross, kestrum.load_mask(layout, layer=1, cell_size=1.0)))
        self.assertTrue(cross[24, 24] and cross[24, 6] and cross[6, 24] and not cross[6, 6])
        self.assertEqual(kestrum.load_mask(layout, cell_size=2).shape, (24, 24))
        with open(layout, "rb") as f:
            damaged = bytearray(f.read())
        damaged[109] = 5  # the length of a LAYER record
        header = struct.pack(">IIBBBBB", 46341, 46341, 8, 0, 0, 0, 0)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

        huge = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"")) + chunk(b"IEND", b"")
        for name, contents, arguments, reason in [
            ("damaged.gds", bytes(damaged), {}, "a record length of 5"),
            ("huge.png", huge, {}, "46341 x 46341 pixels"),
            ("cross.gds", None, {"layer": 9}, "no polygons on layer 9"),
            ("cross.gds", None, {"layer": -1}, "must not be negative"),
            ("absent.png", None, {}, "not a readable image"),
        ]:
            with self.subTest(name, **arguments):
                path = self.path(name)
                if contents is not None:
                    with open(path, "wb") as f:
                        f.write(contents)
                elif name == "cross.gds":
                    path = layout
                with self.assertRaises(ValueError) as raised:
                    kestrum.load_mask(path, **arguments)
                self.assertIn(reason, str(raised.exception))

    def test_progress_and_threads(self):
        calls = []
        ticks = []
        stop = threading.Event()

        def tick():
            while not stop.is_set():
                ticks.append(1)
                stop.wait(0.001)

        ticker = threading.Thread(target=tick)
        ticker.start()
        volume = kestrum.run_recipe(OXIDE, progress=lambda step, name, fraction: calls.append((step, name, fraction)))
        stop.set()
        ticker.join()
        self.assertEqual([c[0] for c in calls], [1, 1, 2, 2, 3, 3])
        self.assertEqual(calls[-1][2], 1.0)
        self.assertEqual(calls[2][1], "CVD")
        self.assertTrue(ticks)
        self.assertIsNotNone(volume)

        def refuse(step, name, fraction):
            raise ZeroDivisionError("from the callback")

        with self.assertRaises(ZeroDivisionError):
            kestrum.run_recipe(OXIDE, progress=refuse)

    def test_unreadable_catalogue_is_kept_and_warned(self):
        # A hand-added material whose name holds a bare "&": the module warns,
        # uses the built-in materials, and leaves the file as it is.
        home = self.path("home")
        os.makedirs(os.path.join(home, "Kestrum"))
        catalogue = os.path.join(home, "Kestrum", "materials.xml")
        damaged = b'<?xml version="1.0"?>\n<Materials>\n<Material name="Cr & Au" material-id="40"/>\n</Materials>\n'
        with open(catalogue, "wb") as f:
            f.write(damaged)
        script = (
            "import warnings\n"
            "with warnings.catch_warnings(record=True) as caught:\n"
            "    warnings.simplefilter('always')\n"
            "    import kestrum\n"
            "print(kestrum.Volume.material_name(1))\n"
            "for w in caught:\n"
            "    print(w.category.__name__, w.message)\n"
        )
        run = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env={**os.environ, "HOME": home})
        self.assertEqual(run.returncode, 0, run.stderr)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0], "Si")
        self.assertEqual(len(lines), 2, run.stdout)
        self.assertTrue(lines[1].startswith(f"UserWarning The material catalogue {catalogue} cannot be read (line 3,"), lines[1])
        with open(catalogue, "rb") as f:
            self.assertEqual(f.read(), damaged)


if __name__ == "__main__":
    sys.exit(unittest.main())
